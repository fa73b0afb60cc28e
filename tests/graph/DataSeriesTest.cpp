// The point store: counts, shifting, and the bounded retention of curves.
#include "graph/DataSeries.h"

#include <gtest/gtest.h>
#include <limits>

TEST(DataSeries, AddPointCountsAndKeepsOrder) {
    TDataSeries s;
    EXPECT_EQ(s.AddPoint(0, 5), 1);
    EXPECT_EQ(s.AddPoint(-3, 7), 2);
    EXPECT_EQ(s.AddPoint(9, -1), 3);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{0, 5}));
    EXPECT_EQ(s.GetPoint(2), (TGraphPoint{9, -1}));
}

TEST(DataSeries, ShiftMovesXOnlyAndAppliesToEarlierPointsOnly) {
    TDataSeries s;
    s.AddPoint(0, 5);
    s.AddPoint(-3, 7);
    s.ShiftX(-1);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{-1, 5}));
    EXPECT_EQ(s.GetPoint(1), (TGraphPoint{-4, 7}));
    // A point added after the shift is taken as given.
    s.AddPoint(0, 9);
    EXPECT_EQ(s.GetPoint(2), (TGraphPoint{0, 9}));
    s.ShiftX(10);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{9, 5}));
    EXPECT_EQ(s.GetPoint(2), (TGraphPoint{10, 9}));
}

TEST(DataSeries, ClearPointsForgetsPointsAndShift) {
    TDataSeries s;
    s.AddPoint(1, 1);
    s.ShiftX(-50);
    s.ClearPoints();
    EXPECT_EQ(s.Count(), 0);
    s.AddPoint(2, 3);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{2, 3}));
}

TEST(DataSeries, UnboundedStoreKeepsEverything) {
    TDataSeries s;
    for (int i = 0; i < 5000; ++i) s.AddPoint(i, i);
    EXPECT_EQ(s.Count(), 5000);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{0, 0}));
}

TEST(DataSeries, RetentionKeepsTheNewestPoints) {
    TDataSeries s(3000);
    for (int i = 0; i < 3500; ++i) {
        s.ShiftX(-1);
        s.AddPoint(0, i);
    }
    ASSERT_EQ(s.Count(), 3000);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{-2999, 500}));
    EXPECT_EQ(s.GetPoint(2999), (TGraphPoint{0, 3499}));
}

TEST(DataSeries, LongShiftsKeepExactPositions) {
    // Seven days of 100 ms ticks shift the oldest kept points far left; the
    // kept window still reads back exactly.
    TDataSeries s(3000);
    s.AddPoint(0, 1);
    s.ShiftX(-6'048'000);
    s.AddPoint(0, 2);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{-6'048'000, 1}));
    EXPECT_EQ(s.GetPoint(1), (TGraphPoint{0, 2}));
    // Beyond 32 bits the stored position is exact and the 32-bit view is held.
    s.ShiftX(std::numeric_limits<int>::min());
    s.ShiftX(std::numeric_limits<int>::min());
    EXPECT_EQ(s.GetX64(1), 2LL * std::numeric_limits<int>::min());
    EXPECT_EQ(s.GetPoint(1).X, std::numeric_limits<int>::min());
}
