// The value-track runs of a script: a profile's attenuator, one Set step on
// each tick that has a value and Wait steps in between. A run advances one
// tick at a time, so the next value is found from the last one in constant
// time; only a jump elsewhere (StepAt from outside) searches.

#include "sequencer/SequenceModel.h"

#include <algorithm>

void TSequenceScript::AppendTrack(std::shared_ptr<const TValueTrack> track, std::int64_t length) {
    if (!track || track_ || length <= 0) return;
    track_ = std::move(track);
    trackCursor_ = 0;
    TRun run;
    run.form = TRun::Track;
    run.length = length;
    Push(run);
}

std::size_t TSequenceScript::TrackEvent(std::int64_t tick) const {
    // The first value on or after tick.
    const std::vector<std::uint32_t>& ticks = track_->Ticks;
    auto at = [&](std::size_t i) { return i >= ticks.size() || ticks[i] >= tick; };
    auto before = [&](std::size_t i) { return i == 0 || ticks[i - 1] < tick; };
    for (std::size_t i = trackCursor_; i <= trackCursor_ + 1; ++i)
        if (i <= ticks.size() && at(i) && before(i)) return trackCursor_ = i;
    trackCursor_ = static_cast<std::size_t>(
        std::lower_bound(ticks.begin(), ticks.end(), tick,
                         [](std::uint32_t t, std::int64_t wanted) { return t < wanted; }) -
        ticks.begin());
    return trackCursor_;
}

SequenceStep TSequenceScript::TrackStepAt(const TRun& run, std::int64_t index) const {
    SequenceStep step;
    step.Line = run.step.Line;
    const std::int64_t tick = index - run.first;
    const std::size_t i = TrackEvent(tick);
    if (i < track_->Ticks.size() && track_->Ticks[i] == tick) {
        step.Kind = StepKind::Set;
        step.Value = track_->Values[i];
    }
    return step;
}

std::int64_t TSequenceScript::TrackWaitsAhead(const TRun& run, std::int64_t index) const {
    const std::int64_t tick = index - run.first;
    const std::size_t i = TrackEvent(tick);
    const std::int64_t next = i < track_->Ticks.size() ? track_->Ticks[i] : run.length;
    return std::min(next, run.length) - tick;
}
