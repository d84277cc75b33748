#pragma once
// What the service host starts: the program named by the Application text, its command line
// (the quoted program path, a blank, the AppParameters text) and its working folder (the
// program's own folder). Pure text work, no system calls.

#include <windows.h>
#include <cstddef>

const size_t kCommandLineSize = 4096;

class CApplicationCommand {
public:
    // application: a program path, quoted or not, optionally followed (after the closing quote)
    // by words of its own, which go before appParameters. A relative path is taken relative to
    // baseFolder, the service host's own folder. Returns ERROR_SUCCESS or the reason for refusal:
    // ERROR_BAD_PATHNAME (empty path, unclosed quote), ERROR_FILENAME_EXCED_RANGE (path too
    // long), ERROR_INSUFFICIENT_BUFFER (command line too long).
    DWORD Compose(const char* application, const char* appParameters, const char* baseFolder);

    const char* ProgramPath() const { return programPath_; }
    // Writable, as CreateProcessA wants it.
    char* CommandLine() { return commandLine_; }
    const char* CommandLine() const { return commandLine_; }
    // Empty when the program path names no folder.
    const char* WorkFolder() const { return workFolder_; }

private:
    char programPath_[MAX_PATH] = "";
    char commandLine_[kCommandLineSize] = "";
    char workFolder_[MAX_PATH] = "";
};

// The folder part of a path: "C:\a\b.exe" gives "C:\a", "C:\b.exe" gives "C:\". Returns false
// (and an empty folder) when the path has no folder part.
bool FolderOfPath(const char* path, char* folder, size_t size);
// True for "C:\...", "C:/...", "\\server\..." and "\..."; false for ".\x", "x" and "C:x".
bool IsAbsolutePath(const char* path);
