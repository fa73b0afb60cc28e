#pragma once
// Window sizes that include the frame drawn by the window system.

#include <QSize>

class QWidget;

enum class TFrameFit {
    Resize,   // the window keeps the size but may be resized
    Minimum,  // the size is also the smallest the window may take
    Fixed,    // the window cannot be resized
};

// Gives window the outer size outer (frame included); a width or height of
// 0 keeps the client's present one. The frame is known only once the
// window system has decorated the shown window: until then the client takes
// the whole size, and the size is set again as soon as the frame is told.
void SetOuterSize(QWidget* window, QSize outer, TFrameFit fit);
