#include "controls/SpinNumValue.h"

#include "support/TextFields.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

int Saturate(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

bool HasDigit(std::string_view text) {
    for (char c : text)
        if (c >= '0' && c <= '9') return true;
    return false;
}

// A whole text as a 64-bit integer with an optional sign (digits only).
std::optional<long long> ParseWide(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        if (v < 1'000'000'000'000LL) v = v * 10 + (c - '0');  // saturates well past 32 bits
    }
    return negative ? -v : v;
}

}  // namespace

int SpinClamp(int v, int minValue, int maxValue) {
    if (minValue == maxValue) return v;
    if (v < minValue) return minValue;
    if (v > maxValue) return maxValue;
    return v;
}

std::optional<int> SpinParse(std::string_view text, bool decimal) {
    if (!decimal) {
        int v = 0;
        if (!ParseDecimalInt(text, v)) return std::nullopt;
        return v;
    }
    // Text without a single digit (".", "-.") is not a number, even though
    // the built string of "." would be "0".
    if (!HasDigit(text)) return std::nullopt;
    const std::size_t point = text.find('.');
    std::string built;
    if (point == std::string_view::npos) {
        built = std::string(text) + "0";
    } else if (point + 1 == text.size()) {
        built = std::string(text.substr(0, point)) + "0";
    } else {
        built = std::string(text.substr(0, point));
        built += text[point + 1];
    }
    const auto v = ParseWide(built);
    if (!v) return std::nullopt;
    return Saturate(*v);
}

int SpinValueOf(std::string_view text, bool decimal, int minValue) {
    const auto v = SpinParse(text, decimal);
    return v ? *v : minValue;
}

std::string SpinFormat(int value, bool decimal) {
    if (!decimal) return std::to_string(value);
    const long long v = value;
    const long long magnitude = std::llabs(v);
    std::string s = v < 0 ? "-" : "";
    s += std::to_string(magnitude / 10);
    s += '.';
    s += static_cast<char>('0' + magnitude % 10);
    return s;
}

int RaiseToFloor(int v, std::optional<int> floor, int maxValue) {
    if (!floor) return v;
    return std::max(v, std::min(*floor, maxValue));
}

int SpinStep(int value, long long increment) {
    // The sum itself may overflow a long long for increments near its limits.
    long long sum = 0;
    if (__builtin_add_overflow(static_cast<long long>(value), increment, &sum)) return increment > 0 ? INT_MAX : INT_MIN;
    return Saturate(sum);
}

bool SpinIsValidChar(unsigned char ch, bool decimal, bool editorEnabled) {
    bool valid = ch == '+' || ch == '-' || (ch >= '0' && ch <= '9') || (decimal && ch == '.') ||
                 (ch < 32 && ch != 13);
    if (valid && !editorEnabled && (ch >= 32 || ch == 8)) valid = false;
    return valid;
}

TSpinKeyFilter::TVerdict TSpinKeyFilter::Typed(char32_t ch, bool decimal, bool editorEnabled) {
    const bool point = ch == '.' || ch == ',';
    if (decimal && ch == ',') ch = '.';
    const bool digit = ch >= '0' && ch <= '9';
    if (ch > 255 || !SpinIsValidChar(static_cast<unsigned char>(ch), decimal, editorEnabled)) {
        if (ch <= 255 && SpinIsValidChar(static_cast<unsigned char>(ch), decimal, true))
            return {ch, TSpinRefusal::EditorDisabled};
        if (point && !decimal) {
            inFraction_ = true;
            return {ch, TSpinRefusal::NotWhole};
        }
        return {ch, TSpinRefusal::NotNumber};
    }
    if (inFraction_ && digit) return {ch, TSpinRefusal::NotWhole};
    inFraction_ = false;
    return {ch, std::nullopt};
}
