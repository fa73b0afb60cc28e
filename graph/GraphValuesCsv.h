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

// The table for x from xMin to xMax (tenths of a second, 0 = now):
// "Time (s)" in seconds, then curves[i] as "Gain <i+1> (dB)" (Y in tenths of
// a decibel). A curve may be null: its column stays empty. Rows in which no
// curve has a value are left out. Lines end with CR LF.
std::string GraphValuesCsv(const std::vector<const TDataSeries*>& curves, int xMin, int xMax);
