// The numeric spin edit's geometry: its minimum height and the arrows
// inside its right edge.
#include "controls/SpinNum.h"

#include <QApplication>
#include <QFontMetrics>
#include <QResizeEvent>
#include <QStyle>

#include <algorithm>

namespace {

// Border height of the system, in pixels, as the height rule counts it.
constexpr int kBorderHeight = 1;

}  // namespace

void TSpinNumEdit::SetCtl3D(bool ctl3D) {
    ctl3D_ = ctl3D;
    setFrame(ctl3D);
    PlaceArrows();
}

int TSpinNumEdit::MinHeight() const {
    const int h = QFontMetrics(font()).height();
    const int hs = QFontMetrics(QApplication::font()).height();
    return h + std::min(hs, h) / 4 + 4 * kBorderHeight + 2;
}

void TSpinNumEdit::PlaceArrows() {
    const int aw = arrows_->width();
    const int w = width();
    const int h = height();
    if (ctl3D_) {
        // The arrows sit just inside the sunken frame.
        const int f = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        arrows_->setGeometry(f + w - aw - 5, f, aw, std::max(h - 5, 1));
    } else {
        arrows_->setGeometry(w - aw, 1, aw, std::max(h - 3, 1));
    }
    // Text never runs under the arrows.
    setTextMargins(0, 0, aw + 2, 0);
}

void TSpinNumEdit::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    if (height() < MinHeight()) {
        resize(width(), MinHeight());  // the arrows follow on that resize
        return;
    }
    PlaceArrows();
}

void TSpinNumEdit::changeEvent(QEvent* e) {
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        setMinimumHeight(MinHeight());
        if (height() < MinHeight()) resize(width(), MinHeight());
    }
}
