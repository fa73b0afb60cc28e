#pragma once
// The slide bar: a horizontal slider drawn by the control itself, a thin
// engraved groove with optional ticks and a small masked thumb picture. It
// holds Position within Min..Max and raises Change on every write of
// Position. An optional floor keeps the mouse and the keys at or above it
// and shows the range below it hatched. The arithmetic is in
// SlideBarMath.h, the drawing in SlideBarPaint.h.

#include "controls/SlideBarPaint.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <optional>

class TSlideBar : public QWidget {
    Q_OBJECT
public:
    explicit TSlideBar(QWidget* parent = nullptr);
    ~TSlideBar() override;

    int Min() const { return min_; }
    void SetMin(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    int Position() const { return position_; }
    // Keeps the old position when v is outside Min..Max; raises Change in
    // every case. v is taken as it is, also between two multiples of Step.
    void SetPosition(int v);
    // The mouse and the keys move the bar to multiples of Step only
    // (SlideBarMath.h); 1 by default, values below 1 are ignored.
    int Step() const { return step_; }
    void SetStep(int step);
    // The lowest position the mouse and the keys give (see RaiseToFloor);
    // none by default. Positions written by the program may lie below it.
    std::optional<int> Floor() const { return floor_; }
    void SetFloor(std::optional<int> floor);
    TBarStyle Style() const { return style_; }
    void SetStyle(TBarStyle style);
    int Thickness() const { return thickness_; }
    // 1..5; other values are ignored.
    void SetThickness(int t);
    bool Ticks() const { return ticks_; }
    void SetTicks(bool ticks);
    TThumbStyle ThumbStyle() const { return thumbStyle_; }
    void SetThumbStyle(TThumbStyle style);
    QColor FocusColor() const { return focusColor_; }
    void SetFocusColor(const QColor& colour);
    bool HandCursor() const { return handCursor_; }
    void SetHandCursor(bool hand);

    const QImage& ThumbPicture() const { return picture_; }
    const QImage& ThumbMask() const { return mask_; }
    // Where the thumb is drawn now (under the mouse while dragging).
    QRect ThumbRect() const;
    bool Dragging() const { return dragging_; }
    // The control as it looks now, one image pixel per control pixel.
    QImage RenderImage() const;

signals:
    void Change(TSlideBar* sender);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void LoadThumb(TThumbStyle style);
    int Floored(int position) const;

    int min_ = 1;
    int max_ = 10;
    int position_ = 1;
    int step_ = 1;
    std::optional<int> floor_;
    TBarStyle style_ = TBarStyle::bsLowered;
    int thickness_ = 1;
    bool ticks_ = false;
    TThumbStyle thumbStyle_ = TThumbStyle::tsCircle1;
    QColor focusColor_ = Qt::black;
    bool handCursor_ = true;
    QImage picture_;
    QImage mask_;
    int halfThumbWidth_ = 0;
    int halfThumbHeight_ = 0;
    bool dragging_ = false;
    int lastMouseX_ = 0;
};
