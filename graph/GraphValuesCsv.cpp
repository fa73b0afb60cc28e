#include "graph/GraphValuesCsv.h"

#include "support/TextFields.h"

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

std::optional<double> CurveValueAt(const TDataSeries& curve, std::int64_t x) { return CurveValues(curve, x, x)[0]; }

std::vector<std::optional<double>> CurveValues(const TDataSeries& curve, std::int64_t xMin, std::int64_t xMax) {
    std::vector<std::optional<double>> out;
    if (xMax < xMin) return out;
    out.resize(static_cast<std::size_t>(xMax - xMin + 1));
    const int count = curve.Count();
    if (count == 0) return out;
    const std::int64_t last = curve.GetX64(count - 1);
    int at = -1;  // the last point with X <= x, for x rising
    for (std::int64_t x = xMin; x <= xMax && x <= last; ++x) {
        while (at + 1 < count && curve.GetX64(at + 1) <= x) ++at;
        if (at < 0) continue;
        const std::int64_t x0 = curve.GetX64(at);
        const int y0 = curve.GetPoint(at).Y;
        double y = y0;
        if (x0 != x && at + 1 < count) {
            const std::int64_t x1 = curve.GetX64(at + 1);
            const int y1 = curve.GetPoint(at + 1).Y;
            if (x1 > x0)
                y = y0 + static_cast<double>(y1 - y0) * static_cast<double>(x - x0) / static_cast<double>(x1 - x0);
        }
        out[static_cast<std::size_t>(x - xMin)] = y;
    }
    return out;
}

std::string GraphValuesCsv(const std::vector<const TDataSeries*>& curves, const std::vector<std::string>& names,
                           int xMin, int xMax) {
    std::string text = "Time (s)";
    const std::size_t rows = xMax >= xMin ? static_cast<std::size_t>(xMax - xMin + 1) : 0;
    std::vector<std::vector<std::optional<double>>> values;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        const std::string name = i < names.size() ? names[i] : std::string();
        text += ',' + CsvField(std::to_string(i + 1) + (name.empty() ? "" : " " + name) + " (dB)");
        values.push_back(curves[i] ? CurveValues(*curves[i], xMin, xMax) : std::vector<std::optional<double>>(rows));
    }
    text += "\r\n";
    for (int x = xMin; x <= xMax; ++x) {
        text += Tenths(x);
        for (const auto& curve : values) {
            text += ',';
            if (const auto& y = curve[static_cast<std::size_t>(x - xMin)]) text += Tenths(*y);
        }
        text += "\r\n";
    }
    return text;
}
