// Arithmetic of the graph and the window's text rules, without a GUI.
#include "graph/SequencerGraphLogic.h"
#include "graph/XYGraphMath.h"

#include <gtest/gtest.h>
#include <limits>

using namespace xygraph;

TEST(GraphMath, MappingPutsMinAndMaxOnTheEdges) {
    // X axis -1000..0 on 50..474; Y axis 0 at the top (10), -700 at the bottom (223).
    EXPECT_EQ(MapValue(-1000, -1000, 0, 50, 474), 50);
    EXPECT_EQ(MapValue(0, -1000, 0, 50, 474), 474);
    EXPECT_EQ(MapValue(-500, -1000, 0, 50, 474), 262);
    EXPECT_EQ(MapValue(-1, -1000, 0, 50, 474), 50 + 999 * 424 / 1000);  // truncated
    EXPECT_EQ(MapValue(0, 0, -700, 10, 223), 10);
    EXPECT_EQ(MapValue(-700, 0, -700, 10, 223), 223);
    EXPECT_EQ(MapValue(-350, 0, -700, 10, 223), 116);
    // Values outside the range map outside the rectangle.
    EXPECT_LT(MapValue(-3000, -1000, 0, 50, 474), 50);
    EXPECT_GT(MapValue(100, -1000, 0, 50, 474), 474);
}

TEST(GraphMath, MappingDoesNotWrapAndStaysDrawable) {
    // (V - Min) * width overflows 32 bits: 2e9 * 424 must not wrap.
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(MapValue(big, 0, 1'000'000, 50, 474), 50 + 910533);
    EXPECT_EQ(MapValue(std::numeric_limits<int>::min(), 0, 1'000'000, 50, 474), 50 - 910533);
    // Results beyond the drawable range are held at its bounds.
    EXPECT_EQ(MapValue(big, 0, 1, 50, 474), kPixelLimit);
    EXPECT_EQ(MapValue(std::numeric_limits<int>::min(), 0, 1, 50, 474), -kPixelLimit);
    // A product just past 32 bits that still maps inside the plot.
    EXPECT_EQ(MapValue(20'000'000, 0, 40'000'000, 0, 400), 200);
    // A degenerate axis does not divide by zero.
    EXPECT_EQ(MapValue(5, 7, 7, 50, 474), 50);
}

TEST(GraphMath, TicksUseTheTruncatedInterval) {
    EXPECT_EQ(TickPositions(50, 474, 5), (std::vector<int>{50, 134, 218, 302, 386, 470}));
    EXPECT_EQ(TickPositions(10, 223, 5), (std::vector<int>{10, 52, 94, 136, 178, 220}));
    EXPECT_EQ(TickPositions(0, 100, 1), (std::vector<int>{0, 100}));
    EXPECT_EQ(TickPositions(0, 100, 0), (std::vector<int>{0, 100}));
}

TEST(GraphMath, LabelTexts) {
    std::vector<std::string> x, y;
    for (int i = 0; i <= 5; ++i) {
        x.push_back(FormatOneDecimal(XLabelValue(-1000, 0, 5, i)));
        y.push_back(FormatOneDecimal(YLabelValue(-700, 0, 5, i)));
    }
    EXPECT_EQ(x, (std::vector<std::string>{"-100.0", "-80.0", "-60.0", "-40.0", "-20.0", "0.0"}));
    EXPECT_EQ(y, (std::vector<std::string>{"0.0", "-14.0", "-28.0", "-42.0", "-56.0", "-70.0"}));
    EXPECT_EQ(FormatOneDecimal(YLabelValue(-935, 0, 5, 5)), "-93.5");
    EXPECT_EQ(FormatOneDecimal(YLabelValue(-935, 0, 5, 1)), "-18.7");
    EXPECT_EQ(FormatOneDecimal(-100.0, ","), "-100,0");
    EXPECT_EQ(FormatOneDecimal(-93.5, ","), "-93,5");
    EXPECT_EQ(FormatOneDecimal(0.0, ","), "0,0");
}

TEST(GraphMath, LabelRounding) {
    EXPECT_EQ(FormatOneDecimal(0.05), "0.1");
    EXPECT_EQ(FormatOneDecimal(-0.05), "-0.1");
    EXPECT_EQ(FormatOneDecimal(2.25), "2.3");
    EXPECT_EQ(FormatOneDecimal(33.333333), "33.3");
    EXPECT_EQ(FormatOneDecimal(-0.04), "0.0");  // no negative zero
    EXPECT_EQ(FormatOneDecimal(0.96), "1.0");
    EXPECT_EQ(FormatOneDecimal(123456.0), "123456.0");
}

TEST(GraphMath, PrintFitting) {
    EXPECT_EQ(FitToPage(488, 243, 4800, 6600), (TSizeI{4800, 2390}));
    EXPECT_EQ(FitToPage(300, 600, 4800, 6600), (TSizeI{3300, 6600}));
    // Large pages and images: no 32-bit overflow in the products.
    EXPECT_EQ(FitToPage(60000, 30000, 100000, 100000), (TSizeI{100000, 50000}));
    EXPECT_EQ(FitToPage(0, 243, 4800, 6600), (TSizeI{0, 0}));
}

TEST(GraphMath, DrawnWindowIsTheNewest3000) {
    EXPECT_EQ(FirstDrawnIndex(0), 0);
    EXPECT_EQ(FirstDrawnIndex(3000), 0);
    EXPECT_EQ(FirstDrawnIndex(3500), 500);
}

TEST(SequencerGraphRules, GainRange) {
    EXPECT_EQ(seqgraph::GainRangeMin(70), -700);
    EXPECT_EQ(seqgraph::GainRangeMin(110), -1100);
    EXPECT_EQ(seqgraph::GainRangeMin(935), -935);
}

TEST(SequencerGraphRules, CommandGroups) {
    using P = seqgraph::TCurvePoint;
    using V = std::vector<P>;
    EXPECT_EQ(seqgraph::ParseAttCommand(3, "ATT 0 045", 70), (V{{3, -450}}));
    EXPECT_EQ(seqgraph::ParseAttCommand(3, "ATT 0 045", 935), (V{{3, -45}}));
    EXPECT_EQ(seqgraph::ParseAttCommand(3, "ATT 0 045 1 050", 70), (V{{3, -450}, {4, -500}}));
    EXPECT_EQ(seqgraph::ParseAttCommand(3, "N0 LAB1", 70), V{});
    EXPECT_EQ(seqgraph::ParseAttCommand(3, "att 0 045", 70), V{});
    EXPECT_EQ(seqgraph::ParseAttCommand(3, "ATT", 70), V{});
    // A broken group adds nothing; the next one is still read.
    EXPECT_EQ(seqgraph::ParseAttCommand(1, "ATT x 045 1 050", 70), (V{{2, -500}}));
    EXPECT_EQ(seqgraph::ParseAttCommand(1, "ATT 0 0A5 1 050", 70), (V{{2, -500}}));
    // Curves outside 1..8 are ignored.
    EXPECT_EQ(seqgraph::ParseAttCommand(8, "ATT 0 010 1 020", 70), (V{{8, -100}}));
    EXPECT_EQ(seqgraph::ParseAttCommand(0, "ATT 0 010 1 020", 70), (V{{1, -200}}));
    // A truncated last group.
    EXPECT_EQ(seqgraph::ParseAttCommand(1, "ATT 0 935 1 0", 935), (V{{1, -935}, {2, 0}}));
    EXPECT_EQ(seqgraph::ParseAttCommand(1, "ATT 0 935 1", 935), (V{{1, -935}}));
}

TEST(SequencerGraphRules, SaveTypeChange) {
    auto jpg = seqgraph::ChangeSaveFileType("picture.bmp", 2);
    EXPECT_EQ(jpg.FileName, "picture.jpg");
    EXPECT_EQ(jpg.DefaultExt, "jpg");
    auto plain = seqgraph::ChangeSaveFileType("picture", 2);
    EXPECT_EQ(plain.FileName, "picture");
    EXPECT_EQ(plain.DefaultExt, "jpg");
    auto back = seqgraph::ChangeSaveFileType("/home/op/runs/picture.jpg", 1);
    EXPECT_EQ(back.FileName, "picture.bmp");
    EXPECT_EQ(back.DefaultExt, "bmp");
    EXPECT_EQ(seqgraph::ChangeSaveFileType("run.v2/picture", 1).FileName, "picture");
    EXPECT_EQ(seqgraph::ChangeSaveFileType("run.2024.bmp", 2).FileName, "run.2024.jpg");
    EXPECT_EQ(seqgraph::ChangeSaveFileType("", 2).FileName, "");
}
