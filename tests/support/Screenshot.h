#pragma once
// A picture of part of the screen, as the display shows it, saved as a 24-bit BMP file.

#include <windows.h>
#include <string>

// Copies the window's rectangle from the screen; false when the file cannot be written.
bool SaveWindowShot(HWND window, const std::string& path);
// The same for a rectangle of the screen.
bool SaveScreenShot(const RECT& rect, const std::string& path);
// Where the suite keeps its pictures: a "screenshots" folder beside the programs' folder.
std::string ScreenshotDir();
