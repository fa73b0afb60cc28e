// The main window's side of the bench: what its boxes show of it, the
// operator's changes, naming, refresh and the menu commands.

#include "frontpanel/AttGroupBox.h"
#include "config/ConfigForm.h"
#include "frontpanel/MainForm.h"
#include "link/AttenuatorRules.h"
#include "link/TovarinProtocol.h"
#include "support/FilePaths.h"
#include "support/UserFolders.h"
#include "frontpanel/NameAttForm.h"

#include <QAction>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

int TMainForm::BoxNumberOf(const QObject* sender) const {
    for (int i = 0; i < SlotCount; ++i)
        if (AttGroupBoxes[i] == sender || NameButtons[i] == sender) return i + 1;
    return 0;
}

void TMainForm::BoxShown(int n, TBoxFact fact, const std::string& text) {
    if (n < 1 || n > SlotCount) return;
    TAttGroupBox* box = AttGroupBoxes[n - 1];
    switch (fact) {
    case TBoxFact::Status: return ShowStatus(n, text);
    case TBoxFact::Name: return box->setTitle(QString::fromStdString(text));
    case TBoxFact::Attenuation:
        // The box marks the change this write schedules as the echo of the
        // read-back, so that it is not sent back; the operator's input wins.
        if (const auto value = bench_->BoxState(n).Value) box->ShowReadBack(*value);
        return;
    }
}

void TMainForm::BoxChanged(int n, const TBenchBox& state) {
    if (n < 1 || n > SlotCount) return;
    AttGroupBoxes[n - 1]->SetFloor(state.Floor);
    AttGroupBoxes[n - 1]->SetBelowFloor(state.BelowFloor);
}

void TMainForm::ShowStatus(int n, const std::string& caption) {
    TAttGroupBox* box = AttGroupBoxes[n - 1];
    const TBenchBox& state = bench_->BoxState(n);
    box->setTitle(QString::fromStdString(caption));
    if (state.Usable) {
        box->setEnabled(true);
        box->SetDecimal(state.Decimal);
        box->SetStep(state.Step);
        box->SetMaxValue(state.MaxValue);
    }
    box->setEnabled(state.Usable);
    NameButtons[n - 1]->setEnabled(state.Usable);
}

void TMainForm::AttGroupBox05Change(TAttGroupBox* sender) {
    int n = BoxNumberOf(sender);
    if (n == 0) n = 1;
    // From the moment parking begins only the park value may be sent.
    if (bench_->HoldsInput()) return;
    // The box knows whether this change is the echo of a read-back written
    // into it; only that change is swallowed, whatever else holds.
    if (sender != nullptr && sender->ChangeIsEcho()) return;
    // While the sequencer drives the attenuators, values it writes into the
    // boxes are not sent again.
    if (sequencerOpen_) return;
    SetAttenuator(n, "0", AttGroupBoxes[n - 1]->Value());
}

bool TMainForm::AttEnabled(int n) const { return bench_->AttEnabled(n); }

int TMainForm::AttMaxAtt(int n) const { return bench_->LinkMaxAtt(n); }

std::string TMainForm::AttCaption(int n) const {
    return n >= 1 && n <= SlotCount ? bench_->BoxState(n).Caption : std::string();
}

std::string TMainForm::AttName(int n) const {
    return n >= 1 && n <= SlotCount ? bench_->BoxState(n).Name : std::string();
}

std::uint64_t TMainForm::SetAttenuator(int n, const std::string& channel, int value) {
    if (n < 1 || n > SlotCount) return 0;
    if (sequencerOpen_) {
        const int sent = AttenuatorSetValue(value, bench_->LinkMaxAtt(n), bench_->CommonMaxAtt());
        PostCommand(n, FormatAttCommand(channel, sent));
        return 0;
    }
    const std::uint64_t serial = bench_->SetAttenuator(n, channel, value);
    // The box that shows a value the attenuator cannot take shows what is
    // sent instead (57.3 becomes 57.5).
    const int sent = bench_->BoxState(n).Value.value_or(value);
    if (TAttGroupBox* box = AttGroupBoxes[n - 1]; sent != value && box->Value() == value) box->ShowSent(sent);
    return serial;
}

void TMainForm::NameButton01Click(int n) {
    if (n < 1 || n > SlotCount) return;
    std::string name = QString::fromStdString(bench_->BoxState(n).Caption).left(4).toStdString();
    if (!NameAttenuator(n, name, this) || name.size() > 4) return;
    ApplyName(n, name);
    // Give the attenuator time to store the name; the links keep running.
    QEventLoop pause;
    QTimer::singleShot(500, Qt::PreciseTimer, &pause, &QEventLoop::quit);
    pause.exec(QEventLoop::ExcludeUserInputEvents);
}

void TMainForm::ApplySlots(const TBenchSlots& next) {
    bench_->ApplySlots(next);
    const std::string& path = ConfigHost().ConfigFile();
    StatusPanels[2]->setText(path.empty() ? QString()
                                          : QStringLiteral("Configuration: ") +
                                                QString::fromStdString(ConfigFileBaseName(path)));
}

void TMainForm::customEvent(QEvent* event) {
    if (event->type() == TLinkRefreshEvent::Number)
        RequestLinkRefresh(static_cast<TLinkRefreshEvent*>(event)->Box);
    else
        QMainWindow::customEvent(event);
}

void TMainForm::miConfigurationClick() {
    // The dialog works on a copy: the bench takes the slots only on OK, and
    // then every link reconnects.
    TBenchSlots next = bench_->Slots();
    if (!ShowConfigDialog(next, this)) return;
    ApplySlots(next);
    bench_->RequestReconfig();
}

void TMainForm::miRefreshClick() {
    bench_->RefreshAll();
    miRefresh->setEnabled(false);
    TimerRefresh.start();
}

void TMainForm::TimerRefreshTimer() {
    TimerRefresh.stop();
    miRefresh->setEnabled(true);
}

void TMainForm::SetSequencerEntry(std::function<void(TMainForm&)> entry) {
    sequencerEntry_ = std::move(entry);
    miSequencer->setEnabled(static_cast<bool>(sequencerEntry_));
}

void TMainForm::miSequencerClick() {
    if (!sequencerEntry_) return;
    // The sequencer drives the attenuators from now on: a hand change not
    // yet reported would never be sent, and must not hold back the values
    // the sequencer shows in its box.
    for (auto* box : AttGroupBoxes) box->CancelPendingChange();
    sequencerOpen_ = true;
    sequencerEntry_(*this);
    sequencerOpen_ = false;
}

std::string TMainForm::DocumentsFolder() const { return GetShellFolder(TShellFolder::Documents); }
