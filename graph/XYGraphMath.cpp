#include "graph/XYGraphMath.h"

#include <cmath>
#include <cstdio>

namespace xygraph {

namespace {
std::int64_t Clamp(__int128 v) {
    if (v > kPixelLimit) return kPixelLimit;
    if (v < -kPixelLimit) return -kPixelLimit;
    return static_cast<std::int64_t>(v);
}
}  // namespace

int MapValue(std::int64_t v, std::int64_t lo, std::int64_t hi, int pixLo, int pixHi) {
    if (hi == lo) return pixLo;
    // 128-bit so that no product of 64-bit values and a pixel span can wrap.
    const __int128 num = static_cast<__int128>(v - lo) * (static_cast<__int128>(pixHi) - pixLo);
    const __int128 q = num / (static_cast<__int128>(hi) - lo);  // truncates toward zero
    return static_cast<int>(Clamp(static_cast<__int128>(pixLo) + q));
}

std::vector<int> TickPositions(int lo, int hi, int step) {
    if (step < 1) step = 1;
    const int interval = (hi - lo) / step;
    std::vector<int> out;
    out.reserve(static_cast<std::size_t>(step) + 1);
    for (int i = 0; i <= step; ++i) out.push_back(lo + i * interval);
    return out;
}

std::string FormatOneDecimal(double value, const std::string& decimalSep) {
    if (!std::isfinite(value)) return "0" + decimalSep + "0";
    // Round on the decimal text of the value so that 0.05 (stored slightly
    // below) still rounds up, as a decimal formatter does.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", std::fabs(value));
    const double tenths = std::floor(std::strtod(buf, nullptr) * 10.0 + 0.5);
    if (tenths >= 1e17) {
        std::snprintf(buf, sizeof buf, "%.1f", std::fabs(value));
        std::string s = buf;
        s.replace(s.size() - 2, 1, decimalSep);
        return (value < 0 ? "-" : "") + s;
    }
    const long long t = static_cast<long long>(tenths);
    std::string s = std::to_string(t / 10) + decimalSep + std::to_string(t % 10);
    if (value < 0 && t != 0) s.insert(0, "-");
    return s;
}

double XLabelValue(int min, int max, int step, int i) {
    if (step < 1) step = 1;
    return ((static_cast<double>(max) - min) / step * i + min) / 10.0;
}

double YLabelValue(int min, int max, int step, int i) {
    if (step < 1) step = 1;
    return (max - (static_cast<double>(max) - min) / step * i) / 10.0;
}

TSizeI FitToPage(int w, int h, int pageW, int pageH) {
    if (w <= 0 || h <= 0 || pageW <= 0 || pageH <= 0) return {};
    const double imageRatio = static_cast<double>(w) / h;
    const double pageRatio = static_cast<double>(pageW) / pageH;
    // Integer products in 64 bits, rounded to nearest: (a * b + c / 2) / c.
    auto scaled = [](std::int64_t a, std::int64_t b, std::int64_t c) {
        return static_cast<int>((a * b + c / 2) / c);
    };
    if (imageRatio > pageRatio) return {pageW, scaled(h, pageW, w)};
    return {scaled(w, pageH, h), pageH};
}

}  // namespace xygraph
