#include "RemoteBuffer.h"

#include <vector>

CRemoteBuffer::CRemoteBuffer(HANDLE process, size_t size)
    : process_(process),
      address_(::VirtualAllocEx(process, NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
      size_(size)
{
}

CRemoteBuffer::~CRemoteBuffer()
{
    if (address_ != nullptr)
        ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool CRemoteBuffer::Write(const void* data, size_t size, size_t offset)
{
    SIZE_T written = 0;
    return address_ != nullptr && offset + size <= size_ &&
           ::WriteProcessMemory(process_, Address(offset), data, size, &written) &&
           written == size;
}

bool CRemoteBuffer::Read(void* data, size_t size, size_t offset) const
{
    SIZE_T read = 0;
    return address_ != nullptr && offset + size <= size_ &&
           ::ReadProcessMemory(process_, Address(offset), data, size, &read) && read == size;
}

std::string CRemoteBuffer::ReadText(size_t offset) const
{
    if (offset >= size_)
        return std::string();
    std::vector<char> text(size_ - offset);
    if (!Read(text.data(), text.size(), offset))
        return "<unreadable>";
    size_t length = 0;
    while (length < text.size() && text[length] != '\0')
        ++length;
    return std::string(text.data(), length);
}
