#include "controls/SlideBarPaint.h"

#include "controls/SlideBarMath.h"

#include <algorithm>

namespace {

const QRgb kDarkGrey = qRgb(128, 128, 128);
const QRgb kLightGrey = qRgb(192, 192, 192);
const QRgb kWhite = qRgb(255, 255, 255);

void Plot(QImage& img, int x, int y, QRgb c) {
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) img.setPixel(x, y, c);
}

// A pen line from (x0, y0) towards (x1, y1), horizontal or vertical; like a
// pen moved with "line to", the end point itself is not drawn.
void LineTo(QImage& img, int x0, int y0, int x1, int y1, QRgb c) {
    const int dx = (x1 > x0) - (x1 < x0);
    const int dy = (y1 > y0) - (y1 < y0);
    for (int x = x0, y = y0; x != x1 || y != y1; x += dx, y += dy) Plot(img, x, y, c);
}

// Fills the pixels strictly inside the rectangle (left, top)-(right, bottom)
// less its right and bottom edges, as a fill without outline does.
void FillInside(QImage& img, int left, int top, int right, int bottom, QRgb c) {
    for (int y = top; y < bottom - 1; ++y)
        for (int x = left; x < right - 1; ++x) Plot(img, x, y, c);
}

// Diagonal lines across the rows of the thumb, from the groove's left end
// to the floor's thumb centre, drawn over the groove.
void HatchBelowFloor(QImage& img, const TSlideBarLook& look, const TSlideGroove& g, int tw, int th) {
    if (!look.floor || *look.floor <= look.min) return;
    const int floor = std::min(*look.floor, look.max);
    const int right = SlideThumbLeft(floor, look.min, look.max, look.width, tw) + tw / 2;
    const int top = (look.height - th) / 2;
    const QRgb c = look.floorColour.rgb();
    for (int y = top; y < top + th; ++y)
        for (int x = g.xL; x <= right; ++x)
            if ((x + y) % 3 == 0) Plot(img, x, y, c);
}

}  // namespace

const char* ThumbPictureName(TThumbStyle style) {
    switch (style) {
    case TThumbStyle::tsBar1: return "Bar1";
    case TThumbStyle::tsCircle1: return "Circle1";
    case TThumbStyle::tsSquare1: return "Square1";
    case TThumbStyle::tsDiamond1: return "Diamond1";
    }
    return "Circle1";
}

const char* ThumbMaskName(TThumbStyle style) {
    switch (style) {
    case TThumbStyle::tsBar1: return "Bar1Mask";
    case TThumbStyle::tsCircle1: return "Circle1Mask";
    case TThumbStyle::tsSquare1: return "Square1Mask";
    case TThumbStyle::tsDiamond1: return "Diamond1Mask";
    }
    return "Circle1Mask";
}

QImage ComposeThumb(const QImage& background, const QImage& mask, const QImage& picture) {
    QImage out = background.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const QRgb under = out.pixel(x, y);
            QRgb c = under;
            bool covered = false;
            if (x < mask.width() && y < mask.height()) {
                const QRgb m = mask.pixel(x, y);
                c &= m | 0xFF000000u;
                covered = (m & 0x00FFFFFFu) != 0x00FFFFFFu;
            }
            if (x < picture.width() && y < picture.height()) c |= picture.pixel(x, y) & 0x00FFFFFFu;
            // Where the mask lets the background through it keeps its own
            // opacity; the thumb itself is opaque.
            const QRgb alpha = covered ? 0xFF000000u : (under & 0xFF000000u);
            out.setPixel(x, y, (c & 0x00FFFFFFu) | alpha);
        }
    }
    return out;
}

QImage RenderSlideBar(const TSlideBarLook& look) {
    const int w = std::max(look.width, 1);
    const int h = std::max(look.height, 1);
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(look.background.rgba());

    const int tw = look.picture.width();
    const int th = look.picture.height();
    const int t = look.thickness;
    const TSlideGroove g = SlideGrooveOf(look.width, look.height, tw, t);
    const bool lowered = look.style == TBarStyle::bsLowered;
    const QRgb shadow = lowered ? kDarkGrey : kWhite;
    const QRgb light = lowered ? kWhite : kDarkGrey;

    // The groove outline: shadow along the top and down the left, light along
    // the bottom and up the right.
    LineTo(img, g.xR, g.y1, g.xL, g.y1, shadow);
    LineTo(img, g.xL, g.y1, g.xL, g.y2, shadow);
    LineTo(img, g.xL, g.y2, g.xR, g.y2, light);
    LineTo(img, g.xR, g.y2, g.xR, g.y1 - 1, light);

    FillInside(img, g.xL + 1, g.y1 + 1, g.xR + 1, g.y2 + 1,
               look.focused ? look.focusColor.rgb() : kLightGrey);

    if (look.ticks && look.max >= look.min) {
        const auto tick = [&](int x) {
            LineTo(img, x, g.y1, x, g.y1 - 2, shadow);
            LineTo(img, x + 1, g.y1, x + 1, g.y1 - 2, light);
        };
        const long long range = static_cast<long long>(look.max) - look.min;
        const int span = look.width - tw;
        if (range > span) {
            // Closer than a pixel apart: every column of the span holds a tick.
            tick(g.xL);
            for (int d = 1; d < span; ++d) tick(g.xL + d);
            tick(g.xR - 1);
        } else {
            for (long long i = look.min; i <= look.max; ++i)
                tick(SlideTickX(static_cast<int>(i), look.min, look.max, look.width, tw, g));
        }
    }

    HatchBelowFloor(img, look, g, tw, th);

    if (tw > 0 && th > 0) {
        const int top = (look.height - th) / 2;
        const QImage under = img.copy(look.thumbLeft, top, tw, th);
        const QImage thumb = ComposeThumb(under, look.mask, look.picture);
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) Plot(img, look.thumbLeft + x, top + y, thumb.pixel(x, y));
    }
    return img;
}
