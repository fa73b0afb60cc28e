#include "sequencer/SequenceModel.h"

#include "link/TovarinProtocol.h"

#include <algorithm>
#include <limits>

int WireValue(std::int64_t value) {
    // Below 0 every rounding ends at 0 or below; from 998 on it ends at 1000
    // or above. In between the value fits an int and rounds to 0..995.
    if (value < MinWireValue) return MinWireValue;
    if (value > 997) return MaxWireValue;
    return RoundToHalfStep(static_cast<int>(value));
}

int RampValue(std::int32_t from, std::int32_t to, std::int64_t duration, std::int64_t k) {
    if (k <= 0 || duration < 2) return WireValue(from);
    const double slope = static_cast<double>(static_cast<std::int64_t>(to) - from) /
                         static_cast<double>(duration - 1);
    // |slope * k| stays below |to - from| < 2^33: the cast cannot overflow.
    const auto offset = static_cast<std::int64_t>(slope * static_cast<double>(k));
    return WireValue(static_cast<std::int64_t>(from) + offset);
}

void AddStep(TSequenceScript& script, std::uint16_t line, StepKind kind, std::int32_t value, std::int32_t count) {
    SequenceStep step;
    step.Line = line;
    step.Kind = kind;
    step.Value = value;
    step.Counter = count;
    step.Count = count;
    script.AppendStep(step);
}

void TSequenceScript::Push(const TRun& run) {
    runs_.push_back(run);
    runs_.back().first = count_;
    count_ += run.length;
    lineIndexValid_ = false;
}

void TSequenceScript::AppendStep(const SequenceStep& step) {
    TRun run;
    run.form = TRun::Single;
    run.step = step;
    run.length = 1;
    Push(run);
}

void TSequenceScript::AppendWaits(std::uint16_t line, std::int64_t count) {
    if (count <= 0) return;
    // Adjacent waits of the same row join one run.
    if (!runs_.empty() && runs_.back().form == TRun::Waits && runs_.back().step.Line == line) {
        runs_.back().length += count;
        count_ += count;
        return;
    }
    TRun run;
    run.form = TRun::Waits;
    run.step.Line = line;
    run.length = count;
    Push(run);
}

void TSequenceScript::AppendRampInner(std::uint16_t line, std::int32_t from, std::int32_t to,
                                      std::int64_t duration) {
    if (duration < 3) return;
    TRun run;
    run.form = TRun::RampInner;
    run.step.Line = line;
    run.length = duration - 2;
    run.from = from;
    run.to = to;
    run.duration = duration;
    Push(run);
}

std::size_t TSequenceScript::Locate(std::int64_t index) const {
    auto holds = [&](std::size_t r) {
        return r < runs_.size() && index >= runs_[r].first && index < runs_[r].first + runs_[r].length;
    };
    if (holds(cursor_)) return cursor_;
    if (holds(cursor_ + 1)) return ++cursor_;
    auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                               [](std::int64_t i, const TRun& r) { return i < r.first; });
    cursor_ = static_cast<std::size_t>(it - runs_.begin()) - 1;
    return cursor_;
}

SequenceStep TSequenceScript::StepAt(std::int64_t index) const {
    if (index < 0 || index >= count_) return {};
    const TRun& run = runs_[Locate(index)];
    if (run.form == TRun::Single) return run.step;
    if (run.form == TRun::Track) return TrackStepAt(run, index);
    SequenceStep step;
    step.Line = run.step.Line;
    if (run.form == TRun::RampInner) {
        const std::int64_t k = index - run.first + 1;
        const int v = RampValue(run.from, run.to, run.duration, k);
        if (v != RampValue(run.from, run.to, run.duration, k - 1)) {
            step.Kind = StepKind::Set;
            step.Value = v;
        }
    }
    return step;
}

void TSequenceScript::BuildLineIndex() const {
    std::unordered_map<std::uint16_t, std::int64_t> firstOf;
    for (const TRun& run : runs_) firstOf.emplace(run.step.Line, run.first);  // keeps the first
    indexLines_.clear();
    for (const auto& entry : firstOf) indexLines_.push_back(entry.first);
    std::sort(indexLines_.begin(), indexLines_.end());
    indexFirst_.assign(indexLines_.size(), 0);
    std::int64_t best = count_;
    for (std::size_t i = indexLines_.size(); i-- > 0;) {
        best = std::min(best, firstOf[indexLines_[i]]);
        indexFirst_[i] = best;
    }
    lineIndexValid_ = true;
}

std::int64_t TSequenceScript::FindLine(std::int64_t target) const {
    if (!lineIndexValid_) BuildLineIndex();
    if (target > std::numeric_limits<std::uint16_t>::max()) return count_;
    const auto it = std::lower_bound(indexLines_.begin(), indexLines_.end(),
                                     static_cast<std::int64_t>(std::max<std::int64_t>(target, 0)),
                                     [](std::uint16_t line, std::int64_t t) { return line < t; });
    if (it == indexLines_.end()) return count_;
    return indexFirst_[static_cast<std::size_t>(it - indexLines_.begin())];
}

std::int64_t TSequenceScript::PlainWaitsAhead() const {
    if (Finished || Position < 0 || Position >= count_) return 0;
    const TRun& run = runs_[Locate(Position)];
    if (run.form == TRun::Waits) return run.first + run.length - Position;
    if (run.form == TRun::Single && run.step.Kind == StepKind::Wait) return 1;
    if (run.form == TRun::Track) return TrackWaitsAhead(run, Position);
    return 0;
}

void TSequenceScript::SkipWaits(std::int64_t n) {
    n = std::min(n, PlainWaitsAhead());
    if (n <= 0) return;
    Position += n;
    Output.clear();
}

void Advance(TSequenceScript& s) {
    s.chain_.clear();
    s.chainAt_.clear();
    for (;;) {
        if (s.Position < 0 || s.Position >= s.count_) {
            s.Finished = true;
            return;
        }
        const std::size_t r = s.Locate(s.Position);
        TSequenceScript::TRun& run = s.runs_[r];
        if (run.form == TSequenceScript::TRun::Waits) {
            s.Output.clear();
            ++s.Position;
            return;
        }
        if (run.form == TSequenceScript::TRun::RampInner || run.form == TSequenceScript::TRun::Track) {
            const SequenceStep step = s.StepAt(s.Position);
            if (step.Kind == StepKind::Set)
                s.Output = FormatAttValue(step.Value);
            else
                s.Output.clear();
            ++s.Position;
            return;
        }
        SequenceStep& step = run.step;
        switch (step.Kind) {
        case StepKind::Wait:
            s.Output.clear();
            ++s.Position;
            return;
        case StepKind::Set:
            s.Output = FormatAttValue(step.Value);
            ++s.Position;
            return;
        case StepKind::Repeat:
            if (step.Counter <= 0) {
                step.Counter = step.Count;  // re-armed for a later pass
                s.Output.clear();
                ++s.Position;
                return;
            }
            break;
        case StepKind::Goto:
            break;
        }

        // A jump. Coming back to a jump already taken in this tick means the
        // chain is a cycle that takes no tick while its counters last.
        const auto [seen, fresh] = s.chainAt_.emplace(r, s.chain_.size());
        if (!fresh) {
            bool bounded = false;
            std::int32_t laps = std::numeric_limits<std::int32_t>::max();
            for (std::size_t j = seen->second; j < s.chain_.size(); ++j) {
                const SequenceStep& c = s.runs_[s.chain_[j]].step;
                if (c.Kind != StepKind::Repeat) continue;
                bounded = true;
                laps = std::min(laps, c.Counter);
            }
            if (!bounded) {
                // Only "Goto" jumps: no step that takes a tick can ever be
                // reached again, so the sequence has ended.
                s.Output.clear();
                s.Position = s.count_;
                s.Finished = true;
                return;
            }
            // Every full lap takes one from each counter of the cycle: take
            // the laps that all counters allow at once, then go on step by
            // step until a used-up "Repeat" takes its silent tick.
            for (std::size_t j = seen->second; j < s.chain_.size(); ++j) {
                SequenceStep& c = s.runs_[s.chain_[j]].step;
                if (c.Kind == StepKind::Repeat) c.Counter -= laps;
            }
            s.chain_.clear();
            s.chainAt_.clear();
            continue;
        }
        s.chain_.push_back(r);
        if (step.Kind == StepKind::Repeat) --step.Counter;
        s.Position = s.FindLine(step.Value);
    }
}
