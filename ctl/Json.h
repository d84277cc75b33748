#pragma once
// RavelinCtl's JSON, by nlohmann/json: the writer of its machine-readable output and export
// files, and a strict, bounded reader of import files. Texts are the system's ANSI code page
// inside the program and UTF-8 inside a Json value; the writer escapes every non-ASCII character
// as \uXXXX, the reader accepts UTF-8 (with or without its byte order mark) and UTF-16LE with its
// mark, as PowerShell writes them.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <vector>

// Members keep the order in which they were written or read.
using Json = nlohmann::ordered_json;

// Limits that keep a hostile or broken file from costing more than a few megabytes.
const size_t kJsonMaxInput = 1024 * 1024;
const size_t kJsonMaxDepth = 8;
const size_t kJsonMaxString = 4096;
const size_t kJsonMaxItems = 1000;

// A JSON text value of an ANSI text.
Json JsonOfAnsi(const std::string& ansiText);
// The ANSI text of a JSON text value that ParseJson accepted (every character has its ANSI form).
std::string AnsiOfJson(const Json& text);

// UTF-16 of a UTF-8 text; the ANSI text of UTF-16, false when a character has no ANSI form.
std::wstring Utf16OfUtf8(const std::string& text);
bool AnsiOfUtf16(const std::wstring& wide, std::string& text);

// The document's text: indented by two blanks per level, ASCII only, ended by a newline.
std::string JsonText(const Json& document);

// Parses a whole document. False with a message ("line 3, column 7: ...") for anything that is
// not exactly one JSON value within the limits, or a text the ANSI code page cannot hold.
// No exception leaves it.
bool ParseJson(const std::string& bytes, Json& value, std::string& error);

// Where a value of a document that ParseJson read begins, for a fault found in it afterwards:
// "line L, column C" of the value at path or, when it is not there (a missing member), of the
// nearest value that holds it; empty when none can be had.
std::string JsonPlace(const std::string& bytes, std::vector<std::string> path);
