// The graph control: curve list, repaint scheduling, margins and what a
// drawing pass puts on the picture.
#include "GraphTestUtil.h"
#include "tests/testsupport/TestSupport.h"
#include "graph/XYGraph.h"

#include <QLocale>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QColor kRed(255, 0, 0);
const QColor kSilver(192, 192, 192);

// A graph of client size 400 x 200 (plot 50..382 x 10..180).
struct GraphFixture : ::testing::Test {
    TXYGraph graph;
    GraphFixture() { graph.resize(402, 202); }

    void ShowAndSettle() {
        graph.show();
        ASSERT_TRUE(WaitUntil([&] { return graph.ScreenPasses() > 0; }));
        PumpEvents(30);
    }
    // Passes painted by changes made in fn.
    long long PassesBy(const std::function<void()>& fn) {
        const long long before = graph.ScreenPasses();
        fn();
        PumpEvents(60);
        return graph.ScreenPasses() - before;
    }
    QImage Picture() {
        QImage img(graph.ClientSize(), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        graph.DrawGraph(p);
        return img;
    }
};

}  // namespace

TEST_F(GraphFixture, InitialSettings) {
    EXPECT_EQ(graph.XAxis().Min(), 0);
    EXPECT_EQ(graph.XAxis().Max(), 100);
    EXPECT_EQ(graph.YAxis().Min(), -50);
    EXPECT_EQ(graph.YAxis().Max(), 50);
    EXPECT_EQ(graph.XAxis().Step(), 5);
    EXPECT_EQ(graph.Dimensions().LeftMargin(), 50);
    EXPECT_EQ(graph.Dimensions().RightMargin(), 18);
    EXPECT_EQ(graph.Dimensions().TopMargin(), 10);
    EXPECT_EQ(graph.Dimensions().BottomMargin(), 20);
    EXPECT_EQ(graph.Appearance().GridStyle(), TPenStyle::Dot);
    EXPECT_EQ(graph.Appearance().LabelFont().Face, "Arial");
    EXPECT_EQ(graph.Appearance().LabelFont().Height, 9);
    EXPECT_TRUE(graph.Plotting());
    EXPECT_FALSE(graph.Drawing());
    EXPECT_EQ(graph.ClientSize(), QSize(400, 200));
    TXYGraph fresh;
    EXPECT_EQ(fresh.size(), QSize(200, 200));
}

TEST_F(GraphFixture, GetSeriesKeepsKeysInOrder) {
    TSeries& first = graph.GetSeries(5);
    ASSERT_EQ(graph.Curves().size(), 1u);
    TSeries& one = graph.GetSeries(1);
    TSeries& three = graph.GetSeries(3);
    ASSERT_EQ(graph.Curves().size(), 3u);
    EXPECT_EQ(graph.Curves()[0], &one);
    EXPECT_EQ(graph.Curves()[1], &three);
    EXPECT_EQ(graph.Curves()[2], &first);
    EXPECT_EQ(&graph.GetSeries(5), &first);
    EXPECT_EQ(graph.Curves().size(), 3u);
    EXPECT_EQ(three.Color().rgb(), kRed.rgb());
    EXPECT_EQ(three.PenStyle(), TPenStyle::Solid);
    EXPECT_EQ(three.Count(), 0);
    delete &three;  // a destroyed curve leaves the list
    ASSERT_EQ(graph.Curves().size(), 2u);
    EXPECT_EQ(graph.Curves()[1], &first);
}

TEST_F(GraphFixture, ChangesRepaintOncePerBatch) {
    ShowAndSettle();
    TSeries& s = graph.GetSeries(1);
    EXPECT_EQ(PassesBy([&] {
                  for (int i = 0; i < 10; ++i) s.AddPoint(i, i);
                  graph.XAxis().SetMax(200);
                  graph.SetPlotting(false);
                  graph.SetPlotting(true);
              }),
              1);
    // Nothing changed: nothing painted.
    EXPECT_EQ(PassesBy([] {}), 0);
}

TEST_F(GraphFixture, RepaintRules) {
    ShowAndSettle();
    TSeries& s = graph.GetSeries(1);
    s.AddPoint(0, 0);
    s.AddPoint(50, 10);
    PumpEvents(30);
    EXPECT_EQ(PassesBy([&] { graph.ShiftAllX(-1); }), 0) << "shifting draws nothing";
    EXPECT_EQ(s.GetPoint(1), (TGraphPoint{49, 10}));
    EXPECT_TRUE(graph.Plotting());
    EXPECT_EQ(PassesBy([&] { graph.XAxis().SetMin(0); }), 0) << "same Min";
    EXPECT_EQ(PassesBy([&] { graph.XAxis().SetStep(5); }), 1) << "same Step";
    EXPECT_EQ(PassesBy([&] { s.SetColor(kRed); }), 0) << "same colour";
    EXPECT_EQ(PassesBy([&] { s.SetPenStyle(TPenStyle::Dash); }), 1);
    EXPECT_EQ(PassesBy([&] { graph.Appearance().SetGridColor(Qt::gray); }), 1);
    EXPECT_EQ(PassesBy([&] { graph.XAxis().SetAxisPos(TXAxisPos::TopPos); }), 0);
    graph.SetPlotting(false);
    PumpEvents(30);
    EXPECT_EQ(PassesBy([&] {
                  s.AddPoint(60, 20);
                  graph.YAxis().SetMax(80);
              }),
              0)
        << "Plotting off";
    EXPECT_EQ(PassesBy([&] { graph.SetPlotting(true); }), 1);
}

TEST_F(GraphFixture, ClearSeriesWithPlottingOnAndOff) {
    ShowAndSettle();
    TSeries& s = graph.GetSeries(2);
    s.AddPoint(0, 0);
    s.AddPoint(100, 50);
    PumpEvents(30);
    graph.SetPlotting(false);
    PumpEvents(30);
    EXPECT_EQ(PassesBy([&] { graph.ClearSeries(); }), 0) << "the screen keeps its last picture";
    EXPECT_TRUE(graph.Curves().empty());
    EXPECT_FALSE(graph.Plotting());

    graph.SetPlotting(true);
    TSeries& t = graph.GetSeries(2);
    t.AddPoint(0, 0);
    t.AddPoint(100, 50);
    PumpEvents(30);
    EXPECT_GT(CountInRect(Picture(), 0, 0, 399, 199, kRed), 100);
    EXPECT_EQ(PassesBy([&] { graph.ClearSeries(); }), 1);
    EXPECT_TRUE(graph.Plotting());
    const QImage after = Picture();
    EXPECT_EQ(CountInRect(after, 0, 0, 399, 199, kRed), 0);
    EXPECT_GT(CountInRect(after, 51, 11, 381, 179, kSilver), 100) << "grid still drawn";
}

TEST_F(GraphFixture, AxisPositionMovesMargins) {
    graph.Dimensions().SetLeftMargin(50);
    graph.YAxis().SetAxisPos(TYAxisPos::RightPos);
    EXPECT_EQ(graph.Dimensions().LeftMargin(), 18);
    EXPECT_EQ(graph.Dimensions().RightMargin(), 40);
    graph.YAxis().SetAxisPos(TYAxisPos::LeftPos);
    EXPECT_EQ(graph.Dimensions().LeftMargin(), 40) << "not the initial 50";
    EXPECT_EQ(graph.Dimensions().RightMargin(), 18);
    graph.XAxis().SetAxisPos(TXAxisPos::TopPos);
    EXPECT_EQ(graph.Dimensions().TopMargin(), 20);
    EXPECT_EQ(graph.Dimensions().BottomMargin(), 10);
    graph.XAxis().SetAxisPos(TXAxisPos::BottomPos);
    EXPECT_EQ(graph.Dimensions().TopMargin(), 10);
    EXPECT_EQ(graph.Dimensions().BottomMargin(), 20);
}

TEST_F(GraphFixture, LabelsFollowTheLocale) {
    graph.XAxis().SetMin(-1000);
    graph.XAxis().SetMax(0);
    graph.YAxis().SetMin(-700);
    graph.YAxis().SetMax(0);
    EXPECT_EQ(graph.XAxis().LabelText(0), "-100.0");
    EXPECT_EQ(graph.XAxis().LabelText(5), "0.0");
    EXPECT_EQ(graph.YAxis().LabelText(0), "0.0");
    EXPECT_EQ(graph.YAxis().LabelText(5), "-70.0");
    const QLocale keep;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(graph.XAxis().LabelText(1), "-80,0");
    EXPECT_EQ(graph.YAxis().LabelText(5), "-70,0");
    QLocale::setDefault(keep);
}

TEST_F(GraphFixture, PictureHasAxesGridAndLabelsInPlace) {
    const QImage img = Picture();
    // Plot 50..382 x 10..180: axis line along the bottom and the left.
    EXPECT_EQ(CountInRow(img, 180, 50, 382, Qt::black), 333);
    // The left axis line, crossed by the five horizontal grid lines.
    EXPECT_EQ(CountInRect(img, 50, 10, 50, 180, Qt::black), 171 - 5);
    // Ticks at x = 50 + i * 66 below the axis (their last row lies under the
    // label boxes), grid lines dotted above it.
    for (int x : {116, 182, 248, 314})
        EXPECT_EQ(CountInRect(img, x, 181, x, 183, Qt::black), 3) << x;
    EXPECT_EQ(CountInRect(img, 117, 181, 181, 183, Qt::black), 0);
    const int dots = CountInRect(img, 116, 11, 116, 179, kSilver);
    EXPECT_GT(dots, 30);
    EXPECT_LT(dots, 120) << "dotted, not solid";
    // The opposite sides carry grid lines too.
    EXPECT_GT(CountInRect(img, 382, 11, 382, 179, kSilver), 30);
    EXPECT_GT(CountInRect(img, 51, 10, 381, 10, kSilver), 60);
    // Labels below the axis and left of it; nothing drawn right of the plot.
    EXPECT_GT(CountInk(img, 30, 185, 70, 199), 10);
    EXPECT_GT(CountInk(img, 0, 5, 45, 20), 10);
    EXPECT_EQ(CountInk(img, 390, 20, 399, 170), 0);
}

TEST_F(GraphFixture, LabelRowMovesAboveThePlot) {
    graph.XAxis().SetAxisPos(TXAxisPos::TopPos);  // plot now 50..382 x 20..190
    const QImage img = Picture();
    // The axis line along the top, crossed by the five vertical grid lines.
    EXPECT_EQ(CountInRow(img, 20, 50, 382, Qt::black), 333 - 5);
    EXPECT_GT(CountInk(img, 40, 0, 130, 15), 10) << "labels above";
    EXPECT_EQ(CountInk(img, 60, 192, 399, 199), 0) << "nothing below";
}

TEST_F(GraphFixture, CurveShowsOnlyItsNewest3000Points) {
    // 3500 points on X 0..3499; the oldest 500 high, the rest low.
    graph.XAxis().SetMin(0);
    graph.XAxis().SetMax(3500);
    graph.YAxis().SetMin(0);
    graph.YAxis().SetMax(50);
    TSeries& s = graph.GetSeries(1);
    for (int i = 0; i < 3500; ++i) s.AddPoint(i, i < 500 ? 40 : 10);
    // The curve keeps no more than it can show: a long run costs no memory.
    EXPECT_EQ(s.Count(), 3000);
    EXPECT_EQ(s.GetPoint(0), (TGraphPoint{500, 10}));
    QImage img = Picture();  // sets the plot rectangle used below
    const int highRow = graph.YAxis().ValueToY(40);
    const int lowRow = graph.YAxis().ValueToY(10);
    EXPECT_EQ(CountInRow(img, highRow, 0, 399, kRed), 0) << "points 0..499 are not drawn";
    const int firstX = graph.XAxis().ValueToX(500);
    EXPECT_EQ(CountInRow(img, lowRow, 0, firstX - 1, kRed), 0);
    EXPECT_GE(CountInRow(img, lowRow, firstX, graph.XAxis().ValueToX(3499), kRed),
              graph.XAxis().ValueToX(3499) - firstX);

    // Exactly 3000 points draw all of them.
    graph.ClearSeries();
    TSeries& t = graph.GetSeries(1);
    for (int i = 0; i < 3000; ++i) t.AddPoint(i, i < 500 ? 40 : 10);
    img = Picture();
    EXPECT_GT(CountInRow(img, highRow, 50, 120, kRed), 40);
}

TEST_F(GraphFixture, CurvesAreClippedToThePlot) {
    graph.XAxis().SetMin(0);
    graph.XAxis().SetMax(100);
    TSeries& s = graph.GetSeries(1);
    s.AddPoint(-500, 0);  // far left of the plot
    s.AddPoint(1000, 0);  // far right
    s.AddPoint(1000, 4000);
    const QImage img = Picture();
    const int row = graph.YAxis().ValueToY(0);
    EXPECT_EQ(CountInRow(img, row, 0, 49, kRed), 0);
    EXPECT_EQ(CountInRow(img, row, 382, 399, kRed), 0);
    EXPECT_GT(CountInRow(img, row, 51, 381, kRed), 300);
    EXPECT_EQ(CountInRect(img, 0, 0, 399, 9, kRed), 0);
}

TEST_F(GraphFixture, HigherKeysDrawOverLowerOnes) {
    graph.GetSeries(2).SetColor(Qt::blue);
    for (int key : {2, 1}) {
        TSeries& s = graph.GetSeries(key);
        s.AddPoint(0, 0);
        s.AddPoint(100, 0);
    }
    const QImage img = Picture();
    const int row = graph.YAxis().ValueToY(0);
    EXPECT_GT(CountInRow(img, row, 60, 370, Qt::blue), 300);
    EXPECT_EQ(CountInRow(img, row, 60, 370, kRed), 0);
}

TEST_F(GraphFixture, DrawToBitmapKeepsTheBitmapSize) {
    QImage bitmap(300, 120, QImage::Format_RGB32);
    bitmap.fill(Qt::black);
    graph.DrawToBitmap(bitmap);
    EXPECT_EQ(bitmap.size(), QSize(300, 120));
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB32);
    EXPECT_EQ(bitmap.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu) << "margin colour";
}

TEST_F(GraphFixture, LongShiftedCurveDrawsLikeItsNewestPointsAlone) {
    // A curve fed like a run (shift, then add at time 0) for 5000 ticks
    // must draw exactly what a curve holding only the newest 3000 points at
    // their final positions draws.
    auto level = [](int i) { return (i * 37) % 90 - 45; };
    graph.XAxis().SetMin(-1000);
    graph.XAxis().SetMax(0);
    TSeries& run = graph.GetSeries(1);
    for (int i = 0; i < 5000; ++i) {
        graph.ShiftAllX(-1);
        run.AddPoint(0, level(i));
    }
    const QImage fed = Picture();

    TXYGraph reference;
    reference.resize(402, 202);
    reference.XAxis().SetMin(-1000);
    reference.XAxis().SetMax(0);
    TSeries& kept = reference.GetSeries(1);
    for (int i = 2000; i < 5000; ++i) kept.AddPoint(-(4999 - i), level(i));
    QImage expected(reference.ClientSize(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    QPainter p(&expected);
    reference.DrawGraph(p);
    p.end();
    EXPECT_TRUE(fed == expected);
    EXPECT_GT(CountInRect(fed, 51, 11, 381, 179, kRed), 300);
}
