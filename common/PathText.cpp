#include "PathText.h"

const char* NextChar(const char* text, UINT codePage)
{
    if (*text == '\0')
        return text;
    if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(*text)) && text[1] != '\0')
        return text + 2;
    return text + 1;
}

const char* FindLastSeparator(const char* path, bool alsoSlash, UINT codePage)
{
    const char* last = nullptr;
    for (const char* c = path; *c; c = NextChar(c, codePage))
        if (*c == '\\' || (alsoSlash && *c == '/'))
            last = c;
    return last;
}

bool EndsWithSeparator(const char* text, bool alsoSlash, UINT codePage)
{
    const char* last = FindLastSeparator(text, alsoSlash, codePage);
    return last != nullptr && last[1] == '\0';
}

size_t WholeCharsLength(const char* text, size_t maxBytes, UINT codePage)
{
    const char* c = text;
    for (;;) {
        const char* next = NextChar(c, codePage);
        if (next == c || static_cast<size_t>(next - text) > maxBytes)
            return static_cast<size_t>(c - text);
        c = next;
    }
}
