#include "remote/RemoteCore.h"

#include "controls/SpinNumValue.h"
#include "frontpanel/FrontPanelRules.h"

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
    const std::uint64_t serial = panel_.SetByHand(box, *wanted.Value);
    const int sent = AttenuatorSetValue(*wanted.Value, panel_.LinkMaxAtt(box), panel_.CommonMaxAtt());
    return {std::nullopt, SpinFormat(sent, b.Decimal), {box, serial}};
}

TRemoteAnswer TRemoteCore::Fact(int box, const std::array<std::string, BoxCount>& facts) const {
    if (auto problem = CheckBox(box)) return {{}, problem};
    return {facts[box - 1], std::nullopt};
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

void TRemoteCore::RunSequences(const std::vector<std::string>& files, TRemoteDone done) {
    if (const auto problem = RemoteFilesProblem(files))
        return done(Refusal(TRemoteRefusalKind::BadParameter, *problem));
    if (panel_.HoldsInput()) return done(Refusal(TRemoteRefusalKind::Conflict, RemoteClosingMessage));
    panel_.RunSequences(files, std::move(done));
}

void TRemoteCore::StopSequences(TRemoteDone done) { panel_.StopSequences(std::move(done)); }

void TRemoteCore::Park(TRemoteDone done) {
    if (auto conflict = SetConflict()) return done(conflict);
    parkDone_.push_back(std::move(done));
    if (parkDone_.size() > 1) return;  // joins the parking under way
    parkRound_ = 0;
    parkListener_ = AddSetListener([this](int n, const TSetOutcome& outcome) {
        const auto before = parkWaiting_.size();
        std::erase_if(parkWaiting_, [&](const TRemoteSet& s) { return s.Box == n && s.Serial == outcome.Serial; });
        if (before != parkWaiting_.size() && parkWaiting_.empty()) ParkRoundEnded();
    });
    ParkNextRound();
}

void TRemoteCore::ParkNextRound() {
    ++parkRound_;
    ++parkGeneration_;
    parkWaiting_ = panel_.ParkRound();
    std::erase_if(parkWaiting_, [](const TRemoteSet& s) { return s.Serial == 0; });
    if (parkWaiting_.empty()) return ParkRoundEnded();
    // A link that cannot finish its set holds the round no longer than at close.
    QTimer::singleShot(ParkRoundBudgetMs, Qt::PreciseTimer, &parkTimers_, [this, generation = parkGeneration_] {
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
    std::vector<TRemoteDone> done;
    done.swap(parkDone_);
    for (auto& d : done) d(std::nullopt);
}
