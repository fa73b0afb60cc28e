#pragma once
// One row of the sequence editor: row number, computed start time, the
// action and its three values From, To and Duration with their units.
// Choosing an action shows the fields it uses and sets their ranges and
// number formats.

#include <QFrame>
#include <functional>

class QComboBox;
class QLabel;
class TSpinNumEdit;

class TSequenceLine : public QFrame {
    Q_OBJECT
public:
    static constexpr int RowHeight = 27;
    static constexpr int RowWidth = 409;

    explicit TSequenceLine(QWidget* parent = nullptr);

    // Settings, given before Loaded.
    int MaxLevel = 110;        // maximum of From and To for "Ramp" and "Step"
    bool LevelTenths = false;  // From and To in tenths for "Ramp" and "Step"
    int MaxLine = 99;          // highest target row of "Goto" and "Repeat"

    // Completes the row: the six actions, "No Action" selected and applied.
    void Loaded();

    int Number() const;
    void SetNumber(int number);
    // Tenths of a second, shown with one decimal (125 as "12.5"); a negative
    // time is shown as 0.0.
    int Time() const;
    void SetTime(int time);
    // 0..5; 255 when no action is selected. Setting selects the action (an
    // unknown code leaves none selected) and applies it.
    int Action() const;
    void SetAction(int action);

    int FromValue() const;
    void SetFromValue(int value);
    int ToValue() const;
    void SetToValue(int value);
    int DurationValue() const;
    void SetDurationValue(int value);

    // Called with the child that changed: the action list (a choice made by
    // the user), the To edit and the Duration edit (every text change).
    virtual void Change(QObject* sender);
    std::function<void(QObject* sender)> OnChange;

    QLabel* NumberText = nullptr;
    QLabel* TimeText = nullptr;
    QComboBox* ActionBox = nullptr;
    TSpinNumEdit* FromEdit = nullptr;
    QLabel* FromUnit = nullptr;
    TSpinNumEdit* ToEdit = nullptr;
    QLabel* ToUnit = nullptr;
    TSpinNumEdit* DurationEdit = nullptr;
    QLabel* DurationUnit = nullptr;

private:
    void ApplyAction();
};
