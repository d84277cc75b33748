#include "Json.h"

#include "JsonChecker.h"

#include <windows.h>
#include <new>

namespace {

std::wstring Utf16Of(UINT codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                       NULL, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                              length);
    return wide;
}

std::string Utf8OfUtf16(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       NULL, 0, NULL, NULL);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                              length, NULL, NULL);
    return text;
}

// UTF-16LE with its mark (PowerShell's Out-File) as UTF-8; a UTF-8 mark is dropped.
bool Utf8Document(const std::string& bytes, std::string& text, std::string& error)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) {
            error = "the UTF-16 text has an odd number of bytes";
            return false;
        }
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        text = Utf8OfUtf16(wide);
        if (text.empty() && !wide.empty()) {
            error = "the UTF-16 text is broken";
            return false;
        }
        return true;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = bytes.substr(3);
    else
        text = bytes;
    return true;
}

} // namespace

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

std::wstring Utf16OfUtf8(const std::string& text)
{
    return Utf16Of(CP_UTF8, text);
}

Json JsonOfAnsi(const std::string& ansiText)
{
    return Json(Utf8OfUtf16(Utf16Of(CP_ACP, ansiText)));
}

std::string AnsiOfJson(const Json& text)
{
    std::string ansi;
    if (text.is_string())
        AnsiOfUtf16(Utf16OfUtf8(text.get_ref<const std::string&>()), ansi);
    return ansi;
}

std::string JsonText(const Json& document)
{
    // Every text was made from ANSI by JsonOfAnsi, so none is invalid UTF-8; "replace" only
    // keeps the library from throwing if one ever were.
    return document.dump(2, ' ', true, Json::error_handler_t::replace) + "\n";
}

bool ParseJson(const std::string& bytes, Json& value, std::string& error)
{
    value = Json();
    if (bytes.size() > kJsonMaxInput) {
        error = "the file is larger than 1 MB";
        return false;
    }
    try {
        std::string text;
        if (!Utf8Document(bytes, text, error))
            return false;
        // The rules first, with the place of a fault; then the value itself, which the library
        // reads without objection once the checker has passed it.
        if (!CheckJson(text, error))
            return false;
        value = Json::parse(text, nullptr, false);
        if (value.is_discarded()) {
            error = "the document could not be read";
            value = Json();
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        error = "not enough memory to read the document";
    } catch (const std::exception& fault) {
        error = fault.what();
    }
    value = Json();
    return false;
}

std::string JsonPlace(const std::string& bytes, std::vector<std::string> path)
{
    std::string text;
    std::string error;
    try {
        if (!Utf8Document(bytes, text, error))
            return std::string();
        for (;;) {
            std::string place = JsonValuePlace(text, path);
            if (!place.empty() || path.empty())
                return place;
            path.pop_back();
        }
    } catch (const std::exception&) {
        return std::string();
    }
}
