#include "graph/GraphValuesCsv.h"

#include <cstdio>

namespace {

// Tenths as a decimal number: one decimal, two where a sloping segment
// falls between tenths ("-45.0", "-12.35").
std::string Tenths(double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", v / 10.0);
    std::string s = text;
    if (s.size() > 1 && s.back() == '0') s.pop_back();
    if (s == "-0.0") s = "0.0";
    return s;
}

}  // namespace

std::optional<double> CurveValueAt(const TDataSeries& curve, std::int64_t x) {
    const int count = curve.Count();
    int at = -1;  // the last point with X <= x
    for (int i = 0; i < count; ++i)
        if (curve.GetX64(i) <= x) at = i;
    if (at < 0 || count == 0 || x > curve.GetX64(count - 1)) return std::nullopt;
    const std::int64_t x0 = curve.GetX64(at);
    const int y0 = curve.GetPoint(at).Y;
    if (x0 == x || at + 1 >= count) return y0;
    const std::int64_t x1 = curve.GetX64(at + 1);
    const int y1 = curve.GetPoint(at + 1).Y;
    if (x1 <= x0) return y0;
    return y0 + static_cast<double>(y1 - y0) * static_cast<double>(x - x0) / static_cast<double>(x1 - x0);
}

std::string GraphValuesCsv(const std::vector<const TDataSeries*>& curves, int xMin, int xMax) {
    std::string text = "Time (s)";
    for (std::size_t i = 0; i < curves.size(); ++i) text += ",Gain " + std::to_string(i + 1) + " (dB)";
    text += "\r\n";
    for (int x = xMin; x <= xMax; ++x) {
        std::string row = Tenths(x);
        bool any = false;
        for (const TDataSeries* curve : curves) {
            row += ',';
            const std::optional<double> y = curve ? CurveValueAt(*curve, x) : std::nullopt;
            if (y) row += Tenths(*y);
            any = any || y.has_value();
        }
        if (any) text += row + "\r\n";
    }
    return text;
}
