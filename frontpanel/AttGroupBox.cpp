#include "frontpanel/AttGroupBox.h"

#include "controls/SlideBar.h"
#include "controls/SpinNum.h"
#include "frontpanel/FrontPanelRules.h"

#include <QResizeEvent>
#include <QTimer>

#include <algorithm>

TAttGroupBox::TAttGroupBox(QWidget* parent) : QGroupBox(parent) {
    spinEdit_ = new TSpinNumEdit(this);
    spinEdit_->move(kChildLeft, kChildTop);
    spinEdit_->resize(kChildWidth, spinEdit_->height());
    slideBar_ = new TSlideBar(this);
    slideBar_->setGeometry(kChildLeft, spinEdit_->height() + kChildTop, kChildWidth, slideBar_->height());
    slideBar_->SetThumbStyle(TThumbStyle::tsBar1);
    slideBar_->SetTicks(false);
    CreateFloorLine();

    spinEdit_->SetDecimal(false);
    spinEdit_->SetMinValue(0);
    spinEdit_->SetMaxValue(1100);
    slideBar_->SetMin(0);
    slideBar_->SetMax(1100);
    slideBar_->SetPosition(spinEdit_->Value());  // thumb where the text "0" says

    changeTimer_ = new QTimer(this);
    changeTimer_->setSingleShot(true);
    changeTimer_->setTimerType(Qt::PreciseTimer);
    changeTimer_->setInterval(kChangeDelayMs);

    connect(spinEdit_, &QLineEdit::textChanged, this, &TAttGroupBox::SpinEditChange);
    connect(spinEdit_, &TSpinNumEdit::KeyUp, this, [this](int key) { SpinEditKeyUp(key); });
    connect(spinEdit_, &TSpinNumEdit::Exit, this, &TAttGroupBox::SpinEditExit);
    connect(spinEdit_, &TSpinNumEdit::Refused, this, &TAttGroupBox::SpinEditRefused);
    connect(slideBar_, &TSlideBar::Change, this, &TAttGroupBox::SlideBarChange);
    connect(changeTimer_, &QTimer::timeout, this, &TAttGroupBox::ChangeTimerTimer);

    resize(129, 73);
    LayoutChildren();
}

TAttGroupBox::~TAttGroupBox() {
    // Children go in the order timer, slide bar, spin edit, and none of
    // their last signals reaches this half-destroyed box.
    changeTimer_->stop();
    disconnect(spinEdit_, nullptr, this, nullptr);
    disconnect(slideBar_, nullptr, this, nullptr);
    delete changeTimer_;
    delete slideBar_;
    delete spinEdit_;
}

int TAttGroupBox::Value() const { return spinEdit_->Value(); }

void TAttGroupBox::SetValue(int v) {
    spinEdit_->SetValue(v);
    lastValue_ = spinEdit_->Value();
}

int TAttGroupBox::MinValue() const { return spinEdit_->MinValue(); }

void TAttGroupBox::SetMinValue(int m) {
    spinEdit_->SetMinValue(m);
    slideBar_->SetMin(m);
}

int TAttGroupBox::MaxValue() const { return spinEdit_->MaxValue(); }

void TAttGroupBox::SetMaxValue(int m) {
    spinEdit_->SetMaxValue(m);
    slideBar_->SetMax(m);
    ShowFloorLine();
}

bool TAttGroupBox::Decimal() const { return spinEdit_->Decimal(); }

void TAttGroupBox::SetDecimal(bool decimal) {
    spinEdit_->SetDecimal(decimal);
    ShowFloorLine();
}

void TAttGroupBox::SetStep(int step) {
    spinEdit_->SetIncrement(step);
    slideBar_->SetStep(step);
}

bool TAttGroupBox::ChangePending() const { return changeTimer_->isActive(); }

bool TAttGroupBox::ShowReadBack(int v) {
    if (OperatorInputPending()) {
        lastValue_ = spinEdit_->Clamp(v);
        return echo_.Pending();
    }
    // What the attenuator holds is shown as it is, below the floor too.
    writingReadBack_ = true;
    WriteHeld(v);
    writingReadBack_ = false;
    return echo_.Pending();
}

void TAttGroupBox::ShowSent(int v) {
    if (OperatorTyping()) {
        lastValue_ = spinEdit_->Clamp(v);
        return;
    }
    WriteQuietly(v);
    lastValue_ = spinEdit_->Value();
}

void TAttGroupBox::ShowSetFromScript(int v) {
    if (OperatorTyping()) {
        lastValue_ = spinEdit_->Clamp(v);
        return;
    }
    // Typing left over from an edit that lost its focus some other way is
    // no entry of the operator's any more.
    spinEdit_->ClearTyping();
    EndPendingChange();
    WriteQuietly(v);
    lastValue_ = spinEdit_->Value();
}

bool TAttGroupBox::OperatorInputPending() const {
    return OperatorTyping() || (changeTimer_->isActive() && !echo_.Pending());
}

bool TAttGroupBox::OperatorTyping() const {
    // A window left for another keeps its focus widget: the operator comes
    // back to their text.
    return spinEdit_->Typing() && (spinEdit_->hasFocus() || window()->focusWidget() == spinEdit_);
}

void TAttGroupBox::CancelPendingChange() { EndPendingChange(); }

void TAttGroupBox::EndPendingChange() {
    changeTimer_->stop();
    DropEcho();
}

void TAttGroupBox::DropEcho() {
    if (echo_.Drop()) emit EchoDropped(this);
}

void TAttGroupBox::FollowSpinEdit() {
    syncing_ = true;
    slideBar_->SetPosition(spinEdit_->Value());
    syncing_ = false;
}

void TAttGroupBox::SpinEditChange() {
    if (quiet_ || spinEdit_->Typing()) return;
    FollowSpinEdit();
    if (echo_.ValueWritten(writingReadBack_)) emit EchoDropped(this);
    changeTimer_->stop();
    changeTimer_->start();
}

void TAttGroupBox::SlideBarChange() {
    if (syncing_) return;
    spinEdit_->SetValue(slideBar_->Position());
}

void TAttGroupBox::ChangeTimerTimer() {
    changeTimer_->stop();
    // Typing began after the last movement: the text is the user's
    // unfinished entry, reported on Enter or abandoned on leaving. The
    // pending change is dropped.
    if (spinEdit_->Typing()) {
        DropEcho();
        return;
    }
    Report();
}

void TAttGroupBox::Report() {
    lastValue_ = spinEdit_->Value();
    echo_.BeginReport();
    emit Change(this);
    echo_.EndReport();
}

void TAttGroupBox::SpinEditKeyUp(int key) {
    if (key == Qt::Key_Escape) {
        // The operator drops their entry: the box shows what the attenuator
        // holds, which may have changed meanwhile.
        if (!spinEdit_->Typing()) return;
        RestoreLastValue();
        spinEdit_->selectAll();
        return;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
    if (!spinEdit_->TextIsNumber()) {
        // An emptied box, "-" or "5-" means no value; reading it would give
        // the minimum, the least attenuation. Show the last value again.
        RestoreLastValue();
        spinEdit_->selectAll();
        return;
    }
    // The value confirmed now replaces whatever change was pending.
    EndPendingChange();
    spinEdit_->SetValue(spinEdit_->Value());  // clamps and reformats
    FollowSpinEdit();
    Report();
    spinEdit_->selectAll();
}

void TAttGroupBox::SpinEditRefused(TSpinRefusal why) {
    const std::string message = RefusedCharacterMessage(why);
    if (!message.empty()) emit InputRefused(QString::fromStdString(message));
}

void TAttGroupBox::SpinEditExit() {
    // Leaving in the middle of typing abandons the typed text; otherwise the
    // edit would keep holding back every later change.
    if (spinEdit_->Typing()) RestoreLastValue();
}

void TAttGroupBox::RestoreLastValue() {
    spinEdit_->ClearTyping();
    EndPendingChange();
    WriteQuietly(lastValue_);
}

void TAttGroupBox::WriteQuietly(int v) {
    quiet_ = true;
    spinEdit_->SetValueIgnoringFloor(v);
    quiet_ = false;
    FollowSpinEdit();
}

void TAttGroupBox::WriteHeld(int v) {
    spinEdit_->SetValueIgnoringFloor(v);
    lastValue_ = spinEdit_->Value();
}

void TAttGroupBox::LayoutChildren() {
    const int w = std::min(width(), kChildWidth) - 2 * kChildLeft;
    spinEdit_->resize(w, spinEdit_->height());
    slideBar_->resize(w, slideBar_->height());
    LayoutFloorLine();
}

void TAttGroupBox::resizeEvent(QResizeEvent* e) {
    QGroupBox::resizeEvent(e);
    LayoutChildren();
}
