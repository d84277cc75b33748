#pragma once
// Texts from the program's string table. A command's string holds its status-bar prompt, then
// "\n", then its tooltip; either part may be missing.

#include <windows.h>
#include <cstddef>

// Loads string id into buffer; false (and an empty buffer) when there is no such string.
bool LoadResourceText(UINT id, char* buffer, size_t size);
// The part of the command's string before "\n".
bool GetCommandPrompt(UINT id, char* buffer, size_t size);
// The part of the command's string after "\n"; empty when there is none.
bool GetCommandTip(UINT id, char* buffer, size_t size);
// The running program's file name without folder and extension, e.g. "RavelinManager".
void GetProgramName(char* buffer, size_t size);
