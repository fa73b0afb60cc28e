#include "remote/ScpiSession.h"

#include "support/VersionTitle.h"

#include <QTimer>

std::string TScpiSession::Identity() {
    const TVersionInfo info = ProgramVersionInfo();
    return "ORVELT,Quadrell 2x4 Atts,0," + (info.fileVersion.empty() ? std::string("0") : info.fileVersion);
}

TScpiSession::TScpiSession(TRemoteCore& core, std::function<void(const std::string&)> send)
    : core_(core), send_(std::move(send)) {
    setListener_ = core_.AddSetListener([this](int n, const TSetOutcome& outcome) { SetEnded(n, outcome); });
}

TScpiSession::~TScpiSession() { core_.Forget(setListener_); }

void TScpiSession::Line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    units_ = ParseScpiLine(line);
    next_ = 0;
    response_.clear();
    Run();
}

void TScpiSession::Overrun(std::size_t limit) {
    Error(-363, "a line is longer than " + std::to_string(limit) + " bytes; the rest of it was dropped");
}

void TScpiSession::Run() {
    while (next_ < units_.size() && wait_ == TWait::None) {
        const TScpiUnit& unit = units_[next_++];
        if (!unit.Command) {
            // The rest of the line is void.
            Error(unit.Error.Code, unit.Error.What);
            next_ = units_.size();
            break;
        }
        Execute(*unit.Command);
    }
    if (wait_ == TWait::None) EndLine();
}

void TScpiSession::EndLine() {
    units_.clear();
    next_ = 0;
    if (!response_.empty()) send_(response_ + "\n");
    response_.clear();
}

void TScpiSession::Respond(const std::string& text) { response_ += (response_.empty() ? "" : ";") + text; }

void TScpiSession::Error(int code, const std::string& what) { status_.Push(code, what); }

void TScpiSession::Refused(const TRemoteRefusal& refusal) {
    using K = TRemoteRefusalKind;
    const int code = refusal.Kind == K::NoSuchBox      ? -114
                     : refusal.Kind == K::BadValue     ? -222
                     : refusal.Kind == K::BadParameter ? -224
                     : refusal.Kind == K::Conflict     ? -221
                                                       : -200;
    Error(code, refusal.Message);
}

void TScpiSession::WaitFor(TWait wait) { wait_ = wait; }

void TScpiSession::Resume() {
    // Done waiting, not yet resumed: nothing interrupts it any more.
    wait_ = TWait::Request;
    QTimer::singleShot(0, &context_, [this] {
        wait_ = TWait::None;
        Run();
        if (wait_ == TWait::None && onResume_) onResume_();
    });
}

void TScpiSession::Interrupt() {
    if (wait_ != TWait::OpcQuery) return;
    Error(-410, "a new command arrived before *OPC? could answer; its answer was dropped");
    wait_ = TWait::None;
    units_.clear();
    next_ = 0;
    response_.clear();
}

TRemoteDone TScpiSession::WhenDone() {
    WaitFor(TWait::Request);
    return [this, alive = std::weak_ptr<int>(alive_)](std::optional<TRemoteRefusal> refusal) {
        if (alive.expired()) return;
        if (refusal) Refused(*refusal);
        Resume();
    };
}

void TScpiSession::Track(const TRemoteSet& set) {
    if (set.Serial != 0) pendingSets_.insert({set.Box, set.Serial});
}

void TScpiSession::SetEnded(int n, const TSetOutcome& outcome) {
    if (pendingSets_.erase({n, outcome.Serial}) == 0) return;
    if (const auto problem = RemoteSetProblem(n, outcome, core_.Decimal(n))) Error(-300, *problem);
    // Replaced by a hand change, another client's set, a run or a rename:
    // the value asked for never held.
    if (!ownRequest_)
        if (const auto problem = RemoteReplacedProblem(n, outcome, core_.Decimal(n))) Error(-300, *problem);
    if (!pendingSets_.empty()) return;
    if (opcArmed_) {
        opcArmed_ = false;
        status_.SetOperationComplete();
    }
    if (wait_ == TWait::OpcQuery) {
        Respond("1");
        Resume();
    } else if (wait_ == TWait::Sets) {
        Resume();
    }
}
