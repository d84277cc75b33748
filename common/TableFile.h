#pragma once
// Whole-file reads and replacements of the service table file.

#include <cstddef>

// Reads up to size bytes of the file into buffer. Returns 1 exactly when size bytes were read;
// after a short read the bytes read have replaced the start of the buffer.
// The file is opened so that a concurrent WriteTableFile can replace it meanwhile.
int ReadTableFile(const char* path, void* buffer, size_t size);

// Writes size bytes to a new file in the same folder and then replaces the file at path in one
// step, so a reader or a crash never sees a partly written table. Retries briefly while another
// process holds the file open. Returns 1 on success; on failure the previous file is left whole.
// Holds the table lock throughout (0 when it cannot be had), and first deletes the temporary
// files ("rvt*.tmp") that an earlier writer, killed in mid-save, left in the folder.
int WriteTableFile(const char* path, const void* data, size_t size);
