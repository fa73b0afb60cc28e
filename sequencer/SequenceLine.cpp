#include "sequencer/SequenceLine.h"

#include "controls/SpinNum.h"
#include "sequencer/SequenceFile.h"

#include <QComboBox>
#include <QLabel>

namespace {

constexpr int kEditHeight = 22;
constexpr int kEditWidth = 57;
constexpr int kUnitWidth = 22;

int CentredTop(int height) { return (TSequenceLine::RowHeight - height) / 2; }

// A unit label is one line of text as high as its font; unitHeight 0 asks
// the label (which polishes it), the next labels of the row take that.
QLabel* MakeText(QWidget* parent, const QString& text, int left, int width, Qt::Alignment align, bool sunken,
                 int unitHeight = 0) {
    auto* label = new QLabel(text, parent);
    const int height = sunken ? 17 : unitHeight > 0 ? unitHeight : label->sizeHint().height();
    label->setGeometry(left, CentredTop(height), width, height);
    label->setAlignment(align | Qt::AlignVCenter);
    if (sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

TSpinNumEdit* MakeEdit(QWidget* parent, int left, int maxValue) {
    auto* edit = new TSpinNumEdit(parent);
    edit->setGeometry(left, CentredTop(kEditHeight), kEditWidth, kEditHeight);
    edit->SetMinValue(0);
    edit->SetMaxValue(maxValue);
    edit->setText(QStringLiteral("0"));
    return edit;
}

// Whole numbers for a row number or a count: a text with a decimal point
// is replaced.
void MakeWhole(TSpinNumEdit* edit, int minValue, const QString& replacement) {
    edit->SetDecimal(false);
    edit->SetMinValue(minValue);
    if (edit->text().contains(QLatin1Char('.'))) edit->setText(replacement);
}

}  // namespace

TSequenceLine::TSequenceLine(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::NoFrame);
    resize(RowWidth, RowHeight);
    NumberText = MakeText(this, QStringLiteral("1"), 5, 25, Qt::AlignHCenter, true);
    TimeText = MakeText(this, QStringLiteral("0.0"), 35, 40, Qt::AlignRight, true);
    ActionBox = new QComboBox(this);
    ActionBox->setEditable(false);
    ActionBox->setGeometry(80, CentredTop(kEditHeight), 81, kEditHeight);
    {
        // One point smaller than the row, so that "No Action" fits the
        // 81-pixel list beside its arrow.
        QFont f = ActionBox->font();
        f.setPointSizeF(f.pointSizeF() - 1);
        ActionBox->setFont(f);
    }
    FromEdit = MakeEdit(this, 166, 110);
    FromUnit = MakeText(this, QStringLiteral("dB"), 166 + kEditWidth, kUnitWidth, Qt::AlignHCenter, false);
    ToEdit = MakeEdit(this, 245, 110);
    const int unitHeight = FromUnit->height();
    ToUnit = MakeText(this, QStringLiteral("dB"), 245 + kEditWidth, kUnitWidth, Qt::AlignHCenter, false, unitHeight);
    DurationEdit = MakeEdit(this, 324, 9999);
    DurationUnit =
        MakeText(this, QStringLiteral("Sec"), 324 + kEditWidth, kUnitWidth, Qt::AlignHCenter, false, unitHeight);

    // The action list reports only choices made by the user; From reports nothing.
    connect(ActionBox, &QComboBox::activated, this, [this] { Change(ActionBox); });
    connect(ToEdit, &QLineEdit::textChanged, this, [this] { Change(ToEdit); });
    connect(DurationEdit, &QLineEdit::textChanged, this, [this] { Change(DurationEdit); });
}

void TSequenceLine::Loaded() {
    ActionBox->clear();
    for (const char* name : ActionNames) ActionBox->addItem(QString::fromLatin1(name));
    SetAction(ActionNone);
}

int TSequenceLine::Number() const {
    bool ok = false;
    const int n = NumberText->text().toInt(&ok);
    return ok ? n : 0;
}

void TSequenceLine::SetNumber(int number) { NumberText->setText(QString::number(number)); }

int TSequenceLine::Time() const {
    QString text = TimeText->text();
    const int dot = text.indexOf(QLatin1Char('.'));
    if (dot >= 0) text.remove(dot, 1);
    bool ok = false;
    const int t = text.toInt(&ok);
    return ok ? t : 0;
}

void TSequenceLine::SetTime(int time) {
    if (time < 0) time = 0;
    const QString text = QStringLiteral("%1.%2").arg(time / 10).arg(time % 10);
    if (TimeText->text() != text) TimeText->setText(text);
}

int TSequenceLine::Action() const {
    const int index = ActionBox->currentIndex();
    return index < 0 ? ActionUnset : index;
}

void TSequenceLine::SetAction(int action) {
    ActionBox->setCurrentIndex(action >= 0 && action < ActionBox->count() ? action : -1);
    ApplyAction();
}

int TSequenceLine::FromValue() const { return FromEdit->Value(); }
void TSequenceLine::SetFromValue(int value) { FromEdit->SetValue(value); }
int TSequenceLine::ToValue() const { return ToEdit->Value(); }
void TSequenceLine::SetToValue(int value) { ToEdit->SetValue(value); }
int TSequenceLine::DurationValue() const { return DurationEdit->Value(); }
void TSequenceLine::SetDurationValue(int value) { DurationEdit->SetValue(value); }

void TSequenceLine::Change(QObject* sender) {
    if (sender == ActionBox) ApplyAction();
    if (OnChange) OnChange(sender);
}

void TSequenceLine::ApplyAction() {
    const int action = ActionBox->currentIndex();
    if (action < ActionNone || action > ActionRepeat) return;
    const bool from = action == ActionRamp;
    const bool to = action >= ActionRamp;
    const bool toUnit = action == ActionRamp || action == ActionStep;
    const bool duration = action != ActionReset && action != ActionGoto;
    const bool seconds = action == ActionNone || action == ActionRamp || action == ActionStep;
    FromEdit->setVisible(from);
    FromUnit->setVisible(from);
    ToEdit->setVisible(to);
    ToUnit->setVisible(toUnit);
    DurationEdit->setVisible(duration);
    DurationUnit->setVisible(seconds);

    switch (action) {
    case ActionNone:
        DurationEdit->SetDecimal(true);
        DurationEdit->SetMinValue(0);
        break;
    case ActionReset:
        break;
    case ActionRamp:
        FromEdit->SetMaxValue(MaxLevel);
        FromEdit->SetDecimal(LevelTenths);
        [[fallthrough]];
    case ActionStep:
        ToEdit->SetMinValue(0);
        ToEdit->SetMaxValue(MaxLevel);
        ToEdit->SetDecimal(LevelTenths);
        DurationEdit->SetDecimal(true);
        DurationEdit->SetMinValue(action == ActionRamp ? 3 : 0);
        if (action == ActionRamp && DurationEdit->Value() < 3) DurationEdit->SetValue(3);
        break;
    case ActionGoto:
    case ActionRepeat:
        MakeWhole(ToEdit, 1, QStringLiteral("1"));
        ToEdit->SetMaxValue(MaxLine);
        if (ToEdit->Value() < 1) ToEdit->SetValue(1);
        MakeWhole(DurationEdit, 0, action == ActionGoto ? QStringLiteral("0") : QStringLiteral("1"));
        break;
    }
}
