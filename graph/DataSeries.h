#pragma once
// The point store of a graph curve, without any drawing.

#include <cstdint>
#include <deque>

struct TGraphPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TGraphPoint&) const = default;
};

// Ordered store of integer points. X is kept as a stored value plus one
// offset shared by the whole series, so that shifting every point costs the
// same whatever the number of points. A store created with a retention
// limit keeps only its newest `retain` points: older ones are released as
// new ones arrive.
class TDataSeries {
public:
    explicit TDataSeries(int retain = 0);
    virtual ~TDataSeries() = default;
    TDataSeries(const TDataSeries&) = delete;
    TDataSeries& operator=(const TDataSeries&) = delete;

    // Appends (x, y), sends Changed and returns the number of points held.
    int AddPoint(int x, int y);
    int Count() const { return static_cast<int>(points_.size()); }
    // Point index (0 = oldest held); index must be below Count(). X values
    // beyond the 32-bit range read back held at its bounds.
    TGraphPoint GetPoint(int index) const;
    // X of point index with the full range of the shift offset.
    std::int64_t GetX64(int index) const { return points_[static_cast<std::size_t>(index)].X + offset_; }
    // Adds dx to the X of every point: no notification.
    void ShiftX(int dx) { offset_ += dx; }
    void ClearPoints();
    int Retain() const { return retain_; }

protected:
    virtual void Changed() {}

private:
    struct TStored {
        std::int64_t X;
        int Y;
    };
    std::deque<TStored> points_;
    std::int64_t offset_ = 0;
    int retain_ = 0;
};
