#pragma once
// Move-only owners for Win32 and C runtime handles: each handle is closed by exactly one owner.

#include <windows.h>
#include <cstdio>

template <class T, class Traits>
class CHandleT {
public:
    explicit CHandleT(T h = Traits::Invalid()) : h_(h) {}
    ~CHandleT() { Reset(); }
    CHandleT(const CHandleT&) = delete;
    CHandleT& operator=(const CHandleT&) = delete;
    CHandleT(CHandleT&& other) noexcept : h_(other.Release()) {}
    CHandleT& operator=(CHandleT&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    T Get() const { return h_; }
    bool IsValid() const { return h_ != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // Gives up ownership without closing.
    T Release()
    {
        T h = h_;
        h_ = Traits::Invalid();
        return h;
    }

    void Reset(T h = Traits::Invalid())
    {
        if (h_ != Traits::Invalid())
            Traits::Close(h_);
        h_ = h;
    }

private:
    T h_;
};

// Kernel objects whose "no handle" value is NULL: processes, threads, events.
struct KernelHandleTraits {
    static HANDLE Invalid() { return NULL; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};

// Files from CreateFile, whose "no handle" value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};

struct RegKeyTraits {
    static HKEY Invalid() { return NULL; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};

struct ScHandleTraits {
    static SC_HANDLE Invalid() { return NULL; }
    static void Close(SC_HANDLE h) { ::CloseServiceHandle(h); }
};

struct StdioFileTraits {
    static FILE* Invalid() { return NULL; }
    static void Close(FILE* f) { std::fclose(f); }
};

using CHandle = CHandleT<HANDLE, KernelHandleTraits>;
using CFileHandle = CHandleT<HANDLE, FileHandleTraits>;
using CRegKey = CHandleT<HKEY, RegKeyTraits>;
using CScHandle = CHandleT<SC_HANDLE, ScHandleTraits>;
using CStdioFile = CHandleT<FILE*, StdioFileTraits>;
