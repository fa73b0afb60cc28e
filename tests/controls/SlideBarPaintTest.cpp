#include "controls/ControlResources.h"
#include "controls/SlideBarMath.h"
#include "controls/SlideBarPaint.h"

#include <gtest/gtest.h>

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kDark = qRgb(128, 128, 128);
const QRgb kLight = qRgb(192, 192, 192);
const QRgb kBack = qRgb(10, 200, 30);  // a background no picture uses

QRgb At(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFFu) | 0xFF000000u; }

// Which pixels of a mask let the background through, as text rows.
std::vector<std::string> MaskRows(const QImage& mask) {
    std::vector<std::string> rows;
    for (int y = 0; y < mask.height(); ++y) {
        std::string row;
        for (int x = 0; x < mask.width(); ++x) row += At(mask, x, y) == kWhite ? '.' : '#';
        rows.push_back(row);
    }
    return rows;
}

TSlideBarLook Look(TThumbStyle style, int w = 73, int h = 15) {
    TSlideBarLook look;
    look.width = w;
    look.height = h;
    look.min = 0;
    look.max = 1100;
    look.picture = LoadControlPicture(ThumbPictureName(style));
    look.mask = LoadControlPicture(ThumbMaskName(style));
    look.background = QColor(kBack);
    return look;
}

}  // namespace

TEST(SlideBarPaint, ThumbPicturesHaveTheirSizesAndMasks) {
    using Rows = std::vector<std::string>;
    EXPECT_EQ(MaskRows(LoadControlPicture("Bar1Mask")),
              (Rows{".###.", "#####", "#####", "#####", "#####", "#####", "#####", "#####", "#####", ".###."}));
    EXPECT_EQ(MaskRows(LoadControlPicture("Circle1Mask")),
              (Rows{"..####..", ".######.", "########", "########", "########", "########", ".######.", "..####.."}));
    EXPECT_EQ(MaskRows(LoadControlPicture("Square1Mask")), Rows(8, "########"));
    EXPECT_EQ(MaskRows(LoadControlPicture("Diamond1Mask")),
              (Rows{"...##...", "..####..", ".######.", "########", "########", ".######.", "..####..", "...##..."}));
    for (TThumbStyle s : {TThumbStyle::tsBar1, TThumbStyle::tsCircle1, TThumbStyle::tsSquare1, TThumbStyle::tsDiamond1}) {
        const QImage pic = LoadControlPicture(ThumbPictureName(s));
        const QImage mask = LoadControlPicture(ThumbMaskName(s));
        ASSERT_FALSE(pic.isNull());
        ASSERT_EQ(pic.size(), mask.size());
        for (int y = 0; y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x) {
                // The picture is black wherever the background shows through.
                if (At(mask, x, y) == kWhite) EXPECT_EQ(At(pic, x, y), kBlack);
                else EXPECT_EQ(At(mask, x, y), kBlack);
            }
    }
    EXPECT_EQ(LoadControlPicture("Bar1").size(), QSize(5, 10));
    // The bar: outline, white top-left highlight, dark lower-right, grey face.
    const QImage bar = LoadControlPicture("Bar1");
    EXPECT_EQ(At(bar, 0, 4), kBlack);
    EXPECT_EQ(At(bar, 1, 4), kWhite);
    EXPECT_EQ(At(bar, 2, 4), kLight);
    EXPECT_EQ(At(bar, 3, 4), kDark);
    EXPECT_EQ(At(bar, 2, 1), kWhite);
    EXPECT_EQ(At(bar, 2, 8), kDark);
}

TEST(SlideBarPaint, ArrowGlyphsAreCentredTriangles) {
    const QImage up = LoadControlPicture("SpinUp");
    const QImage down = LoadControlPicture("SpinDown");
    ASSERT_EQ(up.size(), QSize(9, 6));
    ASSERT_EQ(down.size(), QSize(9, 6));
    const int upWidths[] = {0, 1, 3, 5, 7, 0};
    const int downWidths[] = {0, 7, 5, 3, 1, 0};
    for (int y = 0; y < 6; ++y) {
        int opaqueUp = 0, opaqueDown = 0;
        for (int x = 0; x < 9; ++x) {
            opaqueUp += qAlpha(up.pixel(x, y)) == 255;
            opaqueDown += qAlpha(down.pixel(x, y)) == 255;
        }
        EXPECT_EQ(opaqueUp, upWidths[y]) << y;
        EXPECT_EQ(opaqueDown, downWidths[y]) << y;
    }
    EXPECT_EQ(qAlpha(up.pixel(4, 1)), 255);  // apex on the centre column
    EXPECT_EQ(qAlpha(up.pixel(0, 4)), 0);    // transparent border
    EXPECT_EQ(qAlpha(down.pixel(4, 4)), 255);
}

TEST(SlideBarPaint, ThumbCombinesBackgroundMaskAndPicture) {
    const QImage pic = LoadControlPicture("Circle1");
    const QImage mask = LoadControlPicture("Circle1Mask");
    QImage bg(8, 8, QImage::Format_RGB32);
    bg.fill(kBack);
    const QImage out = ComposeThumb(bg, mask, pic);
    EXPECT_EQ(At(out, 0, 0), kBack);  // transparent corner
    EXPECT_EQ(At(out, 0, 1), kBack);
    EXPECT_EQ(At(out, 2, 0), kBlack);  // outline
    EXPECT_EQ(At(out, 3, 3), kLight);  // face

    // Over a transparent background only the thumb is opaque.
    QImage clearBg(8, 8, QImage::Format_ARGB32);
    clearBg.fill(Qt::transparent);
    const QImage clear = ComposeThumb(clearBg, mask, pic);
    EXPECT_EQ(qAlpha(clear.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(clear.pixel(2, 0)), 255);
    EXPECT_EQ(clear.pixel(3, 3), qRgb(192, 192, 192));
}

TEST(SlideBarPaint, LoweredGrooveWithBarThumb) {
    TSlideBarLook look = Look(TThumbStyle::tsBar1);
    look.thumbLeft = SlideThumbLeft(550, 0, 1100, 73, 5);
    const QImage img = RenderSlideBar(look);
    ASSERT_EQ(img.size(), QSize(73, 15));
    // Groove from x 2 to 70, lines at y 6 and 8, one row inside.
    EXPECT_EQ(At(img, 2, 6), kDark);
    EXPECT_EQ(At(img, 20, 6), kDark);
    EXPECT_EQ(At(img, 2, 7), kDark);
    EXPECT_EQ(At(img, 2, 8), kWhite);
    EXPECT_EQ(At(img, 20, 8), kWhite);
    EXPECT_EQ(At(img, 70, 7), kWhite);
    EXPECT_EQ(At(img, 70, 6), kWhite);
    EXPECT_EQ(At(img, 20, 7), kLight);
    EXPECT_EQ(At(img, 69, 7), kLight);
    EXPECT_EQ(At(img, 1, 7), kBack);
    EXPECT_EQ(At(img, 71, 7), kBack);
    EXPECT_EQ(At(img, 20, 5), kBack);
    EXPECT_EQ(At(img, 20, 9), kBack);
    // The thumb at x 34..38, y 2..11, its corners showing the background.
    EXPECT_EQ(At(img, 34, 2), kBack);
    EXPECT_EQ(At(img, 35, 2), kBlack);
    EXPECT_EQ(At(img, 34, 7), kBlack);
    EXPECT_EQ(At(img, 35, 7), kWhite);
    EXPECT_EQ(At(img, 36, 7), kLight);
    EXPECT_EQ(At(img, 37, 7), kDark);
    EXPECT_EQ(At(img, 38, 11), kBack);
    EXPECT_EQ(At(img, 33, 7), kLight);
    EXPECT_EQ(At(img, 39, 7), kLight);
}

TEST(SlideBarPaint, RaisedFocusedThickGroove) {
    TSlideBarLook look = Look(TThumbStyle::tsSquare1, 100, 15);
    look.style = TBarStyle::bsRaised;
    look.thickness = 3;
    look.focused = true;
    look.focusColor = QColor(0, 0, 255);
    look.thumbLeft = 92;
    const QImage img = RenderSlideBar(look);
    const TSlideGroove g = SlideGrooveOf(100, 15, 8, 3);
    EXPECT_EQ(At(img, 30, g.y1), kWhite);  // raised: light on top
    EXPECT_EQ(At(img, 30, g.y2), kDark);
    for (int y = g.y1 + 1; y < g.y2; ++y) EXPECT_EQ(At(img, 30, y), qRgb(0, 0, 255)) << y;
    EXPECT_EQ(g.y2 - g.y1 - 1, 3);
}

TEST(SlideBarPaint, TicksStandAboveTheGroove) {
    TSlideBarLook look = Look(TThumbStyle::tsCircle1, 100, 15);
    look.min = 1;
    look.max = 10;
    look.ticks = true;
    look.thumbLeft = 0;
    const QImage img = RenderSlideBar(look);
    const TSlideGroove g = SlideGrooveOf(100, 15, 8, 1);
    const int x2 = SlideTickX(2, 1, 10, 100, 8, g);
    EXPECT_EQ(At(img, x2, g.y1 - 1), kDark);
    EXPECT_EQ(At(img, x2 + 1, g.y1 - 1), kWhite);
    EXPECT_EQ(At(img, x2, g.y1 - 2), kBack);  // two pixels high
    EXPECT_EQ(At(img, x2 + 3, g.y1 - 1), kBack);
    EXPECT_EQ(At(img, g.xR - 1, g.y1 - 1), kDark);

    // A range far wider than the bar draws a tick in every column, quickly.
    look.min = 0;
    look.max = 2000000000;
    const QImage dense = RenderSlideBar(look);
    for (int x = 8; x < g.xR; ++x) EXPECT_EQ(At(dense, x, g.y1 - 1), kDark) << x;  // right of the thumb
    EXPECT_EQ(At(dense, g.xR, g.y1 - 1), kWhite);

    look.max = -5;  // no tick when Max is below Min
    const QImage none = RenderSlideBar(look);
    EXPECT_EQ(At(none, 40, g.y1 - 1), kBack);
}

TEST(SlideBarPaint, RangeBelowTheFloorIsHatched) {
    // Hatch pixels per column of the picture.
    const auto hatchColumns = [](const QImage& img) {
        std::vector<int> columns(img.width());
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y) columns[x] += At(img, x, y) == qRgb(192, 0, 0);
        return columns;
    };
    TSlideBarLook look = Look(TThumbStyle::tsBar1);
    look.thumbLeft = SlideThumbLeft(550, 0, 1100, 73, 5);
    const QImage plain = RenderSlideBar(look);
    for (std::optional<int> none : {std::optional<int>(), std::optional<int>(0)}) {
        look.floor = none;
        EXPECT_TRUE(RenderSlideBar(look) == plain);
    }

    // A floor of 20 dB on 0..110 dB: hatched from the groove's left end to
    // the centre of a thumb at the floor, and nowhere else.
    look.floor = 200;
    const int floorCentre = SlideThumbLeft(200, 0, 1100, 73, 5) + 2;
    const std::vector<int> columns = hatchColumns(RenderSlideBar(look));
    for (int x = 2; x <= floorCentre; ++x) EXPECT_GT(columns[x], 1) << x;
    for (int x = floorCentre + 1; x < 73; ++x) EXPECT_EQ(columns[x], 0) << x;
    EXPECT_EQ(columns[0] + columns[1], 0);

    // A floor above the maximum hatches the whole groove.
    look.floor = 2000;
    look.thumbLeft = 73 - 5;
    const std::vector<int> all = hatchColumns(RenderSlideBar(look));
    for (int x = 2; x < 73 - 5; ++x) EXPECT_GT(all[x], 1) << x;
}
