#pragma once
// Arithmetic of the x-y graph: value-to-pixel mapping, tick positions, axis
// label texts, the plot margins that follow an axis side, and the fitting of
// a picture onto a printed page. Plain C++ so that it is tested without a GUI.

#include <cstdint>
#include <string>
#include <vector>

namespace xygraph {

// Largest pixel distance from the origin that a mapped value may take. Values
// that map further out are held at this bound: they lie far outside any plot
// rectangle and are cut off by clipping, while the painter's fixed-point
// rasteriser stays well inside its range.
constexpr std::int64_t kPixelLimit = 4'000'000;

// A curve draws at most its newest kMaxDrawnPoints points.
constexpr int kMaxDrawnPoints = 3000;

// Pixel of value v on an axis whose value lo sits at pixel pixLo and value hi
// at pixel pixHi: pixLo + (v - lo) * (pixHi - pixLo) / (hi - lo), the product
// in 64 bits (wider when needed), division truncating toward zero, the
// result held within +-kPixelLimit. hi == lo maps everything to pixLo.
int MapValue(std::int64_t v, std::int64_t lo, std::int64_t hi, int pixLo, int pixHi);

// The Step + 1 label positions from lo towards hi: lo + i * ((hi - lo) / step),
// the interval truncated first. A step below 1 is treated as 1.
std::vector<int> TickPositions(int lo, int hi, int step);

// value formatted with the pattern "0.0": at least one integer digit, one
// decimal, rounded half away from zero, decimalSep between them, a leading
// minus for negatives ("-0.0" is written "0.0").
std::string FormatOneDecimal(double value, const std::string& decimalSep = ".");

// Text of label i of an axis (0 .. step): the value in tenths divided by 10.
// Horizontal labels run from Min (i = 0) to Max; vertical ones from Max (top,
// i = 0) down to Min.
double XLabelValue(int min, int max, int step, int i);
double YLabelValue(int min, int max, int step, int i);

// First point index drawn of a curve holding count points.
inline int FirstDrawnIndex(int count) {
    return count > kMaxDrawnPoints ? count - kMaxDrawnPoints : 0;
}

struct TSizeI {
    int Width = 0;
    int Height = 0;
    bool operator==(const TSizeI&) const = default;
};

// Size of an image of w x h pixels stretched onto a page of pageW x pageH
// device pixels: as large as the page allows with the aspect ratio kept,
// products in 64 bits, rounded to nearest. Zero sizes give {0, 0}.
TSizeI FitToPage(int w, int h, int pageW, int pageH);

}  // namespace xygraph
