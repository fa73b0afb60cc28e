#include "benchcore/BenchRunDelivery.h"

#include "link/TovarinThread.h"
#include "sequencer/RunRecord.h"

TBenchRunDelivery::TBenchRunDelivery(TBenchRunHost& host, TRunRecord& record, TWritten written, TTicked ticked)
    : host_(host),
      record_(record),
      written_(std::move(written)),
      ticked_(std::move(ticked)),
      relay_(TPostRelay::Make([this](std::uint64_t serial, bool sent) { Written(serial, sent); })) {
    for (int n = 1; n <= Count; ++n) boxes_[n].Usable = AttUsable(n);
}

TBenchRunDelivery::~TBenchRunDelivery() { relay_->Close(); }

bool TBenchRunHost::RunLinkEnabled(int n) const {
    const TTovarinThread* link = RunLink(n);
    return link && link->Enabled();
}

bool TBenchRunHost::RunLinkReady(int n) const {
    const TTovarinThread* link = RunLink(n);
    return link && link->Ready();
}

int TBenchRunHost::RunLinkMaxAtt(int n) const {
    const TTovarinThread* link = RunLink(n);
    return link ? link->MaxAtt() : 0;
}

void TBenchRunHost::RunPost(int n, const std::string& command, TPostTicket ticket) {
    if (TTovarinThread* link = RunLink(n)) link->SetPendingCommand(command, std::move(ticket));
}

void TBenchRunHost::RunWithdraw(int n) {
    if (TTovarinThread* link = RunLink(n)) link->WithdrawTracked();
}

bool TBenchRunDelivery::AttEnabled(int att) const { return IsBox(att) && host_.RunLinkEnabled(att); }

int TBenchRunDelivery::AttMaxAtt(int att) const { return IsBox(att) ? host_.RunLinkMaxAtt(att) : 0; }

bool TBenchRunDelivery::AttUsable(int att) const { return IsBox(att) && host_.RunLinkReady(att); }

void TBenchRunDelivery::LinkUsable(int n, bool usable) {
    if (n < 1 || n > Count) return;
    TBoxRun& box = boxes_[n];
    // Back after a drop, a refresh or a manual spell: the attenuator may
    // hold anything now.
    if (usable && !box.Usable && !box.Command.empty()) box.CatchUp = true;
    box.Usable = usable;
}

void TBenchRunDelivery::AdvanceTime(int elapsedMs) {
    record_.Tick();
    if (ticked_) ticked_(elapsedMs);
}

void TBenchRunDelivery::SetPendingCommand(int att, const std::string& command, bool limited) {
    if (att < 1 || att > Count) return;
    TBoxRun& box = boxes_[att];
    box.Command = command;
    box.Limited = limited;
    box.CatchUp = false;
    Post(att, command, limited, false);
}

void TBenchRunDelivery::TickDelivered() {
    for (int n = 1; n <= Count; ++n) {
        TBoxRun& box = boxes_[n];
        // A link that reports itself back before it is ready is caught up
        // at the first tick it can take the command.
        if (!box.CatchUp || !AttEnabled(n) || !AttUsable(n)) continue;
        box.CatchUp = false;
        Post(n, box.Command, box.Limited, true);
    }
}

void TBenchRunDelivery::Post(int att, const std::string& command, bool limited, bool catchUp) {
    TPostTicket ticket = record_.Add(att, command, limited, catchUp);
    if (!AttUsable(att)) {
        ticket.NotSent(TNotSent::LinkNotUsable);
        return;
    }
    std::uint64_t serial = 0;
    TPostTicket followed = relay_->Follow(std::move(ticket), serial);
    inFlight_[serial] = {att, command};
    host_.RunPost(att, command, std::move(followed));
}

void TBenchRunDelivery::Written(std::uint64_t serial, bool sent) {
    const auto it = inFlight_.find(serial);
    if (it == inFlight_.end()) return;
    const auto [att, command] = it->second;
    inFlight_.erase(it);
    if (sent && written_) written_(att, command);
}

void TBenchRunDelivery::WithdrawPending() {
    for (int n = 1; n <= Count; ++n)
        host_.RunWithdraw(n);
}
