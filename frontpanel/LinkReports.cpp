// The main window's side of the links: their reports, the boxes' changes,
// verified sets, naming, refresh and the menu commands.

#include "frontpanel/AttGroupBox.h"
#include "config/ConfigForm.h"
#include "controls/SpinNum.h"
#include "controls/SpinNumValue.h"
#include "frontpanel/FrontPanelRules.h"
#include "frontpanel/MainForm.h"
#include "link/TovarinProtocol.h"
#include "support/UserFolders.h"
#include "frontpanel/NameAttForm.h"

#include <QAction>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

int TMainForm::BoxNumberOf(const TTovarinThread* link) const {
    for (int i = 0; i < SlotCount; ++i)
        if (links_[i].get() == link) return i + 1;
    return 0;
}

int TMainForm::BoxNumberOf(const QObject* sender) const {
    for (int i = 0; i < SlotCount; ++i)
        if (AttGroupBoxes[i] == sender || NameButtons[i] == sender) return i + 1;
    return 0;
}

void TMainForm::ShowLinkStatus(TTovarinThread* link, int status) {
    const int n = BoxNumberOf(link);
    if (n == 0) return;
    TAttGroupBox* box = AttGroupBoxes[n - 1];
    const std::string caption = LinkStatusCaption(status, link->Enabled(), link->ReadyCaption(), link->ErrorText());
    box->setTitle(QString::fromStdString(caption));
    if (!link->Enabled()) names_[n - 1].clear();  // no attenuator in this slot any more
    const bool usable = LinkStatusUsable(status, link->Enabled());
    if (usable && link->MaxAtt() > 0) {
        box->setEnabled(true);  // counted by the common maximum below
        box->SetDecimal(CountsTenths(link->MaxAtt(), commonMaxAtt_));
        box->SetStep(AttenuatorStep(link->MaxAtt(), commonMaxAtt_));
        box->SetMaxValue(link->MaxAtt());
        UpdateCommonMaxAtt();
    }
    box->setEnabled(usable);
    NameButtons[n - 1]->setEnabled(usable);
    TellWatcher(n, TBoxFact::Status, caption);
}

void TMainForm::ShowLinkAnswer(TTovarinThread* link, const std::string& text) {
    const int n = BoxNumberOf(link);
    if (n == 0) return;
    if (const auto value = AnswerValue(text)) {
        ShowReadBack(n, link, *value);
        if (readBackWatcher_) readBackWatcher_(n, *value);
    } else if (const auto name = AnswerName(text)) {
        AttGroupBoxes[n - 1]->setTitle(QString::fromStdString(*name));
        names_[n - 1] = *name;
        TellWatcher(n, TBoxFact::Name, *name);
    }
}

void TMainForm::LinkSetEnded(TTovarinThread* link, const TSetOutcome& outcome) {
    // Confirmed or not, the box ends up showing what the attenuator holds.
    // A superseded set leaves the box to the newer set or command that took
    // its place.
    const int n = BoxNumberOf(link);
    if (n == 0) return;
    if (outcome.ReadBack && outcome.End != TSetOutcome::TEnd::Superseded) ShowReadBack(n, link, *outcome.ReadBack);
    if (setWatcher_) setWatcher_(n, outcome);
}

void TMainForm::ShowReadBack(int n, TTovarinThread* link, int value) {
    TAttGroupBox* box = AttGroupBoxes[n - 1];
    // The link's flag mirrors whether the box holds the echo of this write
    // as its pending change. Comparing values is not enough: an equal value
    // can still change the text (0 shown as "0" becomes "0.0" in decimal
    // mode). When nothing is scheduled (same text, or the operator's input
    // left alone) the flag is cleared, or it would swallow the operator's
    // next real change; the box reports a later drop of the echo through
    // EchoDropped.
    link->SetIgnoreNextChange(box->ShowReadBack(value));
    TellWatcher(n, TBoxFact::Attenuation, SpinFormat(value, box->Decimal()));
}

void TMainForm::AttGroupBox05Change(TAttGroupBox* sender) {
    int n = BoxNumberOf(sender);
    if (n == 0) n = 1;
    TTovarinThread* link = links_[n - 1].get();
    // From the moment parking begins only the park value may be sent.
    if (parking_.HoldsInput()) return;
    // The box knows whether this change is the echo of a read-back written
    // into it; only that change is swallowed, whatever else holds.
    if (sender != nullptr && sender->ChangeIsEcho()) {
        link->SetIgnoreNextChange(false);
        return;
    }
    // While the sequencer drives the attenuators, values it writes into the
    // boxes are not sent again.
    if (sequencerOpen_) return;
    SetAttenuator(n, "0", AttGroupBoxes[n - 1]->Value());
}

bool TMainForm::AttEnabled(int n) const { return n >= 1 && n <= SlotCount && links_[n - 1]->Enabled(); }

int TMainForm::AttMaxAtt(int n) const { return n >= 1 && n <= SlotCount ? links_[n - 1]->MaxAtt() : 0; }

std::string TMainForm::AttCaption(int n) const {
    if (n < 1 || n > SlotCount) return {};
    return AttGroupBoxes[n - 1]->title().toLocal8Bit().toStdString();
}

std::string TMainForm::AttName(int n) const { return n >= 1 && n <= SlotCount ? names_[n - 1] : std::string(); }

void TMainForm::PostCommand(int n, const std::string& text, TPostTicket ticket) {
    if (n >= 1 && n <= SlotCount) links_[n - 1]->SetPendingCommand(text, std::move(ticket));
}

std::uint64_t TMainForm::SetAttenuator(int n, const std::string& channel, int value) {
    const bool slot = n >= 1 && n <= SlotCount;
    const int sent = AttenuatorSetValue(value, slot ? links_[n - 1]->MaxAtt() : 0, commonMaxAtt_);
    if (sequencerOpen_) {
        PostCommand(n, FormatAttCommand(channel, sent));
    } else if (slot) {
        // The box that shows a value the attenuator cannot take shows what
        // is sent instead (57.3 becomes 57.5).
        if (TAttGroupBox* box = AttGroupBoxes[n - 1]; sent != value && box->Value() == value) box->ShowSent(sent);
        return links_[n - 1]->SetAttenuation(channel, sent);
    }
    return 0;
}

void TMainForm::UpdateCommonMaxAtt() {
    std::vector<int> maxima;
    for (auto* box : AttGroupBoxes)
        if (box->isEnabled()) maxima.push_back(box->MaxValue());
    commonMaxAtt_ = ComputeCommonMaxAtt(maxima);
    commonMaxima_ = std::move(maxima);
}

void TMainForm::NameButton01Click(int n) {
    if (n < 1 || n > SlotCount) return;
    TAttGroupBox* box = AttGroupBoxes[n - 1];
    std::string name = box->title().left(4).toStdString();
    if (!NameAttenuator(n, name, this) || name.size() > 4) return;
    ApplyName(n, name);
    // Give the attenuator time to store the name; the links keep running.
    QEventLoop pause;
    QTimer::singleShot(500, Qt::PreciseTimer, &pause, &QEventLoop::quit);
    pause.exec(QEventLoop::ExcludeUserInputEvents);
}

void TMainForm::ApplyName(int n, const std::string& name) {
    if (n < 1 || n > SlotCount) return;
    AttGroupBoxes[n - 1]->setTitle(QString::fromStdString(name));
    names_[n - 1] = name;
    TellWatcher(n, TBoxFact::Name, name);
    PostCommand(n, FormatNameCommand(name));
}

void TMainForm::RequestReconfig() {
    for (auto& link : links_) link->SetPendingCommand(std::string(ReconfigRequest));
}

void TMainForm::RequestLinkRefresh(int n) {
    // A refresh while parking would replace a park command and drop the link
    // before it is parked.
    if (parking_.HoldsInput()) return;
    if (n >= 1 && n <= SlotCount) links_[n - 1]->SetPendingCommand(std::string(RefreshRequest));
}

void TMainForm::customEvent(QEvent* event) {
    if (event->type() == TLinkRefreshEvent::Number)
        RequestLinkRefresh(static_cast<TLinkRefreshEvent*>(event)->Box);
    else
        QMainWindow::customEvent(event);
}

void TMainForm::miConfigurationClick() {
    if (ShowConfigDialog(configHost_, this)) RequestReconfig();
}

void TMainForm::miRefreshClick() {
    for (auto& link : links_) link->SetPendingCommand(std::string(RefreshRequest));
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
