#pragma once
// Helpers of the graph tests: counting pixels of a colour in rendered images.

#include <QColor>
#include <QImage>

inline bool SameRgb(QRgb a, const QColor& b) { return (a & 0xFFFFFF) == (b.rgb() & 0xFFFFFF); }

// Pixels of colour c in row y between columns x0 and x1 (inclusive).
inline int CountInRow(const QImage& img, int y, int x0, int x1, const QColor& c) {
    int n = 0;
    for (int x = x0; x <= x1; ++x)
        if (SameRgb(img.pixel(x, y), c)) ++n;
    return n;
}

// Pixels of colour c in the rectangle [x0, x1] x [y0, y1].
inline int CountInRect(const QImage& img, int x0, int y0, int x1, int y1, const QColor& c) {
    int n = 0;
    for (int y = y0; y <= y1; ++y) n += CountInRow(img, y, x0, x1, c);
    return n;
}

// Pixels that are neither white nor the given background colour.
inline int CountInk(const QImage& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++n;
    return n;
}
