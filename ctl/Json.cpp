#include "Json.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>

namespace {

// UTF-16 code units of an ANSI text.
std::wstring Utf16OfAnsi(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       NULL, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                              length);
    return wide;
}

// The ANSI text of UTF-16 code units; false when a character has no ANSI form.
bool AnsiOfUtf16(const std::wstring& wide, std::string& text)
{
    text.clear();
    if (wide.empty())
        return true;
    BOOL defaulted = FALSE;
    // No best fit: a character without its own ANSI form is refused, not replaced by a look-alike.
    int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                       static_cast<int>(wide.size()), NULL, 0, NULL, &defaulted);
    if (length <= 0 || defaulted)
        return false;
    text.assign(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                          static_cast<int>(wide.size()), &text[0], length, NULL, &defaulted);
    return !defaulted;
}

class CJsonReader {
public:
    CJsonReader(const std::string& text, std::string& error) : text_(text), error_(error) {}

    bool Document(JsonValue& value)
    {
        SkipBlanks();
        if (!Value(value, 0))
            return false;
        SkipBlanks();
        if (pos_ != text_.size())
            return Fail("text after the end of the document");
        return true;
    }

private:
    bool Fail(const char* what)
    {
        size_t line = 1;
        size_t column = 1;
        for (size_t i = 0; i < pos_ && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        char where[64];
        std::snprintf(where, sizeof(where), "line %u, column %u: ", static_cast<unsigned>(line),
                      static_cast<unsigned>(column));
        error_ = std::string(where) + what;
        return false;
    }

    void SkipBlanks()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    // Takes the next character when it is c.
    bool Take(char c)
    {
        if (pos_ >= text_.size() || text_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }

    bool Literal(const char* word)
    {
        for (size_t i = 0; word[i]; ++i) {
            if (pos_ + i >= text_.size() || text_[pos_ + i] != word[i])
                return Fail("unexpected text");
        }
        for (size_t i = 0; word[i]; ++i)
            ++pos_;
        return true;
    }

    bool Value(JsonValue& value, size_t depth)
    {
        if (depth >= kJsonMaxDepth)
            return Fail("nested too deeply");
        if (pos_ >= text_.size())
            return Fail("a value is missing");
        char c = text_[pos_];
        switch (c) {
        case '{': return Object(value, depth);
        case '[': return Array(value, depth);
        case '"': value.kind = JsonValue::String; return String(value.text);
        case 't': value.kind = JsonValue::Bool; value.boolean = true; return Literal("true");
        case 'f': value.kind = JsonValue::Bool; value.boolean = false; return Literal("false");
        case 'n': value.kind = JsonValue::Null; return Literal("null");
        default:
            if (c == '-' || (c >= '0' && c <= '9'))
                return Number(value);
            return Fail("unexpected character");
        }
    }

    // The entries of an object or array, each read by entry, separated by commas, up to close.
    template <class ReadEntry>
    bool Entries(char close, const char* expected, ReadEntry entry)
    {
        ++pos_;
        SkipBlanks();
        if (Take(close))
            return true;
        for (;;) {
            SkipBlanks();
            if (!entry())
                return false;
            SkipBlanks();
            if (Take(','))
                continue;
            if (Take(close))
                return true;
            return Fail(expected);
        }
    }

    bool Object(JsonValue& value, size_t depth)
    {
        value.kind = JsonValue::Object;
        return Entries('}', "',' or '}' was expected", [&] {
            if (pos_ >= text_.size() || text_[pos_] != '"')
                return Fail("a member name in quotes was expected");
            std::string name;
            if (!String(name))
                return false;
            if (value.Member(name.c_str()))
                return Fail("a member name appears twice");
            SkipBlanks();
            if (!Take(':'))
                return Fail("':' was expected");
            SkipBlanks();
            if (value.members.size() >= kJsonMaxItems)
                return Fail("too many members");
            value.members.emplace_back(name, JsonValue());
            return Value(value.members.back().second, depth + 1);
        });
    }

    bool Array(JsonValue& value, size_t depth)
    {
        value.kind = JsonValue::Array;
        return Entries(']', "',' or ']' was expected", [&] {
            if (value.items.size() >= kJsonMaxItems)
                return Fail("too many items");
            value.items.emplace_back();
            return Value(value.items.back(), depth + 1);
        });
    }

    bool Hex4(unsigned& unit)
    {
        unit = 0;
        for (int i = 0; i < 4; ++i, ++pos_) {
            if (pos_ >= text_.size())
                return Fail("an incomplete \\u escape");
            char c = text_[pos_];
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                unit |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                unit |= static_cast<unsigned>(c - 'A' + 10);
            else
                return Fail("a bad \\u escape");
        }
        return true;
    }

    // One UTF-8 sequence at pos_ as UTF-16 units; strict (no overlong forms, no surrogates).
    bool Utf8(std::wstring& wide)
    {
        unsigned char lead = static_cast<unsigned char>(text_[pos_]);
        int extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
        if (lead >= 0xF5 || extra < 0)
            return Fail("text that is not UTF-8");
        unsigned code = lead & (0x3F >> extra);
        if (pos_ + static_cast<size_t>(extra) >= text_.size())
            return Fail("text that is not UTF-8");
        for (int i = 1; i <= extra; ++i) {
            unsigned char next = static_cast<unsigned char>(text_[pos_ + static_cast<size_t>(i)]);
            if ((next & 0xC0) != 0x80)
                return Fail("text that is not UTF-8");
            code = (code << 6) | (next & 0x3F);
        }
        if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return Fail("text that is not UTF-8");
        pos_ += static_cast<size_t>(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<wchar_t>(0xD800 + (code >> 10));
            wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(code);
        }
        return true;
    }

    bool String(std::string& out)
    {
        size_t start = pos_++;
        std::wstring wide;
        for (;;) {
            if (pos_ >= text_.size())
                return Fail("a text without its closing quote");
            unsigned char c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') {
                ++pos_;
                break;
            }
            if (wide.size() >= kJsonMaxString)
                return Fail("a text longer than 4096 characters");
            if (c < 0x20)
                return Fail("a control character inside a text");
            if (c >= 0x80) {
                if (!Utf8(wide))
                    return false;
                continue;
            }
            if (c != '\\') {
                wide += static_cast<wchar_t>(c);
                ++pos_;
                continue;
            }
            if (++pos_ >= text_.size())
                return Fail("a text without its closing quote");
            char escape = text_[pos_++];
            switch (escape) {
            case '"': wide += L'"'; break;
            case '\\': wide += L'\\'; break;
            case '/': wide += L'/'; break;
            case 'b': wide += L'\b'; break;
            case 'f': wide += L'\f'; break;
            case 'n': wide += L'\n'; break;
            case 'r': wide += L'\r'; break;
            case 't': wide += L'\t'; break;
            case 'u': {
                unsigned unit;
                if (!Hex4(unit))
                    return false;
                wide += static_cast<wchar_t>(unit);
                break;
            }
            default:
                pos_ -= 2;
                return Fail("an unknown escape");
            }
        }
        // Faults of the whole text are reported where it begins. A NUL would end the text
        // early in a record; a lone surrogate has no character.
        size_t end = pos_;
        pos_ = start;
        for (size_t i = 0; i < wide.size(); ++i) {
            wchar_t unit = wide[i];
            if (unit == 0)
                return Fail("a text with a NUL character");
            bool high = unit >= 0xD800 && unit <= 0xDBFF;
            bool low = unit >= 0xDC00 && unit <= 0xDFFF;
            if (low || (high && (i + 1 >= wide.size() || wide[i + 1] < 0xDC00 ||
                                 wide[i + 1] > 0xDFFF)))
                return Fail("a text with a broken surrogate pair");
            if (high)
                ++i;
        }
        if (!AnsiOfUtf16(wide, out))
            return Fail("a character that the system's code page cannot hold");
        pos_ = end;
        return true;
    }

    // Takes a run of decimal digits; how many there were.
    size_t Digits()
    {
        size_t first = pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
            ++pos_;
        return pos_ - first;
    }

    // The number grammar: -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
    bool Number(JsonValue& value)
    {
        size_t start = pos_;
        Take('-');
        if (pos_ >= text_.size() || text_[pos_] < '0' || text_[pos_] > '9')
            return Fail("a bad number");
        if (!Take('0'))
            Digits();
        if (Take('.') && Digits() == 0)
            return Fail("a bad number");
        if (Take('e') || Take('E')) {
            if (!Take('+'))
                Take('-');
            if (Digits() == 0)
                return Fail("a bad number");
        }
        if (pos_ - start > 64)
            return Fail("a number too long");
        value.kind = JsonValue::Number;
        value.number = std::strtod(text_.substr(start, pos_ - start).c_str(), nullptr);
        return true;
    }

    const std::string& text_;
    std::string& error_;
    size_t pos_ = 0;
};

} // namespace

const JsonValue* JsonValue::Member(const char* name) const
{
    for (const auto& member : members) {
        if (member.first == name)
            return &member.second;
    }
    return nullptr;
}

std::string JsonQuoted(const std::string& ansiText)
{
    std::wstring wide = Utf16OfAnsi(ansiText);
    std::string out = "\"";
    for (wchar_t unit : wide) {
        switch (unit) {
        case L'"': out += "\\\""; break;
        case L'\\': out += "\\\\"; break;
        case L'\n': out += "\\n"; break;
        case L'\r': out += "\\r"; break;
        case L'\t': out += "\\t"; break;
        case L'\b': out += "\\b"; break;
        case L'\f': out += "\\f"; break;
        default:
            if (unit < 0x20 || unit >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(unit));
                out += escaped;
            } else {
                out += static_cast<char>(unit);
            }
            break;
        }
    }
    out += "\"";
    return out;
}

void CJsonWriter::NewLine()
{
    text_ += "\n";
    text_.append(firstInLevel_.size() * 2, ' ');
}

void CJsonWriter::BeforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (firstInLevel_.empty())
        return;
    if (!firstInLevel_.back())
        text_ += ",";
    firstInLevel_.back() = false;
    NewLine();
}

void CJsonWriter::BeginObject()
{
    BeforeValue();
    text_ += "{";
    firstInLevel_.push_back(true);
}

void CJsonWriter::Close(char bracket)
{
    bool empty = firstInLevel_.back();
    firstInLevel_.pop_back();
    if (!empty)
        NewLine();
    text_ += bracket;
    if (firstInLevel_.empty())
        text_ += "\n";
}

void CJsonWriter::EndObject()
{
    Close('}');
}

void CJsonWriter::BeginArray()
{
    BeforeValue();
    text_ += "[";
    firstInLevel_.push_back(true);
}

void CJsonWriter::EndArray()
{
    Close(']');
}

void CJsonWriter::Key(const char* name)
{
    BeforeValue();
    text_ += JsonQuoted(name) + ": ";
    afterKey_ = true;
}

void CJsonWriter::String(const std::string& text)
{
    BeforeValue();
    text_ += JsonQuoted(text);
}

void CJsonWriter::Number(long long value)
{
    BeforeValue();
    text_ += std::to_string(value);
}

void CJsonWriter::Bool(bool value)
{
    BeforeValue();
    text_ += value ? "true" : "false";
}

bool ParseJson(const std::string& bytes, JsonValue& value, std::string& error)
{
    value = JsonValue();
    if (bytes.size() > kJsonMaxInput) {
        error = "the file is larger than 1 MB";
        return false;
    }
    std::string text = bytes;
    // UTF-16LE with its mark (PowerShell's Out-File), made UTF-8 first.
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        if (text.size() % 2 != 0) {
            error = "the UTF-16 text has an odd number of bytes";
            return false;
        }
        std::wstring wide((text.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[2 + 2 * i]) |
                                           (static_cast<unsigned char>(text[3 + 2 * i]) << 8));
        text.clear();
        if (!wide.empty()) {
            int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                               static_cast<int>(wide.size()), NULL, 0, NULL, NULL);
            if (length <= 0) {
                error = "the UTF-16 text is broken";
                return false;
            }
            text.assign(static_cast<size_t>(length), '\0');
            ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                  &text[0], length, NULL, NULL);
        }
    } else if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
    }
    CJsonReader reader(text, error);
    return reader.Document(value);
}
