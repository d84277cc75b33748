#pragma once
// Whole-file reads and replacements of the service table file.

#include <cstddef>

// Reads up to size bytes of the file into buffer. Returns 1 exactly when size bytes were read;
// after a short read the bytes read have replaced the start of the buffer.
// The file is opened so that a concurrent WriteTableFile can replace it meanwhile.
int ReadTableFile(const char* path, void* buffer, size_t size);

// Reads the size bytes at offset of a table file that must hold at least fileSize bytes, as a
// whole-file read would need, into buffer. One opened handle serves the size check and the read,
// so the bytes come from one version of the file: writers replace it whole, never in place.
// Returns 1 on success; 0 when the file is missing, shorter than fileSize or cannot be read, and
// then the buffer's content is undefined.
int ReadTableFileRange(const char* path, size_t fileSize, size_t offset, void* buffer,
                       size_t size);

// Writes size bytes to a new file in the same folder and then replaces the file at path in one
// step, so a reader or a crash never sees a partly written table. Retries briefly while another
// process holds the file open. Returns 1 on success; on failure the previous file is left whole.
// Holds the table lock throughout (0 when it cannot be had), and first deletes the temporary
// files ("rvt*.tmp") that an earlier writer, killed in mid-save, left in the folder.
int WriteTableFile(const char* path, const void* data, size_t size);
