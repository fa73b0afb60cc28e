#pragma once
// The numeric spin edit: a one-line edit holding an integer Value between
// MinValue and MaxValue, with up/down arrows inside its right edge, a
// character filter, and a Typing flag that tells its owner the user is in
// the middle of typing. TSpinArrows is the arrow pair, TRepeatSpeedButton
// each auto-repeating arrow. The arithmetic is in SpinNumValue.h.

#include <QAbstractButton>
#include <QImage>
#include <QLineEdit>
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

class TSpinNumEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TSpinNumEdit(QWidget* parent = nullptr);

    // The value parsed from the text (MinValue when the text is not a
    // number); not clamped.
    int Value() const;
    // Shows clamp(v) formatted; textChanged (the change notification) is
    // raised only when the text actually changes.
    void SetValue(int v);
    // Whether the text is a number at all.
    bool TextIsNumber() const;

    int MinValue() const { return minValue_; }
    void SetMinValue(int v) { minValue_ = v; }
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v) { maxValue_ = v; }
    int Increment() const { return increment_; }
    void SetIncrement(int v) { increment_ = v; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool enabled) { editorEnabled_ = enabled; }
    bool Decimal() const { return decimal_; }
    void SetDecimal(bool decimal) { decimal_ = decimal; }
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool ctl3D);

    // Set by every accepted keystroke and every edit of the text by the
    // user; cleared by Enter. An owner that abandons the typed text clears
    // it with ClearTyping.
    bool Typing() const { return typing_; }
    void ClearTyping() { typing_ = false; }

    // The value within bounds (see SpinClamp).
    int Clamp(int v) const;
    void UpClick();
    void DownClick();

    int MinHeight() const;
    TSpinArrows* Arrows() const { return arrows_; }

signals:
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void KeyPress(QChar ch);
    void KeyUp(int key, Qt::KeyboardModifiers modifiers);
    void Enter();
    void Exit();
    // A refused character or a step on a read-only edit sounded the beep.
    void Beeped();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    class TEditorLock;
    void Beep();
    void PlaceArrows();
    bool TextMayBeEdited() const { return editorEnabled_ && !isReadOnly(); }

    TSpinArrows* arrows_ = nullptr;
    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
    bool editorEnabled_ = true;
    bool decimal_ = false;
    bool typing_ = false;
    bool autoSelect_ = true;
    bool ctl3D_ = true;
};
