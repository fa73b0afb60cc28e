#pragma once
// The compiled form of a sequence: a flat list of 100 ms steps, and the
// table that assigns sequences to the eight attenuators of a run.
//
// A sequence file may hold durations up to 2^31 ticks, so the step list is
// kept compact: a long wait is one entry standing for a run of Wait steps,
// and the inner steps of a ramp are computed when they are reached. Seen
// from outside (StepCount, StepAt, FindLine, Advance) the list behaves
// exactly like the fully expanded one.
//
// A profile's attenuator is one script holding a value track: the values to
// send and the ticks they are sent on, with nothing stored for the ticks in
// between, so a day of states costs only what changes in it.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The value a "Reset" row sends (93.5 dB in the tenths unit); never rounded.
constexpr int ResetLevel = 935;
// What the wire's value field can carry.
constexpr int MinWireValue = 0;
constexpr int MaxWireValue = 999;

enum class StepKind : std::uint8_t { Wait = 0, Set = 1, Goto = 2, Repeat = 3 };

struct SequenceStep {
    std::uint16_t Line = 0;       // Num - 1 of the producing row, 16 bits
    StepKind Kind = StepKind::Wait;
    std::int32_t Value = 0;       // Set: value to send; Goto/Repeat: target line
    std::int32_t Counter = 0;     // Repeat: repetitions still to do
    std::int32_t Count = 0;       // Repeat: repetitions from the file

    bool operator==(const SequenceStep&) const = default;
};

// A value as it goes on the wire: rounded to a half step and clamped into
// 0..999, computed without overflow for any 64-bit input.
int WireValue(std::int64_t value);

// The value of step k (0 = the ramp's start) of a ramp from..to over
// duration ticks, as sent: (to - from) / (duration - 1) in double precision,
// division first, times k, truncated toward zero, added to from.
int RampValue(std::int32_t from, std::int32_t to, std::int64_t duration, std::int64_t k);

// The values one attenuator of a profile is sent: Values[i] on tick
// Ticks[i] (0 = the run's first tick), ticks strictly increasing.
struct TValueTrack {
    std::vector<std::uint32_t> Ticks;
    std::vector<std::uint16_t> Values;
};

class TSequenceScript {
public:
    // Number of (logical) steps.
    std::int64_t StepCount() const { return count_; }
    // The step at index (0 <= index < StepCount()), as the expanded list holds it.
    SequenceStep StepAt(std::int64_t index) const;
    // Index of the first step whose Line >= target; StepCount() when none.
    std::int64_t FindLine(std::int64_t target) const;

    // Appending. Runs of length 0 or less add nothing.
    void AppendStep(const SequenceStep& step);
    void AppendWaits(std::uint16_t line, std::int64_t count);
    // The inner steps k = 1..duration-2 of a ramp (duration >= 3).
    void AppendRampInner(std::uint16_t line, std::int32_t from, std::int32_t to, std::int64_t duration);
    // length ticks of a value track (at most one track per script): a Set
    // step on each of its ticks, a Wait step on every other.
    void AppendTrack(std::shared_ptr<const TValueTrack> track, std::int64_t length);

    // Number of upcoming ticks that are certain to be silent waits (the rest
    // of a run of Wait steps at Position); 0 when unknown or none.
    std::int64_t PlainWaitsAhead() const;
    // Moves Position over n of those waits at once (n <= PlainWaitsAhead()).
    void SkipWaits(std::int64_t n);

    // Execution state.
    std::int64_t Position = 0;  // index of the next step to execute
    std::string Output;         // value text of the step executed this tick
    bool Finished = false;
    // The values are already in the unit of the attenuator they go to (a
    // profile's), not in the bench's common unit (a sequence's).
    bool OwnUnit = false;

private:
    friend void Advance(TSequenceScript& script);

    struct TRun {
        enum Form : std::uint8_t { Single, Waits, RampInner, Track };
        Form form = Single;
        SequenceStep step;       // Single: the step; otherwise Line (and Kind Wait)
        std::int64_t first = 0;  // index of the run's first step
        std::int64_t length = 1;
        std::int32_t from = 0;   // RampInner parameters
        std::int32_t to = 0;
        std::int64_t duration = 0;
    };

    std::size_t Locate(std::int64_t index) const;
    // Track runs: the step at tick (index - first), and the silent ticks
    // from there to the next value.
    SequenceStep TrackStepAt(const TRun& run, std::int64_t index) const;
    std::int64_t TrackWaitsAhead(const TRun& run, std::int64_t index) const;
    std::size_t TrackEvent(std::int64_t tick) const;
    void Push(const TRun& run);
    void BuildLineIndex() const;

    std::vector<TRun> runs_;
    std::int64_t count_ = 0;
    mutable std::size_t cursor_ = 0;
    std::shared_ptr<const TValueTrack> track_;
    mutable std::size_t trackCursor_ = 0;  // last TrackEvent result

    // FindLine index: distinct lines ascending, with the smallest first index
    // among the runs of that line or any higher line.
    mutable bool lineIndexValid_ = false;
    mutable std::vector<std::uint16_t> indexLines_;
    mutable std::vector<std::int64_t> indexFirst_;

    // Jump chain of the tick being executed (Advance only).
    std::vector<std::size_t> chain_;
    std::unordered_map<std::size_t, std::size_t> chainAt_;
};

// The step helpers of the model.
void AddStep(TSequenceScript& script, std::uint16_t line, StepKind kind, std::int32_t value, std::int32_t count);
inline std::int64_t FindLine(const TSequenceScript& script, std::int64_t target) {
    return script.FindLine(target);
}

// Executes one tick of a script: sets Output (empty for a silent tick) and
// moves Position; sets Finished once Position has run past the last step.
// Jumps take no time of their own. A chain of jumps that comes back to
// itself without a step that takes a tick and without a bounded "Repeat" in
// it ends the script as finished; "Repeat" loops are bounded by their
// counters and are fast-forwarded, so a tick's work stays bounded.
void Advance(TSequenceScript& script);

// Attenuator assignment of one run: attenuator 1..8 -> script (not owned).
class TBaieScripts {
public:
    static constexpr int AttCount = 8;
    TSequenceScript* Slot(int att) const {
        return att >= 1 && att <= AttCount ? slots_[att - 1] : nullptr;
    }
    void SetSlot(int att, TSequenceScript* script) {
        if (att >= 1 && att <= AttCount) slots_[att - 1] = script;
    }

private:
    std::array<TSequenceScript*, AttCount> slots_{};
};
