#pragma once
// The front-panel box of one attenuator: a captioned group box with a
// numeric spin edit above a slide bar, kept in step. A settled change is
// reported once through Change: 300 ms after the last arrow, key or slide
// movement, or at once when Enter is released in the edit. Text the user is
// typing is never reported before Enter, and nothing else (a read-back, a
// script's set) replaces it; Escape drops it.
//
// A floor (AttGroupBoxFloor.cpp) is the least value the operator can give:
// the arrows, the keys, the slide bar and a confirmed entry stop at it, and
// no change below it is reported but the echo of a read-back. Values the
// owner shows (a read-back, what was sent, a script's set) are shown as
// they are, even below it.

#include <QColor>
#include <QGroupBox>

#include <optional>

#include "controls/SpinNumValue.h"
#include "frontpanel/EchoFilter.h"

class QLabel;
class QTimer;
class TSlideBar;
class TSpinNumEdit;

class TAttGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TAttGroupBox(QWidget* parent = nullptr);
    ~TAttGroupBox() override;

    // The edit's value (parsed from its text; MinValue when the text is not
    // a number).
    int Value() const;
    // Writes a value (clamped, raised to the floor, formatted). A value
    // that changes the shown text is reported like a user change, 300 ms
    // later.
    void SetValue(int v);
    int MinValue() const;
    void SetMinValue(int m);
    int MaxValue() const;
    void SetMaxValue(int m);
    // One-decimal display: the value counts tenths. The shown text is
    // reformatted by the next value written.
    bool Decimal() const;
    void SetDecimal(bool decimal);
    // The step the arrows, the arrow keys and the slide bar move the value
    // by; the slide bar lands on its multiples (Page keys by a multiple).
    void SetStep(int step);
    // The floor in the value's unit; none, or 0, is no floor at all. The
    // slide bar shows the range below it hatched, the line under the bar
    // names it ("Floor at maximum" where it leaves only the maximum).
    std::optional<int> Floor() const { return floor_; }
    void SetFloor(std::optional<int> floor);
    // The attenuator holds less than the floor: the value is shown in the
    // warning colour and the line under the bar says "Below floor".
    bool BelowFloor() const { return belowFloor_; }
    void SetBelowFloor(bool below);
    QLabel* FloorLine() const { return floorLine_; }
    static inline const QColor kWarningColour{192, 0, 0};

    TSpinNumEdit* SpinEdit() const { return spinEdit_; }
    TSlideBar* SlideBar() const { return slideBar_; }
    bool ChangePending() const;

    // Writes a value read back from the attenuator. A change that this write
    // schedules is its echo: reported with ChangeIsEcho set, so that the
    // owner does not send the value back. The operator's input wins: while
    // they type in the focused edit, or a move of theirs waits to be
    // reported, the text is left alone and the value is only kept as what
    // the attenuator holds (shown again if they abandon their entry).
    // Returns whether an echo is pending.
    bool ShowReadBack(int v);
    // Shows the value the owner sent for the value just reported, where the
    // attenuator takes only a coarser step (57.3 sent as 57.5): no change is
    // scheduled for it. Kept only as what the attenuator holds while the
    // operator types.
    void ShowSent(int v);
    // Shows a value set from outside the panel (a script), as if typed and
    // confirmed: shown at once, the slide bar with it, and no change of it
    // reported. While the operator types in the edit their text stays: the
    // value is only kept as what the attenuator holds, shown if they press
    // Escape; Enter reports their own value as ever.
    void ShowSetFromScript(int v);
    // The operator is typing in the focused edit, or a change that is not
    // the echo of a read-back waits to be reported.
    bool OperatorInputPending() const;
    // The operator is typing in the edit, which has their window's focus
    // (also while another window is active).
    bool OperatorTyping() const;
    // True only while Change reports the echo of a read-back.
    bool ChangeIsEcho() const { return echo_.IsEcho(); }
    // Drops the pending change, if any, without reporting it.
    void CancelPendingChange();

    static constexpr int kChangeDelayMs = 300;
    static constexpr int kChildLeft = 8;
    static constexpr int kChildTop = 20;
    static constexpr int kChildWidth = 89;

signals:
    // A settled change of the value; emitted on the GUI thread.
    void Change(TAttGroupBox* sender);
    // The pending echo of a read-back was dropped or replaced, so it will
    // never be reported.
    void EchoDropped(TAttGroupBox* sender);
    // A typed character was refused (with the beep): a short message for
    // the operator, such as "Whole decibels only".
    void InputRefused(const QString& message);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void SpinEditChange();
    void SlideBarChange();
    void SpinEditKeyUp(int key);
    void SpinEditRefused(TSpinRefusal why);
    void SpinEditExit();
    void ChangeTimerTimer();
    void FollowSpinEdit();
    void RestoreLastValue();
    void WriteQuietly(int v);
    void EndPendingChange();
    void DropEcho();
    void Report();
    void LayoutChildren();
    void CreateFloorLine();
    void LayoutFloorLine();
    void ShowFloorLine();
    // Writes a value the owner knows the attenuator holds or is sent: below
    // the floor too.
    void WriteHeld(int v);

    TSpinNumEdit* spinEdit_ = nullptr;
    TSlideBar* slideBar_ = nullptr;
    QLabel* floorLine_ = nullptr;
    std::optional<int> floor_;
    bool belowFloor_ = false;
    QTimer* changeTimer_ = nullptr;
    bool syncing_ = false;
    bool quiet_ = false;  // a write of the box's own that schedules no change
    bool writingReadBack_ = false;
    TEchoFilter echo_;
    // The value last reported, or last written by the owner: what the
    // attenuator is believed to hold.
    int lastValue_ = 0;
};
