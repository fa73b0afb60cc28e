#include "remote/RemoteCore.h"

#include "controls/SpinNumValue.h"
#include "link/AttenuatorRules.h"

#include <QTimer>

#include <algorithm>

namespace {

TRemoteRefusal Refusal(TRemoteRefusalKind kind, std::string message) { return {kind, std::move(message)}; }

}  // namespace

TRemoteCore::TRemoteCore(TRemotePanel& panel) : panel_(panel) { status_.fill("No attenuator"); }

void TRemoteCore::BoxShown(int n, TBoxFact fact, const std::string& text) {
    if (n < 1 || n > BoxCount) return;
    auto& facts = fact == TBoxFact::Status ? status_ : fact == TBoxFact::Attenuation ? attenuation_ : name_;
    facts[n - 1] = text;
    // A copy: a listener may add or forget listeners.
    const auto listeners = boxListeners_;
    for (const auto& [id, listener] : listeners) listener(n, fact, text);
    // The name arriving becomes the box's caption, which is its status.
    if (fact == TBoxFact::Name) BoxShown(n, TBoxFact::Status, text);
}

void TRemoteCore::SetEnded(int n, const TSetOutcome& outcome) {
    const auto listeners = setListeners_;
    for (const auto& [id, listener] : listeners)
        if (setListeners_.count(id)) listener(n, outcome);
}

int TRemoteCore::AddBoxListener(TBoxListener listener) {
    boxListeners_[nextListener_] = std::move(listener);
    return nextListener_++;
}

int TRemoteCore::AddSetListener(TSetListener listener) {
    setListeners_[nextListener_] = std::move(listener);
    return nextListener_++;
}

void TRemoteCore::Forget(int listener) {
    boxListeners_.erase(listener);
    setListeners_.erase(listener);
}

std::optional<TRemoteRefusal> TRemoteCore::CheckBox(int box) const {
    if (auto problem = RemoteBoxProblem(box, BoxCount)) return Refusal(TRemoteRefusalKind::NoSuchBox, *problem);
    return std::nullopt;
}

std::optional<TRemoteRefusal> TRemoteCore::SetConflict() const {
    if (panel_.HoldsInput()) return Refusal(TRemoteRefusalKind::Conflict, RemoteClosingMessage);
    if (panel_.SequencerOpen()) return Refusal(TRemoteRefusalKind::Conflict, RemoteSequencerOpenMessage);
    return std::nullopt;
}

TRemoteSetResult TRemoteCore::SetAttenuation(int box, const std::string& dB) {
    if (auto problem = CheckBox(box)) return {problem, {}, {}};
    if (auto conflict = SetConflict()) return {conflict, {}, {}};
    const TRemoteBox b = panel_.Box(box);
    if (!b.Usable) return {Refusal(TRemoteRefusalKind::NotReady, RemoteNotReadyMessage(box, status_[box - 1])), {}, {}};
    const TRemoteAttenuation wanted = ParseRemoteAttenuation(dB, b.Decimal, b.MaxValue, box);
    if (!wanted.Value) return {Refusal(TRemoteRefusalKind::BadValue, wanted.Problem), {}, {}};
    const int sent = AttenuatorSetValue(*wanted.Value, panel_.LinkMaxAtt(box), panel_.CommonMaxAtt());
    if (sent < b.Floor)
        return {Refusal(TRemoteRefusalKind::BadValue, RemoteBelowFloorMessage(box, sent, b.Floor, b.Decimal)), {}, {}};
    const std::uint64_t serial = panel_.SetByHand(box, *wanted.Value);
    return {std::nullopt, SpinFormat(sent, b.Decimal), {box, serial}};
}

TRemoteAnswer TRemoteCore::Fact(int box, const std::array<std::string, BoxCount>& facts) const {
    if (auto problem = CheckBox(box)) return {{}, problem};
    return {facts[box - 1], std::nullopt};
}

TRemoteAnswer TRemoteCore::Status(int box) const {
    if (auto problem = CheckBox(box)) return {{}, problem};
    return {panel_.Box(box).BelowFloor ? RemoteBelowFloorStatus : status_[box - 1], std::nullopt};
}

TRemoteAnswer TRemoteCore::Floor(int box) const {
    if (auto problem = CheckBox(box)) return {{}, problem};
    const TRemoteBox b = panel_.Box(box);
    return {b.Floor > 0 ? SpinFormat(b.Floor, b.Decimal) : "0", std::nullopt};
}

bool TRemoteCore::Ready(int box) const { return !CheckBox(box) && panel_.Box(box).Usable; }
bool TRemoteCore::Decimal(int box) const { return !CheckBox(box) && panel_.Box(box).Decimal; }

TRemoteAnswer TRemoteCore::Maximum(int box) const {
    if (auto problem = CheckBox(box)) return {{}, problem};
    const TRemoteBox b = panel_.Box(box);
    if (!b.Usable) return {{}, Refusal(TRemoteRefusalKind::NotReady, RemoteNotReadyMessage(box, status_[box - 1]))};
    return {SpinFormat(b.MaxValue, b.Decimal), std::nullopt};
}

TRemoteAnswer TRemoteCore::Step(int box) const {
    if (auto problem = CheckBox(box)) return {{}, problem};
    const TRemoteBox b = panel_.Box(box);
    if (!b.Usable) return {{}, Refusal(TRemoteRefusalKind::NotReady, RemoteNotReadyMessage(box, status_[box - 1]))};
    // Tenths attenuators take half-decibel steps (sets are rounded to them).
    return {b.Decimal ? "0.5" : "1", std::nullopt};
}

std::optional<TRemoteRefusal> TRemoteCore::Rename(int box, const std::string& name) {
    if (auto problem = CheckBox(box)) return problem;
    if (auto conflict = SetConflict()) return conflict;
    if (!panel_.Box(box).Usable)
        return Refusal(TRemoteRefusalKind::NotReady, RemoteNotReadyMessage(box, status_[box - 1]));
    const TRemoteName parsed = ParseRemoteName(name, box);
    if (!parsed.Name) return Refusal(TRemoteRefusalKind::BadParameter, parsed.Problem);
    panel_.Rename(box, *parsed.Name);
    return std::nullopt;
}

std::optional<TRemoteRefusal> TRemoteCore::Refresh(int box) {
    if (auto problem = CheckBox(box)) return problem;
    // A refresh while parking would drop a link before it is parked.
    if (panel_.HoldsInput()) return Refusal(TRemoteRefusalKind::Conflict, RemoteClosingMessage);
    panel_.RefreshLink(box);
    return std::nullopt;
}

void TRemoteCore::RunSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) {
    if (const auto problem = RemoteFilesProblem(files))
        return done(Refusal(TRemoteRefusalKind::BadParameter, *problem));
    if (panel_.HoldsInput()) return done(Refusal(TRemoteRefusalKind::Conflict, RemoteClosingMessage));
    panel_.RunSequences(files, std::move(done), std::move(recordFailed));
}

void TRemoteCore::LoadSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) {
    if (const auto problem = RemoteFilesProblem(files))
        return done(Refusal(TRemoteRefusalKind::BadParameter, *problem));
    if (panel_.HoldsInput()) return done(Refusal(TRemoteRefusalKind::Conflict, RemoteClosingMessage));
    panel_.LoadSequences(files, std::move(done), std::move(recordFailed));
}

std::optional<TRemoteRefusal> TRemoteCore::StartSequences(std::optional<std::chrono::system_clock::time_point> at) {
    if (panel_.HoldsInput()) return Refusal(TRemoteRefusalKind::Conflict, RemoteClosingMessage);
    return panel_.StartSequences(at);
}

void TRemoteCore::StopSequences(TRemoteDone done) { panel_.StopSequences(std::move(done)); }

void TRemoteCore::Park(TParkDone done) {
    if (auto conflict = SetConflict()) return done(conflict, {});
    parkDone_.push_back(std::move(done));
    if (parkDone_.size() > 1) return;  // joins the parking under way
    parkRound_ = 0;
    parkLevel_.fill(std::nullopt);
    parkListener_ = AddSetListener([this](int n, const TSetOutcome& outcome) {
        const auto before = parkWaiting_.size();
        std::erase_if(parkWaiting_, [&](const TRemoteSet& s) { return s.Box == n && s.Serial == outcome.Serial; });
        if (before == parkWaiting_.size()) return;
        parkOutcome_[n - 1] = outcome;
        parkLevel_[n - 1] = outcome.Expected;
        if (parkWaiting_.empty()) ParkRoundEnded();
    });
    ParkNextRound();
}

void TRemoteCore::ParkNextRound() {
    ++parkRound_;
    ++parkGeneration_;
    parkWaiting_ = panel_.ParkRound();
    std::erase_if(parkWaiting_, [](const TRemoteSet& s) { return s.Serial == 0; });
    parkPosted_.fill(false);
    parkOutcome_.fill(std::nullopt);
    for (const TRemoteSet& s : parkWaiting_)
        if (s.Box >= 1 && s.Box <= BoxCount) parkPosted_[s.Box - 1] = true;
    if (parkWaiting_.empty()) return ParkRoundEnded();
    // A link that cannot finish its set holds the first round no longer than
    // the round of any parking; the last one waits until every set has
    // ended, to tell how.
    QTimer::singleShot(parkRound_ < 2 ? ParkRoundBudgetMs : ParkLastRoundLimitMs, Qt::PreciseTimer, &parkTimers_,
                       [this, generation = parkGeneration_] {
        if (generation == parkGeneration_ && !parkWaiting_.empty()) ParkRoundEnded();
    });
}

void TRemoteCore::ParkRoundEnded() {
    parkWaiting_.clear();
    // The second round goes out once the first has ended; a round that
    // arrives after the close began is not sent.
    if (parkRound_ < 2 && !panel_.HoldsInput()) {
        // Not from inside the link's report: the next sets go to the same links.
        QTimer::singleShot(0, &parkTimers_, [this] { ParkNextRound(); });
        return;
    }
    Forget(parkListener_);
    ++parkGeneration_;  // outdates a pending time-out
    // Cut short by the close, which parks every attenuator itself.
    const std::vector<std::string> unparked = panel_.HoldsInput() ? std::vector<std::string>() : Unparked();
    std::vector<TParkDone> done;
    done.swap(parkDone_);
    for (auto& d : done) d(std::nullopt, unparked);
}

std::vector<std::string> TRemoteCore::Unparked() const {
    // What the last round left: a box is parked when its last park set was
    // read back at the park value.
    std::vector<std::string> unparked;
    for (int n = 1; n <= BoxCount; ++n) {
        const TRemoteBox b = panel_.Box(n);
        if (!b.Configured) continue;
        const auto& outcome = parkOutcome_[n - 1];
        // A box that took no park set at all is named with the common
        // maximum, in that maximum's unit.
        const std::optional<int> level = outcome ? outcome->Expected : parkLevel_[n - 1];
        const int park = level.value_or(panel_.CommonMaxAtt());
        const bool decimal = level ? b.Decimal : CountsTenths(park, park);
        if (auto problem = RemoteParkProblem(n, park, decimal, parkPosted_[n - 1], outcome, status_[n - 1]))
            unparked.push_back(std::move(*problem));
    }
    return unparked;
}
