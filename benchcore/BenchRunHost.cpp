// The bench's run: what it takes from the bench, what the bench makes of
// its facts, and runs asked for through the remote core.

#include "benchcore/Bench.h"

#include "controls/SpinNumValue.h"
#include "remote/RemoteRequests.h"
#include "sequencer/RunRecord.h"

TProfileAtt TBench::ProfileAtt(int n) const {
    if (!IsBox(n)) return {};
    const int max = links_[n - 1]->MaxAtt();
    // The floor travels with the snapshot the run's files are checked against.
    return {boxes_[n - 1].Usable && max > 0, max, boxes_[n - 1].Floor.value_or(0)};
}

TRecordedAtt TBench::RecordedAtt(int n) const {
    if (!IsBox(n)) return {};
    const TTovarinThread* link = links_[n - 1].get();
    const TBenchSlot& slot = slots_.Slot(n - 1);
    // Named only while its link is ready; the identifier is the placeholder
    // until the attenuator has identified itself.
    return {link->Ready() ? boxes_[n - 1].Name : std::string(), slot.IP, slot.Port, link->MaxAtt(),
            link->MaxAtt() > 0 ? link->DeviceId() : std::string(), boxes_[n - 1].Floor.value_or(0)};
}

void TBench::RunValueWritten(int n, int value, const std::string& /*command*/) {
    // The box shows what the attenuator now holds, as after a read-back.
    if (IsBox(n)) ShowReadBack(n, value);
}

void TBench::RunEnded(TRunEnding /*how*/, const std::string& /*recordPath*/) {
    std::vector<TRemoteDone> done;
    done.swap(stopDone_);
    for (auto& d : done) d(std::nullopt);
}

void TBench::RunRecordFailed(const std::string& text) {
    if (recordNotice_) recordNotice_(text);
}

namespace {

TRemoteRefusal RemoteRunRefusal(const TBenchRunRefusal& refusal) {
    switch (refusal.Kind) {
    case TBenchRunRefusalKind::Busy:
    case TBenchRunRefusalKind::NotArmed: return {TRemoteRefusalKind::Conflict, refusal.Text};
    case TBenchRunRefusalKind::BadInstant: return {TRemoteRefusalKind::BadValue, refusal.Text};
    case TBenchRunRefusalKind::GivenUp: return {TRemoteRefusalKind::Failed, RemoteNotStartedMessage};
    default: return {TRemoteRefusalKind::Failed, refusal.Text};
    }
}

}  // namespace

void TBench::RunStateChanged(TBenchRunState state) {
    // A run started elsewhere (the desktop's list window) has a record that
    // is not the last script's business.
    if (state == TBenchRunState::Analysing && !scriptStarting_) recordNotice_ = {};
}

void TBench::StartScriptRun(void (TBenchRun::*start)(const std::vector<std::string>&, TBenchRun::TStarted),
                            const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) {
    scriptStarting_ = true;
    (run_.*start)(files, [this, done = std::move(done), recordFailed = std::move(recordFailed)](
                             std::optional<TBenchRunRefusal> refusal) {
        if (refusal) return done(RemoteRunRefusal(*refusal));
        // Only this run's record speaks to the script that asked for it.
        recordNotice_ = recordFailed;
        done(std::nullopt);
    });
    scriptStarting_ = false;
}

void TBench::RunSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) {
    StartScriptRun(&TBenchRun::Run, files, std::move(done), std::move(recordFailed));
}

void TBench::LoadSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) {
    StartScriptRun(&TBenchRun::Load, files, std::move(done), std::move(recordFailed));
}

std::optional<TRemoteRefusal> TBench::StartSequences(std::optional<std::chrono::system_clock::time_point> at) {
    const auto refusal = at ? run_.StartAt(*at) : run_.Start();
    if (refusal) return RemoteRunRefusal(*refusal);
    return std::nullopt;
}

std::optional<std::chrono::system_clock::time_point> TBench::SequencesFirstTick() const {
    // An armed run not started yet has had no tick; the record is the last run's.
    if (!run_.Record() || (run_.State() == TBenchRunState::Armed && !run_.Engine())) return std::nullopt;
    return run_.Record()->FirstTick();
}

void TBench::StopSequences(TRemoteDone done) {
    // Answered once the run has ended (within about one tick).
    if (run_.State() == TBenchRunState::Running) {
        stopDone_.push_back(std::move(done));
        return run_.Stop();
    }
    run_.Stop();  // a start being analysed is given up
    done(std::nullopt);
}
