#include "graph/DataSeries.h"

#include <algorithm>
#include <limits>

TDataSeries::TDataSeries(int retain) : retain_(std::max(0, retain)) {}

int TDataSeries::AddPoint(int x, int y) {
    points_.push_back({static_cast<std::int64_t>(x) - offset_, y});
    if (retain_ > 0 && points_.size() > static_cast<std::size_t>(retain_)) points_.pop_front();
    Changed();
    return Count();
}

TGraphPoint TDataSeries::GetPoint(int index) const {
    const std::int64_t x = GetX64(index);
    constexpr std::int64_t lo = std::numeric_limits<int>::min();
    constexpr std::int64_t hi = std::numeric_limits<int>::max();
    return {static_cast<int>(std::clamp(x, lo, hi)), points_[static_cast<std::size_t>(index)].Y};
}

void TDataSeries::ClearPoints() {
    std::deque<TStored>().swap(points_);
    offset_ = 0;
}

