#include "benchcore/BenchRun.h"

#include "benchcore/BenchRunDelivery.h"
#include "link/AttUnits.h"
#include "link/TovarinProtocol.h"
#include "remote/RemoteRequests.h"
#include "sequencer/RunPreparation.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequencerThread.h"

#include <algorithm>

namespace {

constexpr const char* NoFilesMessage = "Select sequence before running !";

TBenchRunRefusal AnalysisRefusal(const TSequenceAnalysis& analysis) {
    switch (analysis.Result) {
    case TAnalysisResult::Conflict: return {TBenchRunRefusalKind::Interference, InterferenceMessage};
    case TAnalysisResult::ProfileError: return {TBenchRunRefusalKind::ProfileError, analysis.Error};
    case TAnalysisResult::SequenceError: return {TBenchRunRefusalKind::SequenceError, analysis.Error};
    case TAnalysisResult::Cancelled: return {TBenchRunRefusalKind::GivenUp, {}};
    default: return {TBenchRunRefusalKind::FileError, analysis.Error};
    }
}

}  // namespace

TBenchRun::TBenchRun(TBenchRunHost& host, int tickPeriodMs)
    : host_(host), tickPeriodMs_(tickPeriodMs > 0 ? tickPeriodMs : TickPeriod) {}

TBenchRun::~TBenchRun() {
    observers_.clear();
    started_ = {};
    EndForProgramClose();
    // The engine refers to the delivery, the delivery to the record.
    engine_.reset();
    delivery_.reset();
    record_.reset();
}

void TBenchRun::AddObserver(TBenchRunObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TBenchRun::RemoveObserver(TBenchRunObserver* observer) { std::erase(observers_, observer); }

void TBenchRun::SetState(TBenchRunState state) {
    if (state_ == state) return;
    state_ = state;
    Tell([state](TBenchRunObserver& o) { o.RunStateChanged(state); });
}

void TBenchRun::Settle(std::optional<TBenchRunRefusal> refusal) {
    TStarted started = std::move(started_);
    started_ = {};
    if (started) started(std::move(refusal));
}

void TBenchRun::Run(const std::vector<std::string>& files, TStarted started) {
    Prepare(files, std::move(started), false);
}

void TBenchRun::Prepare(const std::vector<std::string>& files, TStarted started, bool arm) {
    if (Busy()) {
        if (started) started(TBenchRunRefusal{TBenchRunRefusalKind::Busy, RemoteAlreadyRunningMessage});
        return;
    }
    if (files.empty()) {
        if (started) started(TBenchRunRefusal{TBenchRunRefusalKind::NoFiles, NoFilesMessage});
        return;
    }
    files_ = files;
    started_ = std::move(started);
    arm_ = arm;
    startInstant_.reset();
    // The files are read against the bench as it stands now; their values
    // count in the common unit it has now.
    TProfileBench bench;
    for (int n = 1; n <= TBaieScripts::AttCount; ++n) bench[static_cast<std::size_t>(n)] = host_.ProfileAtt(n);
    tenths_ = CountsTenths(host_.CommonMaxAtt());
    SetState(TBenchRunState::Analysing);
    const std::uint64_t start = ++start_;
    preparation_ = std::make_unique<TRunPreparation>(files, bench, [this, start](TSequenceAnalysis analysis) {
        // Taken up from the event queue rather than inside the hand-over, so
        // that whatever an observer opens on a refusal never holds the other
        // workers' hand-overs.
        auto taken = std::make_shared<TSequenceAnalysis>(std::move(analysis));
        QMetaObject::invokeMethod(
            &context_,
            [this, taken, start] {
                if (start == start_ && state_ == TBenchRunState::Analysing) AnalysisDone(std::move(*taken));
            },
            Qt::QueuedConnection);
    }, tenths_);
}

void TBenchRun::AnalysisDone(TSequenceAnalysis analysis) {
    preparation_.reset();  // its worker has handed the analysis over and ends
    if (!analysis.Ok()) {
        SetState(TBenchRunState::Idle);
        return Settle(AnalysisRefusal(analysis));
    }
    if (arm_) {
        // The last run's objects go: an engine now is this run's, started.
        engine_.reset();
        delivery_.reset();
        armed_ = std::make_unique<TSequenceAnalysis>(std::move(analysis));
        SetState(TBenchRunState::Armed);
    } else {
        StartEngine(std::move(analysis));
    }
    Settle(std::nullopt);
}

void TBenchRun::StartEngine(TSequenceAnalysis analysis, std::optional<std::chrono::steady_clock::time_point> firstTick) {
    // The last run's objects go, engine first: it delivers through them.
    engine_.reset();
    delivery_.reset();
    TRunStart start;
    start.ConfigFile = host_.ConfigFile();
    for (int n = 1; n <= TBaieScripts::AttCount; ++n) start.Atts[static_cast<std::size_t>(n)] = host_.RecordedAtt(n);
    start.Files = PlayedFiles(files_, analysis);
    start.StartInstant = startInstant_;
    record_ = std::make_unique<TRunRecord>(host_.RecordsDir(), std::move(start), [this](const std::string& text) {
        Tell([&](TBenchRunObserver& o) { o.RunRecordFailed(text); });
    });
    delivery_ = std::make_unique<TBenchRunDelivery>(
        host_, *record_,
        [this](int n, const std::string& command) {
            const std::vector<TAttSetting> settings = ReadAttCommand(command);
            if (settings.empty()) return;
            Tell([&](TBenchRunObserver& o) { o.RunValueWritten(n, settings.front().Value, command); });
        },
        [this](int elapsedMs) { Ticked(elapsedMs); });
    engine_ = std::make_unique<TSequencerThread>(
        *delivery_, TSequenceRun(std::move(analysis.Scripts), analysis.Assignment, tenths_), tickPeriodMs_);
    engine_->SetOnTerminate([this] { EngineEnded(); });
    // An armed run stays armed until its first tick.
    if (firstTick) return engine_->StartAt(*firstTick);
    SetState(TBenchRunState::Running);
    engine_->Start();
}

void TBenchRun::Ticked(int elapsedMs) {
    if (state_ == TBenchRunState::Armed) SetState(TBenchRunState::Running);
    Tell([&](TBenchRunObserver& o) { o.RunTicked(elapsedMs); });
}

void TBenchRun::EngineEnded() {
    if (!Started()) return;
    EndRun(engine_ && engine_->Completed() ? TRunEnding::Completed : TRunEnding::Stopped);
    // The ended engine is released once its notification has returned.
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            if (engine_ && engine_->Ended() && state_ != TBenchRunState::Running) engine_.reset();
        },
        Qt::QueuedConnection);
}

void TBenchRun::EndRun(TRunEnding how) {
    // A stopped or closed run sends nothing more: what the links have not
    // taken yet is withdrawn. A run that completed still sends its last
    // tick's values, which its links take within moments.
    if (delivery_ && how != TRunEnding::Completed) delivery_->WithdrawPending();
    if (record_) record_->Finish(how);
    SetState(TBenchRunState::Idle);
    const std::string path = record_ ? record_->Path() : std::string();
    Tell([&](TBenchRunObserver& o) { o.RunEnded(how, path); });
}

void TBenchRun::Stop() {
    if (state_ == TBenchRunState::Analysing) {
        // Nothing has been sent or recorded yet, and nothing will be.
        preparation_.reset();
        SetState(TBenchRunState::Idle);
        return Settle(TBenchRunRefusal{TBenchRunRefusalKind::GivenUp, {}});
    }
    if (state_ == TBenchRunState::Armed) return Disarm(TRunEnding::Stopped);
    if (state_ == TBenchRunState::Running && engine_) engine_->Terminate();
}

void TBenchRun::EndForProgramClose() {
    if (state_ == TBenchRunState::Analysing) return Stop();
    if (state_ == TBenchRunState::Armed && !engine_) return Disarm(TRunEnding::ProgramClosed);
    if (!Started()) return;
    const bool completed = engine_ && engine_->Ended() && engine_->Completed();
    // Destroying the engine releases a tick waiting for the GUI thread
    // undelivered and joins it: no tick and no end notice after this.
    engine_.reset();
    EndRun(completed ? TRunEnding::Completed : TRunEnding::ProgramClosed);
}

void TBenchRun::LinkUsable(int n, bool usable) {
    if (delivery_ && Started()) delivery_->LinkUsable(n, usable);
}

void TBenchRun::ReadBack(int n, int value) {
    if (state_ == TBenchRunState::Running) Tell([&](TBenchRunObserver& o) { o.RunReadBack(n, value); });
}
