#include "misc.h"

std::string TakeField(std::string& text, char separator) {
    const auto pos = text.find(separator);
    std::string field;
    if (pos == std::string::npos) {
        field.swap(text);
    } else {
        field = text.substr(0, pos);
        text.erase(0, pos + 1);
    }
    return field;
}

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
