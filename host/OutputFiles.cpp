#include "OutputFiles.h"

#include "BoundedText.h"
#include "ServiceOptions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// Where the file name starts and where its extension's dot is (npos: none).
void SplitName(const std::string& path, size_t* nameStart, size_t* dot)
{
    size_t slash = path.find_last_of("\\/:");
    *nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t found = path.rfind('.');
    *dot = found != std::string::npos && found > *nameStart ? found : std::string::npos;
}

// "YYYYMMDD-HHMMSS", optionally followed by "-N" for a second rotation within one second.
bool IsStamp(const std::string& text)
{
    if (text.size() < 15 || text[8] != '-')
        return false;
    for (size_t i = 0; i < 15; ++i)
        if (i != 8 && !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    if (text.size() == 15)
        return true;
    if (text[15] != '-' || text.size() == 16)
        return false;
    for (size_t i = 16; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

bool FileSize(const std::string& path, uint64_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

HANDLE OpenInheritable(const char* path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), NULL, TRUE};
    return ::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         &inheritable, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(path.c_str(), sizeof(full), full, NULL);
    return length > 0 && length < sizeof(full) ? std::string(full, length) : path;
}

std::string ErrorText(const char* action, const std::string& path, DWORD error)
{
    char text[MAX_PATH + 160];
    FormatText(text, sizeof(text), "%s %s (error %d)", action, path.c_str(),
               static_cast<int>(error));
    return text;
}

} // namespace

std::string RotatedName(const std::string& path, const SYSTEMTIME& time)
{
    char stamp[32];
    FormatText(stamp, sizeof(stamp), ".%04u%02u%02u-%02u%02u%02u", time.wYear, time.wMonth,
               time.wDay, time.wHour, time.wMinute, time.wSecond);
    size_t nameStart, dot;
    SplitName(path, &nameStart, &dot);
    if (dot == std::string::npos)
        return path + stamp;
    return path.substr(0, dot) + stamp + path.substr(dot);
}

std::vector<std::string> RotatedFiles(const std::string& path)
{
    size_t nameStart, dot;
    SplitName(path, &nameStart, &dot);
    std::string folder = path.substr(0, nameStart);
    std::string base = path.substr(nameStart, (dot == std::string::npos ? path.size() : dot) -
                                                  nameStart);
    std::string extension = dot == std::string::npos ? std::string() : path.substr(dot);

    std::vector<std::pair<std::string, std::string>> found; // stamp, name
    WIN32_FIND_DATAA data;
    std::string pattern = folder + base + ".*" + extension;
    HANDLE search = ::FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return std::vector<std::string>();
    do {
        std::string name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            name.size() <= base.size() + 1 + extension.size() ||
            ::lstrcmpiA(name.substr(0, base.size()).c_str(), base.c_str()) != 0 ||
            name[base.size()] != '.' ||
            ::lstrcmpiA(name.substr(name.size() - extension.size()).c_str(),
                        extension.c_str()) != 0)
            continue;
        std::string stamp = name.substr(base.size() + 1,
                                        name.size() - base.size() - 1 - extension.size());
        if (IsStamp(stamp))
            found.emplace_back(stamp, folder + name);
    } while (::FindNextFileA(search, &data));
    ::FindClose(search);

    // Stamps sort by time; a "-N" of the same second comes after the plain stamp, by N.
    auto order = [](const std::string& stamp) {
        unsigned long n = stamp.size() > 16 ? std::strtoul(stamp.c_str() + 16, NULL, 10) : 0;
        return std::make_pair(stamp.substr(0, 15), n);
    };
    std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) {
        return order(a.first) < order(b.first);
    });
    std::vector<std::string> paths;
    for (const auto& entry : found)
        paths.push_back(entry.second);
    return paths;
}

bool RotateOutputFile(const std::string& path, uint64_t maxBytes, uint32_t keep,
                      const SYSTEMTIME& now, std::string* message)
{
    uint64_t size = 0;
    if (maxBytes == 0 || !FileSize(path, &size) || size <= maxBytes)
        return true;
    std::string target = RotatedName(path, now);
    for (int n = 1; n < 100 && ::GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
         ++n) {
        std::string base = RotatedName(path, now);
        size_t nameStart, dot;
        SplitName(base, &nameStart, &dot);
        std::string suffix = "-" + std::to_string(n);
        target = dot == std::string::npos ? base + suffix
                                          : base.substr(0, dot) + suffix + base.substr(dot);
    }
    if (!::MoveFileA(path.c_str(), target.c_str())) {
        *message = ErrorText("Halyard couldn't rotate the output file", path, ::GetLastError()) +
                   "; the output is appended to it.";
        return false;
    }
    std::vector<std::string> rotated = RotatedFiles(path);
    for (size_t i = 0; i + keep < rotated.size(); ++i)
        ::DeleteFileA(rotated[i].c_str());
    return true;
}

std::string OutputPathFor(const char* path, const char* workDir)
{
    std::string text = path;
    bool absolute = (text.size() >= 2 && text[1] == ':') ||
                    (!text.empty() && (text[0] == '\\' || text[0] == '/'));
    if (absolute || workDir[0] == '\0')
        return text;
    std::string folder = workDir;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder + text;
}

bool COutputHandles::Open(const ServiceOptions& options, const char* workDir,
                          std::vector<std::string>* messages)
{
    if (options.stdoutPath[0] == '\0' && options.stderrPath[0] == '\0')
        return false;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    std::string outPath =
        options.stdoutPath[0] ? FullPath(OutputPathFor(options.stdoutPath, workDir)) : "";
    std::string errPath =
        options.stderrPath[0] ? FullPath(OutputPathFor(options.stderrPath, workDir)) : "";
    bool shared = !outPath.empty() && ::lstrcmpiA(outPath.c_str(), errPath.c_str()) == 0;

    auto openOne = [&](const std::string& path) {
        std::string message;
        if (!RotateOutputFile(path, options.rotateBytes, options.rotateKeep, now, &message))
            messages->push_back(message);
        // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end of the file,
        // whoever else appends to it.
        CFileHandle file(OpenInheritable(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                         OPEN_ALWAYS));
        if (!file) {
            messages->push_back(ErrorText("Halyard couldn't open the output file", path,
                                          ::GetLastError()) +
                                "; that output is discarded.");
            file.Reset(OpenInheritable("NUL", GENERIC_WRITE, OPEN_EXISTING));
        }
        return file;
    };
    input_.Reset(OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING));
    output_ = outPath.empty() ? CFileHandle(OpenInheritable("NUL", GENERIC_WRITE, OPEN_EXISTING))
                              : openOne(outPath);
    if (!shared)
        error_ = errPath.empty()
                     ? CFileHandle(OpenInheritable("NUL", GENERIC_WRITE, OPEN_EXISTING))
                     : openOne(errPath);
    return true;
}

size_t COutputHandles::Inherited(HANDLE (&handles)[3]) const
{
    size_t count = 0;
    for (HANDLE handle : {input_.Get(), output_.Get(), error_.Get()})
        if (handle != INVALID_HANDLE_VALUE)
            handles[count++] = handle;
    return count;
}
