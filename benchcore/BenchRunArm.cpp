// An armed run: read and checked like any run, started later on a trigger
// or at an agreed instant of the system clock.

#include "benchcore/BenchRun.h"

#include "benchcore/BenchRunDelivery.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequencerThread.h"

#include <cstdio>

namespace {

constexpr const char* NotArmedMessage = "No run is armed: load its sequence files first.";
constexpr const char* StartedMessage = "The armed run has been given its start already: stop it first.";

std::string Seconds(std::chrono::system_clock::duration d) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double>(d).count());
    return text;
}

}  // namespace

void TBenchRun::Load(const std::vector<std::string>& files, TStarted armed) {
    Prepare(files, std::move(armed), true);
}

std::optional<TBenchRunRefusal> TBenchRun::Start() { return StartArmed(std::chrono::steady_clock::now()); }

std::optional<TBenchRunRefusal> TBenchRun::StartAt(std::chrono::system_clock::time_point instant) {
    if (state_ != TBenchRunState::Armed || engine_) return StartArmed({});
    const auto lead = instant - std::chrono::system_clock::now();
    if (lead < MinStartLead || lead > MaxStartLead)
        return TBenchRunRefusal{TBenchRunRefusalKind::BadInstant,
                                "The start time must be 0.050 s to 24 h ahead of the bench's clock; it is " +
                                    Seconds(lead) + " s ahead."};
    startInstant_ = instant;
    // Converted once, here: from now on the schedule counts on the monotonic
    // clock, whatever the system clock does.
    return StartArmed(SteadyInstant(instant));
}

std::optional<TBenchRunRefusal> TBenchRun::StartArmed(std::chrono::steady_clock::time_point firstTick) {
    if (state_ != TBenchRunState::Armed) return TBenchRunRefusal{TBenchRunRefusalKind::NotArmed, NotArmedMessage};
    if (engine_ || !armed_) return TBenchRunRefusal{TBenchRunRefusalKind::NotArmed, StartedMessage};
    std::unique_ptr<TSequenceAnalysis> analysis = std::move(armed_);
    StartEngine(std::move(*analysis), firstTick);
    // Still armed until its first tick; observers hear that it has its start.
    Tell([](TBenchRunObserver& o) { o.RunStateChanged(TBenchRunState::Armed); });
    return std::nullopt;
}

void TBenchRun::Disarm(TRunEnding how) {
    armed_.reset();
    if (!engine_) {
        // Never started: nothing was sent or recorded.
        startInstant_.reset();
        return SetState(TBenchRunState::Idle);
    }
    // Waiting for its first tick: the engine goes without sending anything.
    engine_.reset();
    EndRun(how);
}
