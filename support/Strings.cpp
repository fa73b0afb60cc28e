#include "Strings.h"

#include <cstdio>

bool ParseDecimalInt(std::string_view text, int& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return false;
    value = static_cast<int>(v);
    return true;
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
