#pragma once
// The application's standard handles when its output goes to files: the files opened for
// appending and shared for reading, writing and deleting, one handle when both streams name
// the same file, the NUL device as standard input. Files larger than the rotation size are
// renamed with a timestamp at launch, and the oldest renamed ones beyond the number to keep
// are deleted.

#include "HandleT.h"

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ServiceOptions;

// name.ext becomes name.YYYYMMDD-HHMMSS.ext (name.YYYYMMDD-HHMMSS without an extension); the
// stamp is the given local time.
std::string RotatedName(const std::string& path, const SYSTEMTIME& time);

// The rotated files of path in its folder (full paths), oldest first.
std::vector<std::string> RotatedFiles(const std::string& path);

// Rotates path when it is larger than maxBytes (0: never), then deletes the oldest rotated
// files beyond keep. Returns false, with a message, when the file was too large but could not
// be renamed (it is then appended to); deletions that fail are left for the next launch.
bool RotateOutputFile(const std::string& path, uint64_t maxBytes, uint32_t keep,
                      const SYSTEMTIME& now, std::string* message);

// A path of the options taken against the application's working folder when it is relative.
std::string OutputPathFor(const char* path, const char* workDir);

class COutputHandles {
public:
    // Rotates and opens the files that the options name. Each problem (a file that cannot be
    // rotated or opened) adds a message and never stops the launch: a file that cannot be
    // opened is replaced by the NUL device. False when no stream is redirected.
    bool Open(const ServiceOptions& options, const char* workDir,
              std::vector<std::string>* messages);

    HANDLE Input() const { return input_.Get(); }
    HANDLE Output() const { return output_.Get(); }
    HANDLE Error() const { return error_.IsValid() ? error_.Get() : output_.Get(); }
    // The distinct handles the application inherits, and their number (at most 3).
    size_t Inherited(HANDLE (&handles)[3]) const;

private:
    CFileHandle input_;
    CFileHandle output_;
    CFileHandle error_; // invalid when standard error shares the output's handle
};
