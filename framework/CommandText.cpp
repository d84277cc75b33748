#include "CommandText.h"

#include "BoundedText.h"
#include "PathText.h"

#include <cstring>

bool LoadResourceText(UINT id, char* buffer, size_t size)
{
    if (size == 0)
        return false;
    buffer[0] = '\0';
    if (id == 0 || size > 0x7fffffff)
        return false;
    return ::LoadStringA(::GetModuleHandleA(NULL), id, buffer, static_cast<int>(size)) > 0;
}

bool GetCommandPrompt(UINT id, char* buffer, size_t size)
{
    if (!LoadResourceText(id, buffer, size))
        return false;
    char* newline = std::strchr(buffer, '\n');
    if (newline != nullptr)
        *newline = '\0';
    return true;
}

bool GetCommandTip(UINT id, char* buffer, size_t size)
{
    char text[512];
    if (size == 0)
        return false;
    buffer[0] = '\0';
    if (!LoadResourceText(id, text, sizeof(text)))
        return false;
    const char* newline = std::strchr(text, '\n');
    return newline != nullptr && CopyText(buffer, size, newline + 1);
}

void GetProgramName(char* buffer, size_t size)
{
    char path[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(NULL, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        path[0] = '\0';
    const char* name = FindLastSeparator(path);
    name = name != nullptr ? name + 1 : path;
    CopyText(buffer, size, name);
    char* dot = std::strrchr(buffer, '.');
    if (dot != nullptr)
        *dot = '\0';
}
