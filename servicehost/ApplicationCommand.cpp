#include "ApplicationCommand.h"

#include "BoundedText.h"
#include "PathText.h"

#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The text between begin and end with the blanks at both ends removed, into dst.
bool CopyTrimmed(char* dst, size_t size, const char* begin, const char* end)
{
    while (begin < end && IsBlank(*begin))
        ++begin;
    while (end > begin && IsBlank(end[-1]))
        --end;
    size_t length = static_cast<size_t>(end - begin);
    if (length >= size)
        return false;
    std::memcpy(dst, begin, length);
    dst[length] = '\0';
    return true;
}

} // namespace

bool IsAbsolutePath(const char* path)
{
    if (IsSeparator(path[0]))
        return true;
    return path[0] != '\0' && path[1] == ':' && IsSeparator(path[2]);
}

bool FolderOfPath(const char* path, char* folder, size_t size)
{
    folder[0] = '\0';
    const char* last = FindLastSeparator(path, true);
    if (!last)
        return false;
    size_t length = static_cast<size_t>(last - path);
    // A drive's root keeps its separator: "C:\" is a folder, "C:" is not the same place.
    if (length == 2 && path[1] == ':')
        ++length;
    if (length == 0)
        length = 1;
    if (length >= size)
        return false;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return true;
}

DWORD CApplicationCommand::Compose(const char* application, const char* appParameters,
                                   const char* baseFolder)
{
    programPath_[0] = commandLine_[0] = workFolder_[0] = '\0';
    const char* text = application;
    while (IsBlank(*text))
        ++text;

    char path[MAX_PATH];
    char ownWords[kCommandLineSize];
    const char* end = text + std::strlen(text);
    if (*text == '"') {
        const char* close = std::strchr(text + 1, '"');
        if (!close)
            return ERROR_BAD_PATHNAME;
        if (!CopyTrimmed(path, sizeof(path), text + 1, close))
            return ERROR_FILENAME_EXCED_RANGE;
        if (!CopyTrimmed(ownWords, sizeof(ownWords), close + 1, end))
            return ERROR_INSUFFICIENT_BUFFER;
    } else {
        if (!CopyTrimmed(path, sizeof(path), text, end))
            return ERROR_FILENAME_EXCED_RANGE;
        ownWords[0] = '\0';
    }
    if (path[0] == '\0')
        return ERROR_BAD_PATHNAME;

    bool fits = IsAbsolutePath(path) || baseFolder[0] == '\0'
                    ? CopyText(programPath_, path)
                    : FormatText(programPath_, sizeof(programPath_), "%s%s%s", baseFolder,
                                 EndsWithSeparator(baseFolder, true) ? "" : "\\",
                                 path);
    if (!fits)
        return ERROR_FILENAME_EXCED_RANGE;
    FolderOfPath(programPath_, workFolder_, sizeof(workFolder_));

    fits = FormatText(commandLine_, sizeof(commandLine_), "\"%s\"%s%s%s%s", programPath_,
                      ownWords[0] ? " " : "", ownWords, appParameters[0] ? " " : "",
                      appParameters);
    return fits ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER;
}
