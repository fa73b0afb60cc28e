#pragma once
// Small text operations shared by the link, the front panel, the sequencer and
// the graph.

#include <string>
#include <string_view>

// True when text begins with prefix (case-sensitive, as the protocol is).
inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Characters [first, first + count) of text, counted from 0; shorter (or
// empty) when text ends earlier. Never reads past the end.
inline std::string SubText(std::string_view text, std::size_t first, std::size_t count) {
    if (first >= text.size()) return {};
    return std::string(text.substr(first, count));
}

// Splits text at the first separator: returns the part before it and removes
// that part and the separator from text. Without a separator the whole text
// is the field and text becomes empty.
std::string TakeField(std::string& text, char separator);

// Reads a whole text as a decimal integer: an optional sign followed by one
// or more digits, nothing else. Returns false (value untouched) for anything
// else, including values outside 32 bits.
bool ParseDecimalInt(std::string_view text, int& value);

// A CSV field: quoted (inner quotes doubled) when it holds a separator, a
// quote, a line break or leading/trailing blanks.
std::string CsvField(const std::string& text);
