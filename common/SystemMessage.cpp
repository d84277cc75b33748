#include "SystemMessage.h"

#include "BoundedText.h"

#include <cstring>

void FormatSystemError(DWORD error, char* buffer, size_t size)
{
    char text[256] = "";
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    NULL, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                    sizeof(text), NULL);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                          text[length - 1] == ' ' || text[length - 1] == '.'))
        text[--length] = '\0';
    if (length == 0)
        FormatText(buffer, size, "error %lu", error);
    else
        FormatText(buffer, size, "%s (error %lu)", text, error);
}
