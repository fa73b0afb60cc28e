#include "frontpanel/SequencerDelivery.h"

#include "frontpanel/AttGroupBox.h"
#include "frontpanel/MainForm.h"
#include "graph/SequencerGraphForm.h"
#include "link/TovarinProtocol.h"
#include "sequencer/SequenceRun.h"
#include "support/GuiThread.h"

TFrontPanelDelivery::TFrontPanelDelivery(TMainForm& main, TSequencerGraphForm& graph)
    : main_(main), graph_(graph),
      wire_(TPostRelay::Make([this](std::uint64_t serial, bool sent) { Written(serial, sent); })) {
    main_.SetReadBackWatcher([this](int n, int value) { ReadBack(n, value); });
}

TFrontPanelDelivery::~TFrontPanelDelivery() {
    main_.SetReadBackWatcher({});
    // No word from the links reaches this object after this.
    wire_->Close();
}

void TFrontPanelDelivery::AdvanceTime(int elapsedMs) { graph_.AdvanceTime(elapsedMs); }
bool TFrontPanelDelivery::GraphVisible() const { return graph_.isVisible(); }

TFrontPanelDelivery::TInFlight* TFrontPanelDelivery::Latest(int att, const std::string& command) {
    if (att < 1 || att > TMainForm::SlotCount) return nullptr;
    const auto it = inFlight_.find(latest_[static_cast<std::size_t>(att)]);
    return it != inFlight_.end() && it->second.Command == command ? &it->second : nullptr;
}

void TFrontPanelDelivery::AddAttCommand(int att, const std::string& text) {
    // The command just handed to the link is plotted once it is written.
    if (TInFlight* f = Latest(att, text))
        f->Curve = true;
    else
        graph_.AddAttCommand(att, text);
}
bool TFrontPanelDelivery::AttEnabled(int att) const { return main_.AttEnabled(att); }
int TFrontPanelDelivery::AttMaxAtt(int att) const { return main_.AttMaxAtt(att); }

bool TFrontPanelDelivery::AttUsable(int att) const {
    return att >= 1 && att <= TMainForm::SlotCount && main_.Link(att - 1)->Ready();
}

void TFrontPanelDelivery::SetPendingCommand(int att, const std::string& command, bool /*limited*/) {
    if (att < 1 || att > TMainForm::SlotCount) return;
    TPostTicket ticket = std::move(tickets_[static_cast<std::size_t>(att)]);
    if (!AttUsable(att)) {
        ticket.NotSent(TNotSent::LinkNotUsable);
        return;
    }
    std::uint64_t serial = 0;
    TPostTicket followed = wire_->Follow(std::move(ticket), serial);
    inFlight_[serial] = TInFlight{att, command, false, false};
    latest_[static_cast<std::size_t>(att)] = serial;
    main_.PostCommand(att, command, std::move(followed));
}

void TFrontPanelDelivery::Written(std::uint64_t serial, bool sent) {
    const auto it = inFlight_.find(serial);
    if (it == inFlight_.end()) return;
    const TInFlight f = std::move(it->second);
    inFlight_.erase(it);
    // A command that never reached the wire leaves the box and the curve at
    // what the attenuator took last; its read-back follows a reconnection.
    if (!sent) return;
    if (f.Box) ShowInBox(f.Att, f.Command);
    if (f.Curve) graph_.AddAttCommand(f.Att, f.Command);
}

void TFrontPanelDelivery::ReadBack(int att, int value) {
    if (showingOwn_ || !graph_.isVisible()) return;
    graph_.AddAttCommand(att, FormatAttCommand(SequencerChannel, value));
}

void TFrontPanelDelivery::SetPostTicket(int att, TPostTicket ticket) {
    if (att >= 1 && att <= TMainForm::SlotCount) tickets_[static_cast<std::size_t>(att)] = std::move(ticket);
}

void TFrontPanelDelivery::WithdrawPending() {
    for (int slot = 0; slot < TMainForm::SlotCount; ++slot) main_.Link(slot)->WithdrawTracked();
}
bool TFrontPanelDelivery::MainVisible() const { return main_.isVisible(); }

void TFrontPanelDelivery::ShowLinkAnswer(int att, const std::string& command) {
    // The command just handed to the link is shown once it is written.
    if (TInFlight* f = Latest(att, command))
        f->Box = true;
    else
        ShowInBox(att, command);
}

void TFrontPanelDelivery::ShowInBox(int att, const std::string& command) {
    if (att < 1 || att > TMainForm::SlotCount) return;
    // The value is shown exactly like a read-back: the box marks the change
    // it schedules as an echo, so it is not sent again once the sequence
    // list has closed.
    TTovarinThread* link = main_.Link(att - 1);
    showingOwn_ = true;
    main_.ShowLinkAnswer(link, command);
    showingOwn_ = false;
}

int TFrontPanelSequencerHost::CommonMaxAtt() const { return main_.CommonMaxAtt(); }

std::string TFrontPanelSequencerHost::AttCaption(int n) const { return main_.AttCaption(n); }

TRecordedAtt TFrontPanelSequencerHost::RecordedAtt(int n) const {
    if (n < 1 || n > TMainForm::SlotCount) return {};
    const int slot = n - 1;
    const TTovarinThread* link = main_.Link(slot);
    // The box's caption is the attenuator's name only while its link is
    // ready; otherwise it shows the link's state ("Connection refused"). The
    // identifier is the placeholder until the attenuator has identified.
    return {link->Ready() ? AttCaption(n) : std::string(), main_.ConfigHost().SlotIP(slot),
            main_.ConfigHost().SlotPort(slot), link->MaxAtt(), link->MaxAtt() > 0 ? link->DeviceId() : std::string()};
}

std::string TFrontPanelSequencerHost::ConfigFile() const { return main_.ConfigHost().ConfigFile(); }

TProfileAtt TFrontPanelSequencerHost::ProfileAtt(int n) const {
    if (n < 1 || n > TMainForm::SlotCount) return {};
    // A box is usable while its attenuator is connected and identified.
    const int max = main_.Link(n - 1)->MaxAtt();
    const TBenchBox& box = main_.Bench().BoxState(n);
    return {box.Usable && max > 0, max, box.Floor.value_or(0)};
}

std::string TFrontPanelSequencerHost::SequencesDir() const { return main_.SequencesDir(); }
void TFrontPanelSequencerHost::SetSequencesDir(const std::string& dir) { main_.SetSequencesDir(dir); }
TSequencerGraphHost& TFrontPanelSequencerHost::GraphHost() { return main_; }
bool TFrontPanelSequencerHost::MainVisible() const { return main_.isVisible(); }
void TFrontPanelSequencerHost::SetMainVisible(bool visible) { main_.setVisible(visible); }

std::unique_ptr<TSequencerDelivery> TFrontPanelSequencerHost::MakeDelivery(TSequencerGraphForm& graph) {
    return std::make_unique<TFrontPanelDelivery>(main_, graph);
}

void OpenSequencerList(TMainForm& main) {
    TFrontPanelSequencerHost host(main);
    ShowSequencerForm(host);
}
