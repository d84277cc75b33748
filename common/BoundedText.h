#pragma once
// Bounded string helpers: every copy and format states its buffer size and reports whether it fit.

#include <cstdarg>
#include <cstddef>

// Copies src into dst (size bytes, always terminated). Returns false when src was cut.
bool CopyText(char* dst, size_t size, const char* src);

// snprintf into dst (always terminated). Returns false when the result was cut or formatting failed.
bool FormatText(char* dst, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool FormatTextV(char* dst, size_t size, const char* format, va_list args);

// Length of a text field that may lack its terminator: never reads past fieldSize bytes.
size_t FieldLength(const char* field, size_t fieldSize);

// Copies a text field that may lack its terminator into dst, stopping at the field's end.
// Returns false when dst was too small for the field's text.
bool CopyField(char* dst, size_t size, const char* field, size_t fieldSize);

template <size_t N, size_t M>
bool CopyField(char (&dst)[N], const char (&field)[M])
{
    return CopyField(dst, N, field, M);
}

template <size_t N>
bool CopyText(char (&dst)[N], const char* src)
{
    return CopyText(dst, N, src);
}

// True when a text field (which may lack its terminator) holds exactly text, byte for byte.
bool FieldEquals(const char* field, size_t fieldSize, const char* text);

template <size_t M>
bool FieldEquals(const char (&field)[M], const char* text)
{
    return FieldEquals(field, M, text);
}
