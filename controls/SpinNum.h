#pragma once
// The numeric spin edit: a one-line edit holding an integer Value between
// MinValue and MaxValue, with up/down arrows inside its right edge, a
// character filter, and a Typing flag that tells its owner the user is in
// the middle of typing. The arrows are in SpinArrows.h, the arithmetic is in SpinNumValue.h.

#include <QImage>
#include <QLineEdit>

#include "controls/SpinArrows.h"
#include "controls/SpinNumValue.h"

class TSpinNumEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TSpinNumEdit(QWidget* parent = nullptr);

    // The value parsed from the text (MinValue when the text is not a
    // number); not clamped.
    int Value() const;
    // Shows clamp(v), raised to the floor, formatted; textChanged (the
    // change notification) is raised only when the text actually changes.
    void SetValue(int v);
    // Shows clamp(v) formatted even where it lies below the floor: a value
    // the owner knows to be held, not one the user chose.
    void SetValueIgnoringFloor(int v);
    // Whether the text is a number at all.
    bool TextIsNumber() const;

    int MinValue() const { return minValue_; }
    void SetMinValue(int v) { minValue_ = v; }
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v) { maxValue_ = v; }
    int Increment() const { return increment_; }
    void SetIncrement(int v) { increment_ = v; }
    // The lowest value the arrows, the arrow keys and SetValue give (see
    // RaiseToFloor); none by default. The text shown is left as it is.
    std::optional<int> Floor() const { return floor_; }
    void SetFloor(std::optional<int> floor) { floor_ = floor; }
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
    // A typed character was refused (after the beep), and why.
    void Refused(TSpinRefusal why);

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
    void KeyPressed(QKeyEvent* e);
    void Beep();
    void PlaceArrows();
    bool TextMayBeEdited() const { return editorEnabled_ && !isReadOnly(); }

    TSpinArrows* arrows_ = nullptr;
    TSpinKeyFilter filter_;
    bool inKey_ = false;  // a key press is being handled
    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
    std::optional<int> floor_;
    bool editorEnabled_ = true;
    bool decimal_ = false;
    bool typing_ = false;
    bool autoSelect_ = true;
    bool ctl3D_ = true;
};
