// The bench's requests: the hand path of a change, naming, refresh and the
// parking at the common maximum (never below a floor).

#include "benchcore/Bench.h"

#include "link/AttenuatorRules.h"
#include "link/TovarinProtocol.h"

std::uint64_t TBench::SetAttenuator(int n, const std::string& channel, int value) {
    if (!IsBox(n)) return 0;
    // Nothing below the floor leaves, whichever path asks.
    const int sent = AboveFloor(boxes_[n - 1], AttenuatorSetValue(value, links_[n - 1]->MaxAtt(), commonMaxAtt_));
    // The box shows what is sent (57.3 becomes 57.5).
    boxes_[n - 1].Value = sent;
    boxes_[n - 1].BelowFloor = false;
    Tell([&](TBenchObserver& o) { o.BoxChanged(n, boxes_[n - 1]); });
    return links_[n - 1]->SetAttenuation(channel, sent);
}

std::uint64_t TBench::SetByHand(int n, int value) {
    // From the moment parking begins only the park value may be sent; while
    // a run drives the attenuators, only the run's.
    if (HoldsInput() || run_.Busy()) return 0;
    return SetAttenuator(n, "0", value);
}

void TBench::ApplyName(int n, const std::string& name) {
    if (!IsBox(n) || HoldsInput() || run_.Busy()) return;
    boxes_[n - 1].Caption = name;
    boxes_[n - 1].Name = name;
    Tell([&](TBenchObserver& o) { o.BoxShown(n, TBoxFact::Name, name); });
    PostCommand(n, FormatNameCommand(name));
}

void TBench::PostCommand(int n, const std::string& text, TPostTicket ticket) {
    if (IsBox(n)) links_[n - 1]->SetPendingCommand(text, std::move(ticket));
}

void TBench::RequestLinkRefresh(int n) {
    // A refresh while parking would replace a park command and drop the link
    // before it is parked.
    if (HoldsInput() || !IsBox(n)) return;
    links_[n - 1]->SetPendingCommand(std::string(RefreshRequest));
}

void TBench::RefreshAll() {
    for (int n = 1; n <= SlotCount; ++n) RequestLinkRefresh(n);
}

int TBench::ParkValue(int n) const {
    return ParkLevel(commonMaxima_, commonMaxAtt_, links_[n - 1]->MaxAtt());
}

std::vector<TRemoteSet> TBench::ParkRound() {
    // Only a connected link in automatic mode can take a command; one that
    // is still connecting or identifying is skipped.
    std::vector<TRemoteSet> sets;
    for (int n = 1; n <= SlotCount; ++n)
        if (links_[n - 1]->Ready()) sets.push_back({n, SetAttenuator(n, "0", ParkValue(n))});
    return sets;
}

void TBench::Park(std::function<void()> done) {
    if (parked_) {
        if (done) done();
        return;
    }
    if (done) parkDone_.push_back(std::move(done));
    if (parking_) return;  // joins the parking under way
    // A run still going ends first, with nothing more of it sent.
    run_.EndForProgramClose();
    parking_ = true;
    parkRound_ = 0;
    parkClock_.start();
    ParkNextRound();
}

bool TBench::ParkBusy() const {
    // A link still has its park command waiting or is still verifying it;
    // one that dropped meanwhile is not waited for.
    for (int n : parkTargets_) {
        const TTovarinThread* link = links_[n - 1].get();
        if (link->Ready() && (!link->PendingCommand().empty() || link->Verifying())) return true;
    }
    return false;
}

void TBench::ParkNextRound() {
    ++parkRound_;
    parkTargets_.clear();
    for (const TRemoteSet& set : ParkRound()) parkTargets_.push_back(set.Box);
    parkPoll_.start();
}

void TBench::ParkCheck() {
    // Each round gets its share of the waiting, so that a link that cannot
    // finish its verified set never holds the parking for long.
    if (ParkBusy() && parkClock_.elapsed() < parkRound_ * ParkRoundBudgetMs) return;
    parkPoll_.stop();
    if (parkRound_ < 2) return ParkNextRound();
    parkTargets_.clear();
    QTimer::singleShot(ParkSettleMs, Qt::PreciseTimer, &timers_, [this] { ParkFinished(); });
}

void TBench::ParkFinished() {
    parking_ = false;
    parked_ = true;
    std::vector<std::function<void()>> done;
    done.swap(parkDone_);
    Tell([](TBenchObserver& o) { o.ParkingEnded(); });
    for (auto& d : done) d();
}
