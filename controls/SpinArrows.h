#pragma once
// The arrow pair of the spin edit: TSpinArrows, and TRepeatSpeedButton, each
// auto-repeating arrow.

#include <QAbstractButton>
#include <QImage>
#include <QPointer>

class QTimer;

// A flat button that raises its click on release over it and, while held,
// repeatedly: first 400 ms after the press, then every 100 ms.
class TRepeatSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TRepeatSpeedButton(QWidget* parent = nullptr);

    bool AllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool allow);
    bool FocusRectShown() const { return focusRectShown_; }
    void SetFocusRectShown(bool shown);
    // The picture drawn centred on the button; numGlyphs > 1 means the
    // picture is a strip of that many equal parts (normal, disabled, ...).
    void SetGlyph(const QImage& glyph, int numGlyphs = 1);
    const QImage& Glyph() const { return glyph_; }

    QSize sizeHint() const override;

    static constexpr int kFirstRepeatMs = 400;
    static constexpr int kRepeatMs = 100;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void TimerExpired();

    QTimer* repeatTimer_ = nullptr;  // created on first use
    bool allowTimer_ = true;
    bool focusRectShown_ = false;
    QImage glyph_;
    int numGlyphs_ = 1;
};

// The up/down button pair. The up button fills the upper half; the down
// button the rest, overlapping it by one pixel.
class TSpinArrows : public QWidget {
    Q_OBJECT
public:
    explicit TSpinArrows(QWidget* parent = nullptr);

    // The control that takes the focus when an arrow is pressed.
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control) { focusControl_ = control; }
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool tabStop);
    // Glyphs: an empty image restores the built-in triangle.
    void SetUpGlyph(const QImage& glyph, int numGlyphs = 1);
    void SetDownGlyph(const QImage& glyph, int numGlyphs = 1);

    TRepeatSpeedButton* UpButton() const { return up_; }
    TRepeatSpeedButton* DownButton() const { return down_; }
    TRepeatSpeedButton* FocusedButton() const { return focused_; }

    static constexpr int kMinWidth = 15;

signals:
    void UpClick(TSpinArrows* sender);
    void DownClick(TSpinArrows* sender);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void AdjustButtons();
    void SetFocusBtn(TRepeatSpeedButton* button);
    void ButtonPressed(TRepeatSpeedButton* button);

    TRepeatSpeedButton* up_ = nullptr;
    TRepeatSpeedButton* down_ = nullptr;
    TRepeatSpeedButton* focused_ = nullptr;
    QPointer<QWidget> focusControl_;  // cleared when that control is destroyed
};
