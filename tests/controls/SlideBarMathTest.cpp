#include "controls/SlideBarMath.h"

#include <climits>
#include <gtest/gtest.h>

TEST(SlideBarMath, RoundsHalvesToEven) {
    EXPECT_EQ(SlideRound(2.5), 2);
    EXPECT_EQ(SlideRound(3.5), 4);
    EXPECT_EQ(SlideRound(-2.5), -2);
    EXPECT_EQ(SlideRound(2.4999), 2);
    EXPECT_EQ(SlideRound(2.5001), 3);
    EXPECT_EQ(SlideRound(-0.6), -1);
}

TEST(SlideBarMath, ThumbPlacement) {
    // A 73-wide bar with the 5-wide bar thumb over 0..1100.
    EXPECT_EQ(SlideThumbLeft(0, 0, 1100, 73, 5), 0);
    EXPECT_EQ(SlideThumbLeft(550, 0, 1100, 73, 5), 34);
    EXPECT_EQ(SlideThumbLeft(1100, 0, 1100, 73, 5), 68);
    // 1 * 68 / 8 = 8.5 rounds to 8, 3 * 68 / 8 = 25.5 rounds to 26.
    EXPECT_EQ(SlideThumbLeft(1, 0, 8, 73, 5), 8);
    EXPECT_EQ(SlideThumbLeft(3, 0, 8, 73, 5), 26);
    // Positions outside the range stay on the bar.
    EXPECT_EQ(SlideThumbLeft(5000, 0, 1100, 73, 5), 68);
    EXPECT_EQ(SlideThumbLeft(-10, 0, 1100, 73, 5), 0);
    // An empty range does not divide by zero.
    EXPECT_EQ(SlideThumbLeft(3, 3, 3, 73, 5), 0);
    EXPECT_EQ(SlideThumbLeft(INT_MAX, INT_MIN, INT_MAX, 73, 5), 68);
}

TEST(SlideBarMath, DragThumbFollowsTheMouseWithinTheBar) {
    EXPECT_EQ(SlideDragThumbLeft(30, 2, 73, 5), 28);
    EXPECT_EQ(SlideDragThumbLeft(0, 2, 73, 5), 0);
    EXPECT_EQ(SlideDragThumbLeft(500, 2, 73, 5), 68);
}

TEST(SlideBarMath, PositionFromMouseUsesWidthLessHalfThumb) {
    // Divisor 73 - 2 = 71.
    EXPECT_EQ(SlidePositionFromX(0, 0, 1100, 73, 2), 0);
    EXPECT_EQ(SlidePositionFromX(71, 0, 1100, 73, 2), 1100);
    EXPECT_EQ(SlidePositionFromX(35, 0, 1100, 73, 2), 542);  // 35 / 71 * 1100 = 542.25
    EXPECT_EQ(SlidePositionFromX(72, 0, 1100, 73, 2), 1100);  // past the end: Max
    EXPECT_EQ(SlidePositionFromX(-20, 0, 1100, 73, 2), 0);
    EXPECT_EQ(SlidePositionFromX(50, 1, 10, 100, 4), 6);      // 50 / 96 * 9 + 1 = 5.69
    EXPECT_EQ(SlidePositionFromX(10, 5, 5, 73, 2), 5);
    EXPECT_EQ(SlidePositionFromX(10, 0, 10, 2, 2), 0);        // no width to map
}

TEST(SlideBarMath, ReleaseMovesOneStepTowardsAClick) {
    // Thumb at 34 (centre 36) for position 550.
    EXPECT_EQ(SlideReleasePosition(false, 60, 550, 34, 0, 1100, 73, 2), 551);
    EXPECT_EQ(SlideReleasePosition(false, 3, 550, 34, 0, 1100, 73, 2), 549);
    EXPECT_EQ(SlideReleasePosition(false, 36, 550, 34, 0, 1100, 73, 2), 550);
    EXPECT_EQ(SlideReleasePosition(false, 70, 1100, 68, 0, 1100, 73, 2), 1100);
    EXPECT_EQ(SlideReleasePosition(false, 0, 0, 0, 0, 1100, 73, 2), 0);
    // A drag lands on the mouse position.
    EXPECT_EQ(SlideReleasePosition(true, 71, 10, 0, 0, 1100, 73, 2), 1100);
    EXPECT_EQ(SlideReleasePosition(true, 0, 900, 55, 0, 1100, 73, 2), 0);
}

TEST(SlideBarMath, Keys) {
    EXPECT_EQ(SlidePageStep(0, 1100), 110);
    EXPECT_EQ(SlidePageStep(1, 10), 1);
    EXPECT_EQ(SlidePageStep(0, 5), 1);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageDown, 1095, 0, 1100), 1100);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageDown, 1100, 0, 1100), 1100);  // still a write
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageUp, 50, 0, 1100), 0);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageUp, 500, 0, 1100), 390);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Home, 500, 0, 1100), 0);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::End, 500, 0, 1100), 1100);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Right, 500, 0, 1100), 501);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Up, 500, 0, 1100), 501);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Left, 500, 0, 1100), 499);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Down, 500, 0, 1100), 499);
    EXPECT_FALSE(SlideKeyPosition(TSlideKey::Up, 1100, 0, 1100).has_value());
    EXPECT_FALSE(SlideKeyPosition(TSlideKey::Right, 1100, 0, 1100).has_value());
    EXPECT_FALSE(SlideKeyPosition(TSlideKey::Down, 0, 0, 1100).has_value());
    EXPECT_FALSE(SlideKeyPosition(TSlideKey::Left, 0, 0, 1100).has_value());
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageDown, INT_MAX - 1, INT_MIN, INT_MAX), INT_MAX);
}

TEST(SlideBarMath, SteppedBarLandsOnMultiplesOfItsStep) {
    // A tenths attenuator of maximum 93.7 dB on a 73-wide bar, step 5.
    EXPECT_EQ(SlidePositionFromX(35, 0, 937, 73, 2, 5), 460);  // 461.9 to the nearest multiple
    EXPECT_EQ(SlidePositionFromX(72, 0, 937, 73, 2, 5), 935);  // the highest multiple
    EXPECT_EQ(SlideReleasePosition(false, 60, 573, 34, 0, 937, 73, 2, 5), 575);  // between two multiples
    EXPECT_EQ(SlideReleasePosition(false, 3, 573, 34, 0, 937, 73, 2, 5), 570);
    EXPECT_EQ(SlideReleasePosition(false, 60, 575, 34, 0, 937, 73, 2, 5), 580);
    EXPECT_EQ(SlideReleasePosition(false, 0, 0, 0, 0, 937, 73, 2, 5), 0);
    EXPECT_EQ(SlideReleasePosition(true, 35, 0, 0, 0, 937, 73, 2, 5), 460);
    // Page keys move by the tenth of the range down to a multiple, 90.
    EXPECT_EQ(SlidePageStep(0, 937, 5), 90);
    EXPECT_EQ(SlidePageStep(0, 20, 5), 5);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageDown, 5, 0, 937, 5), 95);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageUp, 573, 0, 937, 5), 485);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::PageDown, 900, 0, 937, 5), 935);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::End, 0, 0, 937, 5), 935);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Home, 500, 3, 937, 5), 5);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Right, 0, 0, 937, 5), 5);
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Left, 573, 0, 937, 5), 570);
    EXPECT_FALSE(SlideKeyPosition(TSlideKey::Up, 935, 0, 937, 5).has_value());
    EXPECT_FALSE(SlideKeyPosition(TSlideKey::Down, 0, 0, 937, 5).has_value());
    // No multiple in the range: the bar moves as with step 1.
    EXPECT_EQ(SlideKeyPosition(TSlideKey::Right, 1, 1, 3, 5), 2);
}

TEST(SlideBarMath, GrooveAndTicks) {
    const TSlideGroove g = SlideGrooveOf(73, 15, 5, 1);
    EXPECT_EQ(g.xL, 2);
    EXPECT_EQ(g.xR, 70);
    EXPECT_EQ(g.y1, 6);
    EXPECT_EQ(g.y2, 8);
    const TSlideGroove g3 = SlideGrooveOf(100, 15, 8, 3);
    EXPECT_EQ(g3.y1, 5);
    EXPECT_EQ(g3.y2, 9);
    // Ticks of 1..10 on a 100-wide bar with an 8-wide thumb: 92 / 9 per step.
    const TSlideGroove g8 = SlideGrooveOf(100, 15, 8, 1);
    EXPECT_EQ(SlideTickX(1, 1, 10, 100, 8, g8), 4);
    EXPECT_EQ(SlideTickX(2, 1, 10, 100, 8, g8), 4 + 10);  // 10.22 truncated
    EXPECT_EQ(SlideTickX(9, 1, 10, 100, 8, g8), 4 + 81);  // 81.78 truncated
    EXPECT_EQ(SlideTickX(10, 1, 10, 100, 8, g8), g8.xR - 1);
}
