// The arrow pair of the spin edit and its auto-repeating buttons.
#include "controls/ControlResources.h"
#include "controls/SpinNum.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

// One part of a glyph strip of numGlyphs equal parts.
QImage GlyphPart(const QImage& strip, int numGlyphs, int index) {
    if (strip.isNull() || numGlyphs <= 1) return strip;
    const int w = strip.width() / numGlyphs;
    return strip.copy(w * index, 0, w, strip.height());
}

// A greyed copy of a glyph for the disabled look: same shape, dark grey.
QImage Greyed(const QImage& glyph, const QColor& colour) {
    QImage out = glyph.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            if (qAlpha(out.pixel(x, y)) != 0)
                out.setPixel(x, y, qRgba(colour.red(), colour.green(), colour.blue(), qAlpha(out.pixel(x, y))));
    return out;
}

bool CanTakeFocus(const QWidget* w) {
    return w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
}

}  // namespace

// --- TRepeatSpeedButton ----------------------------------------------------

TRepeatSpeedButton::TRepeatSpeedButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TRepeatSpeedButton::SetAllowTimer(bool allow) {
    allowTimer_ = allow;
    if (!allow && repeatTimer_) repeatTimer_->stop();
}

void TRepeatSpeedButton::SetFocusRectShown(bool shown) {
    if (focusRectShown_ == shown) return;
    focusRectShown_ = shown;
    update();
}

void TRepeatSpeedButton::SetGlyph(const QImage& glyph, int numGlyphs) {
    glyph_ = glyph;
    numGlyphs_ = numGlyphs < 1 ? 1 : numGlyphs;
    update();
}

QSize TRepeatSpeedButton::sizeHint() const { return {15, 9}; }

void TRepeatSpeedButton::mousePressEvent(QMouseEvent* e) {
    QAbstractButton::mousePressEvent(e);
    if (!allowTimer_ || !isDown()) return;
    if (!repeatTimer_) {
        repeatTimer_ = new QTimer(this);
        repeatTimer_->setTimerType(Qt::PreciseTimer);
        connect(repeatTimer_, &QTimer::timeout, this, &TRepeatSpeedButton::TimerExpired);
    }
    repeatTimer_->setInterval(kFirstRepeatMs);
    repeatTimer_->start();
}

void TRepeatSpeedButton::mouseReleaseEvent(QMouseEvent* e) {
    if (repeatTimer_) repeatTimer_->stop();
    QAbstractButton::mouseReleaseEvent(e);  // the click on release over the button
}

void TRepeatSpeedButton::TimerExpired() {
    repeatTimer_->setInterval(kRepeatMs);
    // Only while the button is still held down under the mouse; dragged off
    // it, the button pops up and the repeat pauses.
    if (!isDown()) return;
    try {
        emit clicked(false);
    } catch (...) {
        repeatTimer_->stop();
        throw;
    }
}

void TRepeatSpeedButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const int w = width();
    const int h = height();
    const bool down = isDown();
    p.fillRect(rect(), pal.color(QPalette::Button));
    if (down) {
        p.fillRect(QRect(0, 0, w, 1), pal.color(QPalette::Dark));
        p.fillRect(QRect(0, 0, 1, h), pal.color(QPalette::Dark));
    } else {
        p.fillRect(QRect(0, 0, w - 1, 1), pal.color(QPalette::Light));
        p.fillRect(QRect(0, 0, 1, h - 1), pal.color(QPalette::Light));
        p.fillRect(QRect(1, h - 2, w - 2, 1), pal.color(QPalette::Dark));
        p.fillRect(QRect(w - 2, 1, 1, h - 2), pal.color(QPalette::Dark));
        p.fillRect(QRect(0, h - 1, w, 1), pal.color(QPalette::Shadow));
        p.fillRect(QRect(w - 1, 0, 1, h), pal.color(QPalette::Shadow));
    }
    const int shift = down ? 1 : 0;
    QImage glyph = GlyphPart(glyph_, numGlyphs_, 0);
    if (!isEnabled())
        glyph = numGlyphs_ > 1 ? GlyphPart(glyph_, numGlyphs_, 1) : Greyed(glyph, pal.color(QPalette::Dark));
    if (!glyph.isNull())
        p.drawImage(QPoint((w - glyph.width()) / 2 + shift, (h - glyph.height()) / 2 + shift), glyph);
    if (focusRectShown_) {
        QPen pen(pal.color(QPalette::WindowText), 0, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(3 + shift, 3 + shift, w - 7, h - 7));
    }
}

// --- TSpinArrows -----------------------------------------------------------

TSpinArrows::TSpinArrows(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    up_ = new TRepeatSpeedButton(this);
    down_ = new TRepeatSpeedButton(this);
    SetUpGlyph({});
    SetDownGlyph({});
    focused_ = up_;
    connect(up_, &QAbstractButton::clicked, this, [this] { emit UpClick(this); });
    connect(down_, &QAbstractButton::clicked, this, [this] { emit DownClick(this); });
    connect(up_, &QAbstractButton::pressed, this, [this] { ButtonPressed(up_); });
    connect(down_, &QAbstractButton::pressed, this, [this] { ButtonPressed(down_); });
    resize(20, 25);
    AdjustButtons();
}

void TSpinArrows::SetTabStop(bool tabStop) {
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
}

void TSpinArrows::SetUpGlyph(const QImage& glyph, int numGlyphs) {
    if (glyph.isNull()) up_->SetGlyph(LoadControlPicture("SpinUp"), 1);
    else up_->SetGlyph(glyph, numGlyphs);
}

void TSpinArrows::SetDownGlyph(const QImage& glyph, int numGlyphs) {
    if (glyph.isNull()) down_->SetGlyph(LoadControlPicture("SpinDown"), 1);
    else down_->SetGlyph(glyph, numGlyphs);
}

void TSpinArrows::AdjustButtons() {
    if (!up_ || !down_) return;
    if (width() < kMinWidth) {
        resize(kMinWidth, height());  // the resize event lays the buttons out
        return;
    }
    const int w = width();
    const int h = height();
    const int upHeight = h / 2;
    up_->setGeometry(0, 0, w, upHeight);
    down_->setGeometry(0, upHeight - 1, w, h - upHeight + 1);
}

void TSpinArrows::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    AdjustButtons();
}

void TSpinArrows::SetFocusBtn(TRepeatSpeedButton* button) {
    if (!TabStop() || !CanTakeFocus(this) || button == focused_) return;
    focused_->SetFocusRectShown(false);
    focused_ = button;
    focused_->SetFocusRectShown(hasFocus());
}

void TSpinArrows::ButtonPressed(TRepeatSpeedButton* button) {
    SetFocusBtn(button);
    QWidget* target = focusControl_;
    if (target && target->focusPolicy() & Qt::TabFocus && CanTakeFocus(target) && !target->hasFocus())
        target->setFocus(Qt::MouseFocusReason);
    else if (TabStop() && !hasFocus() && CanTakeFocus(this))
        setFocus(Qt::MouseFocusReason);
}

void TSpinArrows::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Space:
        if (focused_ == up_) emit UpClick(this);
        else emit DownClick(this);
        break;
    case Qt::Key_Up:
        SetFocusBtn(up_);
        emit UpClick(this);
        break;
    case Qt::Key_Down:
        SetFocusBtn(down_);
        emit DownClick(this);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

void TSpinArrows::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    focused_->SetFocusRectShown(true);
}

void TSpinArrows::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    focused_->SetFocusRectShown(false);
}
