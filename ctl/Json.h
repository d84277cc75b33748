#pragma once
// Small JSON for RavelinCtl: a writer for its machine-readable output and export files, and a
// strict, bounded reader for import files. Texts are the system's ANSI code page inside the
// program; the writer escapes every non-ASCII character as \uXXXX, the reader accepts UTF-8 (with
// or without its byte order mark) and UTF-16LE with its mark, as PowerShell writes them.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Builds JSON text, indented by two blanks per level.
class CJsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the current object.
    void Key(const char* name);
    void String(const std::string& text);
    void Number(long long value);
    void Bool(bool value);

    // The text so far, ended by a newline once the outermost value is closed.
    const std::string& Text() const { return text_; }

private:
    void BeforeValue();
    void NewLine();
    void Close(char bracket);

    std::string text_;
    std::vector<bool> firstInLevel_;
    bool afterKey_ = false;
};

// A JSON string of an ANSI text, quotes included.
std::string JsonQuoted(const std::string& ansiText);

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;                                     // String: ANSI
    std::vector<JsonValue> items;                         // Array
    std::vector<std::pair<std::string, JsonValue>> members; // Object, in file order

    const JsonValue* Member(const char* name) const;
};

// Limits that keep a hostile or broken file from costing more than a few megabytes.
const size_t kJsonMaxInput = 1024 * 1024;
const size_t kJsonMaxDepth = 8;
const size_t kJsonMaxString = 4096;
const size_t kJsonMaxItems = 1000;

// Parses a whole document. False with a message ("line 3, column 7: ...") for anything that is
// not exactly one JSON value within the limits, or a text the ANSI code page cannot hold.
bool ParseJson(const std::string& bytes, JsonValue& value, std::string& error);
