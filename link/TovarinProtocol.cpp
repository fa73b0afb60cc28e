#include "link/TovarinProtocol.h"

#include <cstdio>

int RoundToHalfStep(int v) {
    // Integer division and remainder truncate toward zero, as the original
    // arithmetic did; q and r keep the sign of v.
    const int q = v / 10;
    const int r = v % 10;
    if (r >= 0) {
        if (r <= 2) return q * 10;
        if (r <= 7) return q * 10 + 5;
        return (q + 1) * 10;
    }
    if (r >= -2) return q * 10;
    if (r >= -7) return q * 10 - 5;
    return (q - 1) * 10;
}

std::string FormatAttValue(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.3d", value);
    return buf;
}

std::string FormatAttCommand(std::string_view channel, int value) {
    std::string s = "ATT ";
    s += channel;
    s += ' ';
    s += FormatAttValue(value);
    return s;
}
