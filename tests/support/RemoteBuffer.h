#pragma once
// Memory inside another process, for the control messages whose buffers the system does not
// carry across processes (list view items, status bar texts, toolbar buttons, header rectangles).

#include <windows.h>
#include <cstddef>
#include <string>

class CRemoteBuffer {
public:
    CRemoteBuffer(HANDLE process, size_t size);
    ~CRemoteBuffer();
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;

    bool IsValid() const { return address_ != nullptr; }
    // The buffer's address in the other process, to pass in a message.
    void* Address(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    LPARAM AsParam(size_t offset = 0) const { return reinterpret_cast<LPARAM>(Address(offset)); }
    bool Write(const void* data, size_t size, size_t offset = 0);
    bool Read(void* data, size_t size, size_t offset = 0) const;
    // A terminated text at the offset, read at most up to the end of the buffer.
    std::string ReadText(size_t offset) const;

private:
    HANDLE process_;
    void* address_;
    size_t size_;
};
