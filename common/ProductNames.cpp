#include "ProductNames.h"

#include "BoundedText.h"

bool MakeLogFilePath(char* path, size_t size, const char* dataPath, const char* slotText)
{
    return FormatText(path, size, "%s\\%s.log", dataPath, slotText);
}

bool MakeLogFilePath(char* path, size_t size, const char* dataPath, int slot)
{
    char slotText[16];
    return slot >= 0 && slot <= 99 && FormatText(slotText, sizeof(slotText), "%02d", slot) &&
           MakeLogFilePath(path, size, dataPath, slotText);
}

bool MakePropertiesFilePath(char* path, size_t size, const char* dataPath)
{
    return FormatText(path, size, "%s\\%s", dataPath, kPropertiesFileName);
}
