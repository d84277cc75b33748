#include "BoundedText.h"

#include <cstdio>
#include <cstring>

bool CopyText(char* dst, size_t size, const char* src)
{
    if (size == 0)
        return false;
    size_t length = std::strlen(src);
    bool fits = length < size;
    if (!fits)
        length = size - 1;
    std::memcpy(dst, src, length);
    dst[length] = '\0';
    return fits;
}

bool FormatTextV(char* dst, size_t size, const char* format, va_list args)
{
    if (size == 0)
        return false;
    int written = std::vsnprintf(dst, size, format, args);
    if (written < 0) {
        dst[0] = '\0';
        return false;
    }
    dst[size - 1] = '\0';
    return static_cast<size_t>(written) < size;
}

bool FormatText(char* dst, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool fits = FormatTextV(dst, size, format, args);
    va_end(args);
    return fits;
}

size_t FieldLength(const char* field, size_t fieldSize)
{
    const void* end = std::memchr(field, '\0', fieldSize);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - field) : fieldSize;
}

bool CopyField(char* dst, size_t size, const char* field, size_t fieldSize)
{
    if (size == 0)
        return false;
    size_t length = FieldLength(field, fieldSize);
    bool fits = length < size;
    if (!fits)
        length = size - 1;
    std::memcpy(dst, field, length);
    dst[length] = '\0';
    return fits;
}

bool FieldEquals(const char* field, size_t fieldSize, const char* text)
{
    size_t length = FieldLength(field, fieldSize);
    return std::strlen(text) == length && std::memcmp(field, text, length) == 0;
}
