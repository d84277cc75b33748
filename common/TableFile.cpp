#include "TableFile.h"

#include "BoundedText.h"
#include "HandleT.h"
#include "PathText.h"
#include "TableLock.h"

#include <windows.h>
#include <cstring>

namespace {

const int kReplaceAttempts = 100;
const DWORD kReplaceRetryMs = 20;
const char kTempPrefix[] = "rvt";
const char kTempPattern[] = "%s\\rvt*.tmp";

// Folder of path, or "." for a bare file name; a root folder keeps its backslash ("C:\\").
bool FolderOf(const char* path, char* folder, size_t size)
{
    const char* slash = FindLastSeparator(path);
    if (!slash)
        return CopyText(folder, size, ".");
    size_t length = static_cast<size_t>(slash - path);
    if (length == 0 || path[length - 1] == ':')
        ++length;
    if (length + 1 > size)
        return false;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return true;
}

bool WriteAll(HANDLE file, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, NULL) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool IsTransientReplaceError(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION;
}

// Deletes the temporary tables that a writer killed between writing one and putting it in place
// has left in the folder. Only called under the table lock, so no save is writing any of them.
void RemoveStaleTemporaries(const char* folder)
{
    char pattern[MAX_PATH];
    if (!FormatText(pattern, sizeof(pattern), kTempPattern, folder))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        char stale[MAX_PATH];
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            FormatText(stale, sizeof(stale), "%s\\%s", folder, found.cFileName))
            ::DeleteFileA(stale);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

// Opened so that a concurrent WriteTableFile can replace the file meanwhile.
HANDLE OpenForReading(const char* path)
{
    return ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

// Reads from the file's current position until size bytes are in or the file ends; the count.
size_t ReadUpTo(HANDLE file, void* buffer, size_t size)
{
    char* bytes = static_cast<char*>(buffer);
    size_t total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!::ReadFile(file, bytes + total, static_cast<DWORD>(size - total), &got, NULL) ||
            got == 0)
            break;
        total += got;
    }
    return total;
}

} // namespace

int ReadTableFile(const char* path, void* buffer, size_t size)
{
    CFileHandle file(OpenForReading(path));
    return file && ReadUpTo(file.Get(), buffer, size) == size ? 1 : 0;
}

int ReadTableFileRange(const char* path, size_t fileSize, size_t offset, void* buffer,
                       size_t size)
{
    if (offset > fileSize || size > fileSize - offset)
        return 0;
    CFileHandle file(OpenForReading(path));
    if (!file)
        return 0;
    LARGE_INTEGER length;
    if (!::GetFileSizeEx(file.Get(), &length) ||
        static_cast<unsigned long long>(length.QuadPart) < fileSize)
        return 0;
    // A seek and plain reads: under Wine a read that carries its offset in an OVERLAPPED costs
    // one more round trip to the server than this.
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file.Get(), position, NULL, FILE_BEGIN))
        return 0;
    return ReadUpTo(file.Get(), buffer, size) == size ? 1 : 0;
}

int WriteTableFile(const char* path, const void* data, size_t size)
{
    char folder[MAX_PATH];
    if (!FolderOf(path, folder, sizeof(folder)))
        return 0;
    CTableLock lock;
    if (!lock.IsHeld())
        return 0;
    RemoveStaleTemporaries(folder);
    char tempPath[MAX_PATH];
    if (!::GetTempFileNameA(folder, kTempPrefix, 0, tempPath))
        return 0;

    bool written;
    {
        CFileHandle temp(::CreateFileA(tempPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, NULL));
        written = temp && WriteAll(temp.Get(), data, size) && ::FlushFileBuffers(temp.Get());
    }
    if (written) {
        for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
            if (::MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return 1;
            if (!IsTransientReplaceError(::GetLastError()))
                break;
            ::Sleep(kReplaceRetryMs);
        }
    }
    ::DeleteFileA(tempPath);
    return 0;
}
