#pragma once
// Drawing of the slide bar into an image, pixel by pixel: the groove, its
// fill, the ticks, the hatched range below a floor and the masked thumb.
// The widget shows the image; tests read it back.

#include <QColor>
#include <QImage>

#include <optional>

// Groove shading: engraved or embossed.
enum class TBarStyle { bsLowered, bsRaised };

// Thumb pictures.
enum class TThumbStyle { tsBar1, tsCircle1, tsSquare1, tsDiamond1 };

// Resource names of a thumb style's picture and mask ("Bar1", "Bar1Mask").
const char* ThumbPictureName(TThumbStyle style);
const char* ThumbMaskName(TThumbStyle style);

// Everything one frame of the slide bar depends on.
struct TSlideBarLook {
    int width = 100;
    int height = 15;
    int min = 1;
    int max = 10;
    int thumbLeft = 0;  // left edge of the thumb, already placed
    TBarStyle style = TBarStyle::bsLowered;
    int thickness = 1;
    bool ticks = false;
    // Positions below the floor are hatched across the groove, from its left
    // end to the centre of a thumb at the floor (the whole groove when the
    // floor is at or above max). No floor, or one at min or below: no hatch.
    std::optional<int> floor;
    QColor floorColour = QColor(192, 0, 0);
    bool focused = false;
    QColor focusColor = Qt::black;
    QColor background = Qt::transparent;  // what shows around the drawing
    QImage picture;  // thumb picture
    QImage mask;     // thumb mask: white where the background shows through
};

// The thumb drawn over background: the background ANDed with the mask, then
// ORed with the picture. All three have the thumb's size. Pixels the mask
// covers are opaque; the others keep the background's opacity.
QImage ComposeThumb(const QImage& background, const QImage& mask, const QImage& picture);

// The whole control as an image of width x height pixels (ARGB32).
QImage RenderSlideBar(const TSlideBarLook& look);
