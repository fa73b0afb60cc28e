#include "support/TextFields.h"

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

std::string CsvField(const std::string& text) {
    const bool quote = text.find_first_of(",;\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}
