#include "Screenshot.h"

#include "HandleT.h"
#include "TestSupport.h"

#include <cstdio>
#include <vector>

namespace {

struct DcReleaser {
    HDC dc;
    ~DcReleaser() { ::ReleaseDC(NULL, dc); }
};

} // namespace

std::string ScreenshotDir()
{
    std::string bin = BinDir();
    std::string dir = bin.substr(0, bin.find_last_of('\\')) + "\\screenshots";
    ::CreateDirectoryA(dir.c_str(), NULL);
    return dir;
}

bool SaveWindowShot(HWND window, const std::string& path)
{
    RECT rect;
    if (!::GetWindowRect(window, &rect))
        return false;
    return SaveScreenShot(rect, path);
}

bool SaveScreenShot(const RECT& rect, const std::string& path)
{
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;

    DcReleaser screen = {::GetDC(NULL)};
    HDC memory = ::CreateCompatibleDC(screen.dc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen.dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        copied = ::BitBlt(memory, 0, 0, width, height, screen.dc, rect.left, rect.top, SRCCOPY) != 0;
        ::GdiFlush();
        ::SelectObject(memory, old);
    }
    bool saved = false;
    if (copied) {
        DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
        DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42; // "BM"
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;
        CStdioFile out(std::fopen(path.c_str(), "wb"));
        saved = out && std::fwrite(&file, sizeof(file), 1, out.Get()) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out.Get()) == 1 &&
                std::fwrite(bits, 1, imageSize, out.Get()) == imageSize;
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    if (memory)
        ::DeleteDC(memory);
    return saved;
}
