#include "JsonChecker.h"

#include "Json.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <set>
#include <vector>

namespace {

// A pointer into the text that records how far the library's reader has taken it, so that the
// checker knows where the token of each event ends.
class CCountingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CCountingIterator(const char* base, const char* at, size_t* taken)
        : base_(base), at_(at), taken_(taken)
    {
    }
    reference operator*() const { return *at_; }
    CCountingIterator& operator++()
    {
        ++at_;
        size_t offset = static_cast<size_t>(at_ - base_);
        if (offset > *taken_)
            *taken_ = offset;
        return *this;
    }
    CCountingIterator operator++(int)
    {
        CCountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CCountingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const CCountingIterator& other) const { return at_ != other.at_; }

private:
    const char* base_;
    const char* at_;
    size_t* taken_;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

class CJsonChecker : public nlohmann::json_sax<Json> {
public:
    CJsonChecker(const std::string& text, const size_t& taken, std::string& error)
        : text_(text), taken_(taken), error_(error)
    {
    }

    bool null() override { return Literal(); }
    bool boolean(bool) override { return Literal(); }
    bool number_integer(number_integer_t) override { return Number(); }
    bool number_unsigned(number_unsigned_t) override { return Number(); }
    bool number_float(number_float_t, const string_t&) override { return Number(); }
    bool binary(binary_t&) override { return true; } // JSON text has none
    bool string(string_t& value) override;
    bool key(string_t& name) override;
    bool start_object(std::size_t) override { return Open(true); }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(false); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t position, const std::string& lastToken,
                     const nlohmann::detail::exception& fault) override;

    // The value sought, and where it begins once found.
    const std::vector<std::string>* target = nullptr;
    size_t targetStart = std::string::npos;

private:
    struct Level {
        bool isObject;
        size_t count;
        std::set<std::string> names;
        std::string name; // the member being read
    };

    bool Fail(size_t at, const char* what);
    size_t SkipBlanks(size_t at) const;
    size_t NextTokenStart() const;
    size_t NumberEnd(size_t start) const;
    size_t Utf8SequenceStart(size_t at) const;
    bool Value(size_t start);
    void AfterValue(size_t end);
    bool Text(size_t start, const std::string& utf8);
    bool Open(bool isObject);
    bool Close();
    bool Literal();
    bool Number();
    bool LexerFault(const std::string& what, size_t at);
    bool IsTarget() const;

    const std::string& text_;
    const size_t& taken_;  // bytes the reader has taken, a number's look-ahead included
    std::string& error_;
    size_t lastEnd_ = 0;   // just after the last token whose end is known
    char separator_ = 0;   // what stands between that token and the next one: ',', ':' or none
    std::vector<Level> levels_;
    bool documentDone_ = false;
};

// "line L, column C" of a byte of the text (1-based; bytes, not characters).
std::string PlaceOf(const std::string& text, size_t at)
{
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < at && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    if (at > text.size())
        column += at - text.size();
    char place[64];
    std::snprintf(place, sizeof(place), "line %u, column %u", static_cast<unsigned>(line),
                  static_cast<unsigned>(column));
    return place;
}

bool CJsonChecker::Fail(size_t at, const char* what)
{
    error_ = PlaceOf(text_, at) + ": " + what;
    return false;
}

// Whether the value about to be read is the one sought: each level's member name or item index
// as the path gives it.
bool CJsonChecker::IsTarget() const
{
    if (!target || targetStart != std::string::npos || levels_.size() != target->size())
        return false;
    for (size_t k = 0; k < levels_.size(); ++k) {
        const Level& level = levels_[k];
        const std::string& want = (*target)[k];
        if (level.isObject ? level.name != want : std::to_string(level.count - 1) != want)
            return false;
    }
    return true;
}

size_t CJsonChecker::SkipBlanks(size_t at) const
{
    while (at < text_.size() && IsBlank(text_[at]))
        ++at;
    return at;
}

// Where the token after the last known one begins, past the separator that belongs there.
size_t CJsonChecker::NextTokenStart() const
{
    size_t at = SkipBlanks(lastEnd_);
    if (separator_ && at < text_.size() && text_[at] == separator_)
        at = SkipBlanks(at + 1);
    return at;
}

// The number grammar, -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?, over a number the
// reader has accepted: where it ends (the reader itself has looked one character further).
size_t CJsonChecker::NumberEnd(size_t start) const
{
    size_t at = start;
    size_t size = text_.size();
    if (at < size && text_[at] == '-')
        ++at;
    if (at < size && text_[at] == '0') {
        ++at;
    } else {
        while (at < size && IsDigit(text_[at]))
            ++at;
    }
    if (at < size && text_[at] == '.') {
        ++at;
        while (at < size && IsDigit(text_[at]))
            ++at;
    }
    if (at < size && (text_[at] == 'e' || text_[at] == 'E')) {
        ++at;
        if (at < size && (text_[at] == '+' || text_[at] == '-'))
            ++at;
        while (at < size && IsDigit(text_[at]))
            ++at;
    }
    return at;
}

// The reader stops at the first byte that cannot continue a UTF-8 sequence; the fault is named
// where that sequence begins.
size_t CJsonChecker::Utf8SequenceStart(size_t at) const
{
    size_t back = at;
    while (back > 0 && at - back < 4) {
        unsigned char c = static_cast<unsigned char>(text_[back - 1]);
        if (c >= 0x80 && c <= 0xBF) {
            --back;
            continue;
        }
        size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (length > 0 && at - (back - 1) < length)
            return back - 1;
        break;
    }
    return at;
}

// Every value, before it is taken: the count of its array or object, then its depth.
bool CJsonChecker::Value(size_t start)
{
    if (!levels_.empty()) {
        Level& parent = levels_.back();
        if (parent.count >= kJsonMaxItems)
            return Fail(start, parent.isObject ? "too many members" : "too many items");
        ++parent.count;
    }
    if (levels_.size() >= kJsonMaxDepth)
        return Fail(start, "nested too deeply");
    if (IsTarget())
        targetStart = start;
    return true;
}

void CJsonChecker::AfterValue(size_t end)
{
    lastEnd_ = end;
    separator_ = ',';
    documentDone_ = levels_.empty();
}

// A text (a value or a member name) beginning with its quote at start.
bool CJsonChecker::Text(size_t start, const std::string& utf8)
{
    // Characters are counted in UTF-16 units, as the record's conversion will count them; the
    // reader has accepted the text, so its escapes and sequences are whole.
    size_t units = 0;
    size_t at = start + 1;
    while (at < text_.size() && text_[at] != '"') {
        if (units >= kJsonMaxString)
            return Fail(at, "a text longer than 4096 characters");
        unsigned char c = static_cast<unsigned char>(text_[at]);
        if (c == '\\') {
            at += text_[at + 1] == 'u' ? 6 : 2;
        } else if (c >= 0xF0) {
            at += 4;
            ++units; // the second unit of a pair
        } else {
            at += c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        }
        ++units;
    }
    std::wstring wide = Utf16OfUtf8(utf8);
    if (wide.find(L'\0') != std::wstring::npos)
        return Fail(start, "a text with a NUL character");
    std::string ansi;
    if (!AnsiOfUtf16(wide, ansi))
        return Fail(start, "a character that the system's code page cannot hold");
    return true;
}

bool CJsonChecker::Open(bool isObject)
{
    size_t start = NextTokenStart();
    if (!Value(start))
        return false;
    levels_.push_back({isObject, 0, {}, {}});
    lastEnd_ = start + 1;
    separator_ = 0;
    return true;
}

bool CJsonChecker::Close()
{
    levels_.pop_back();
    AfterValue(taken_);
    return true;
}

bool CJsonChecker::Literal()
{
    if (!Value(NextTokenStart()))
        return false;
    AfterValue(taken_);
    return true;
}

bool CJsonChecker::Number()
{
    size_t start = NextTokenStart();
    if (!Value(start))
        return false;
    size_t end = NumberEnd(start);
    if (end - start > 64)
        return Fail(end, "a number too long");
    AfterValue(end);
    return true;
}

bool CJsonChecker::string(string_t& value)
{
    size_t start = NextTokenStart();
    if (!Value(start) || !Text(start, value))
        return false;
    AfterValue(taken_);
    return true;
}

bool CJsonChecker::key(string_t& name)
{
    size_t start = NextTokenStart();
    if (!Text(start, name))
        return false;
    lastEnd_ = taken_;
    levels_.back().name = name;
    if (!levels_.back().names.insert(name).second)
        return Fail(lastEnd_, "a member name appears twice");
    separator_ = ':';
    return true;
}

// A fault inside a token: at is the index of the character the reader stopped at (the text's
// size at its end).
bool CJsonChecker::LexerFault(const std::string& what, size_t at)
{
    bool atEnd = at >= text_.size();
    if (Contains(what, "missing closing quote"))
        return Fail(at, "a text without its closing quote");
    if (Contains(what, "forbidden character after backslash"))
        return atEnd ? Fail(at, "a text without its closing quote")
                     : Fail(at - 1, "an unknown escape");
    if (Contains(what, "must be followed by 4 hex digits"))
        return Fail(at, atEnd ? "an incomplete \\u escape" : "a bad \\u escape");
    if (Contains(what, "surrogate"))
        return Fail(NextTokenStart(), "a text with a broken surrogate pair");
    if (Contains(what, "control character"))
        return Fail(at, "a control character inside a text");
    if (Contains(what, "ill-formed UTF-8"))
        return Fail(Utf8SequenceStart(at), "text that is not UTF-8");
    if (Contains(what, "invalid number"))
        return Fail(at, "a bad number");
    size_t start = NextTokenStart();
    bool word = start < text_.size() && std::strchr("tfn", text_[start]) != nullptr;
    return Fail(start, word ? "unexpected text" : "unexpected character");
}

bool CJsonChecker::parse_error(std::size_t position, const std::string& /*lastToken*/,
                               const nlohmann::detail::exception& fault)
{
    // The reader counts the characters it has taken, the end of the text included.
    size_t at = position > 0 ? position - 1 : 0;
    std::string what = fault.what();
    if (documentDone_)
        return Fail(SkipBlanks(lastEnd_), "text after the end of the document");
    // Where a separator or a member name is due, what stands there instead is not read as a
    // token of its own: the fault is the missing separator or name.
    if (Contains(what, "while parsing object separator"))
        return Fail(SkipBlanks(lastEnd_), "':' was expected");
    if (Contains(what, "while parsing object -"))
        return Fail(SkipBlanks(lastEnd_), "',' or '}' was expected");
    if (Contains(what, "while parsing array"))
        return Fail(SkipBlanks(lastEnd_), "',' or ']' was expected");
    size_t start = NextTokenStart();
    bool nameDue = Contains(what, "while parsing object key");
    if (nameDue && (start >= text_.size() || text_[start] != '"'))
        return Fail(start, "a member name in quotes was expected");
    // A value is counted and its depth checked before its token is read.
    if (!nameDue && !Value(start))
        return false;
    if (Contains(what, "; last read: "))
        return LexerFault(what, at);
    if (nameDue)
        return Fail(start, "a member name in quotes was expected");
    return Fail(start, Contains(what, "unexpected end of input") ? "a value is missing"
                                                                 : "unexpected character");
}

} // namespace

bool CheckJson(const std::string& text, std::string& error)
{
    size_t taken = 0;
    CJsonChecker checker(text, taken, error);
    const char* base = text.data();
    CCountingIterator first(base, base, &taken);
    CCountingIterator last(base, base + text.size(), &taken);
    if (Json::sax_parse(first, last, &checker))
        return true;
    if (error.empty())
        error = "the document could not be read";
    return false;
}

std::string JsonValuePlace(const std::string& text, const std::vector<std::string>& path)
{
    size_t taken = 0;
    std::string error;
    CJsonChecker checker(text, taken, error);
    checker.target = &path;
    const char* base = text.data();
    CCountingIterator first(base, base, &taken);
    CCountingIterator last(base, base + text.size(), &taken);
    Json::sax_parse(first, last, &checker);
    if (checker.targetStart == std::string::npos)
        return std::string();
    return PlaceOf(text, checker.targetStart);
}
