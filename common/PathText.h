#pragma once
// Walking 8-bit texts character by character in an ANSI code page. In a double-byte code page
// (Japanese 932, Chinese 936, ...) the trail byte of a character can be 0x5C, the backslash, so
// a path must never be cut at a byte that merely looks like one.

#include <windows.h>
#include <cstddef>

// The character after the one at text: two bytes for a lead byte followed by a trail byte, else
// one. At the terminator, text itself.
const char* NextChar(const char* text, UINT codePage = CP_ACP);

// The last character of path that is a backslash (or, with alsoSlash, a slash); NULL if none.
const char* FindLastSeparator(const char* path, bool alsoSlash = false, UINT codePage = CP_ACP);

// True when the last character of text is a backslash (or, with alsoSlash, a slash).
bool EndsWithSeparator(const char* text, bool alsoSlash = false, UINT codePage = CP_ACP);

// The length in bytes of the longest start of text that has at most maxBytes bytes and does not
// end inside a character.
size_t WholeCharsLength(const char* text, size_t maxBytes, UINT codePage = CP_ACP);
