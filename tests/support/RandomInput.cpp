#include "RandomInput.h"

#include <cstdio>

std::string Printable(const std::string& bytes)
{
    std::string shown;
    for (unsigned char c : bytes.substr(0, 120)) {
        char hex[8];
        if (c >= 0x20 && c < 0x7F)
            shown += static_cast<char>(c);
        else {
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            shown += hex;
        }
    }
    return shown + (bytes.size() > 120 ? "..." : "") + " (" + std::to_string(bytes.size()) +
           " bytes)";
}
