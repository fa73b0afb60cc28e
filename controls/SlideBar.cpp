#include "controls/SlideBar.h"

#include "controls/ControlResources.h"
#include "controls/SlideBarMath.h"
#include "controls/SpinNumValue.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TSlideBar::TSlideBar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    LoadThumb(thumbStyle_);
    SetHandCursor(true);
    resize(100, 15);
}

TSlideBar::~TSlideBar() {
    // Nobody hears of the bar's own teardown.
    disconnect(this, &TSlideBar::Change, nullptr, nullptr);
}

void TSlideBar::LoadThumb(TThumbStyle style) {
    picture_ = LoadControlPicture(ThumbPictureName(style));
    mask_ = LoadControlPicture(ThumbMaskName(style));
    halfThumbWidth_ = picture_.width() / 2;
    halfThumbHeight_ = picture_.height() / 2;
}

void TSlideBar::SetMin(int v) {
    min_ = v;
    update();
}

void TSlideBar::SetMax(int v) {
    max_ = v;
    update();
}

void TSlideBar::SetPosition(int v) {
    if (v >= min_ && v <= max_) position_ = v;
    update();
    emit Change(this);
}

void TSlideBar::SetStep(int step) {
    if (step >= 1) step_ = step;
}

void TSlideBar::SetFloor(std::optional<int> floor) {
    floor_ = floor;
    update();
}

int TSlideBar::Floored(int position) const { return RaiseToFloor(position, floor_, max_); }

void TSlideBar::SetStyle(TBarStyle style) {
    style_ = style;
    update();
}

void TSlideBar::SetThickness(int t) {
    if (t >= 1 && t <= 5) thickness_ = t;
    update();
}

void TSlideBar::SetTicks(bool ticks) {
    ticks_ = ticks;
    update();
}

void TSlideBar::SetThumbStyle(TThumbStyle style) {
    if (style == thumbStyle_) return;
    thumbStyle_ = style;
    LoadThumb(style);
    update();
}

void TSlideBar::SetFocusColor(const QColor& colour) {
    focusColor_ = colour;
    update();
}

void TSlideBar::SetHandCursor(bool hand) {
    handCursor_ = hand;
    if (hand) setCursor(Qt::PointingHandCursor);
    else unsetCursor();
}

QRect TSlideBar::ThumbRect() const {
    const int tw = picture_.width();
    const int th = picture_.height();
    int left = SlideThumbLeft(position_, min_, max_, width(), tw);
    if (dragging_) {
        left = SlideDragThumbLeft(lastMouseX_, halfThumbWidth_, width(), tw);
        // A thumb dragged into the forbidden range stays at the floor.
        if (floor_) left = std::max(left, SlideThumbLeft(Floored(min_), min_, max_, width(), tw));
    }
    return QRect(left, (height() - th) / 2, tw, th);
}

QImage TSlideBar::RenderImage() const {
    TSlideBarLook look;
    look.width = width();
    look.height = height();
    look.min = min_;
    look.max = max_;
    look.thumbLeft = ThumbRect().left();
    look.style = style_;
    look.thickness = thickness_;
    look.ticks = ticks_;
    look.floor = floor_;
    look.focused = hasFocus();
    look.focusColor = focusColor_;
    // Without a background of its own the bar shows its parent around the
    // groove and the thumb.
    look.background = autoFillBackground() ? palette().color(backgroundRole()) : QColor(Qt::transparent);
    look.picture = picture_;
    look.mask = mask_;
    return RenderSlideBar(look);
}

void TSlideBar::paintEvent(QPaintEvent*) {
    // Drawn pixel by pixel at the control's own size; on a high-density
    // screen each pixel becomes a block, as the thumb pictures are bitmaps.
    QPainter p(this);
    p.drawImage(rect(), RenderImage());
}

void TSlideBar::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    const QPoint pt = e->position().toPoint();
    dragging_ = ThumbRect().contains(pt);
    lastMouseX_ = pt.x();
}

void TSlideBar::mouseMoveEvent(QMouseEvent* e) {
    const int x = e->position().toPoint().x();
    if ((e->buttons() & Qt::LeftButton) && dragging_ && x != lastMouseX_) {
        lastMouseX_ = x;
        SetPosition(Floored(SlidePositionFromX(x, min_, max_, width(), halfThumbWidth_, step_)));
    }
}

void TSlideBar::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int x = e->position().toPoint().x();
    const int left = SlideThumbLeft(position_, min_, max_, width(), picture_.width());
    const int p = SlideReleasePosition(dragging_, x, position_, left, min_, max_, width(),
                                       halfThumbWidth_, step_);
    dragging_ = false;
    SetPosition(Floored(p));
}

void TSlideBar::keyPressEvent(QKeyEvent* e) {
    TSlideKey key;
    switch (e->key()) {
    case Qt::Key_PageUp: key = TSlideKey::PageUp; break;
    case Qt::Key_PageDown: key = TSlideKey::PageDown; break;
    case Qt::Key_Home: key = TSlideKey::Home; break;
    case Qt::Key_End: key = TSlideKey::End; break;
    case Qt::Key_Left: key = TSlideKey::Left; break;
    case Qt::Key_Right: key = TSlideKey::Right; break;
    case Qt::Key_Up: key = TSlideKey::Up; break;
    case Qt::Key_Down: key = TSlideKey::Down; break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    if (const auto p = SlideKeyPosition(key, position_, min_, max_, step_)) SetPosition(Floored(*p));
}

void TSlideBar::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update();
}

void TSlideBar::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}
