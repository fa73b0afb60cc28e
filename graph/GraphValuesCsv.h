#pragma once
// The curves of a graph as a CSV table for a spreadsheet: a time column and
// one gain column per curve, a row per tenth of a second of the time axis.

#include "graph/DataSeries.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The Y of curve at x as the graph draws it: straight lines between the
// points in their order; where several points share an x (a step), the last
// of them. Nothing outside the curve's first and last x.
std::optional<double> CurveValueAt(const TDataSeries& curve, std::int64_t x);

// The same for every x of xMin..xMax (index 0 = xMin), in one pass over the
// curve's points, which come in ascending x as the graph adds them.
std::vector<std::optional<double>> CurveValues(const TDataSeries& curve, std::int64_t xMin, std::int64_t xMax);

// The table for x from xMin to xMax (tenths of a second, 0 = now), one row
// for every x: "Time (s)" in seconds, then curves[i] headed
// "<i+1> <names[i]> (dB)" ("<i+1> (dB)" without a name), its Y in tenths of
// a decibel shown in decibels. A cell where the curve has no value (before
// its first point, or a null curve) is empty. Lines end with CR LF.
std::string GraphValuesCsv(const std::vector<const TDataSeries*>& curves, const std::vector<std::string>& names,
                           int xMin, int xMax);
