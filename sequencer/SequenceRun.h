#pragma once
// One run of sequences, advanced tick by tick without any clock: what the
// engine thread executes, and what the timeline tool prints.

#include "sequencer/SequenceModel.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The engine's tick, in ms.
inline constexpr int TickPeriod = 100;

// The channel the engine's attenuation commands address.
inline constexpr const char* SequencerChannel = "0";

class TSequenceRun {
public:
    TSequenceRun() = default;
    // valuesInTenths: the unit the scripts' values count in, the bench's
    // common unit when the run starts (tenths of a decibel when the common
    // maximum is above 110, whole decibels otherwise).
    TSequenceRun(std::vector<std::unique_ptr<TSequenceScript>> scripts, const TBaieScripts& assignment,
                 bool valuesInTenths = true)
        : assignment_(assignment), scripts_(std::move(scripts)), valuesInTenths_(valuesInTenths) {}
    TSequenceRun(TSequenceRun&&) = default;
    TSequenceRun& operator=(TSequenceRun&&) = default;

    // Advances every script by one tick, in list order, and builds the
    // command of each attenuator. Returns false when no assigned script is
    // running any more: the run has ended and this tick delivers nothing.
    bool Step();
    // Advances ticks ticks at once, for ticks that could not be sent in
    // time: each attenuator's command is the latest any of them built, so
    // that a value set in a skipped tick still goes out. Returns false once
    // the run has ended with nothing left to send.
    bool StepOver(std::int64_t ticks);

    // The command for attenuator 1..8 built by the last Step; empty when
    // nothing is to be sent.
    const std::string& Command(int att) const;
    // The value of that command, in the run's unit; 0 when there is none.
    int Value(int att) const;
    bool ValuesInTenths() const { return valuesInTenths_; }
    // Whether attenuator 1..8's commands carry values already in its own
    // unit (a profile's) rather than in the bench's common unit.
    bool OwnUnit(int att) const;

    // Ticks ahead in which every unfinished script is certain to wait
    // silently, and the move over n of them at once (n <= SilentTicksAhead).
    std::int64_t SilentTicksAhead() const;
    void SkipSilentTicks(std::int64_t n);

    const TBaieScripts& Assignment() const { return assignment_; }
    const std::vector<std::unique_ptr<TSequenceScript>>& Scripts() const { return scripts_; }

private:
    TBaieScripts assignment_;
    std::vector<std::unique_ptr<TSequenceScript>> scripts_;
    bool valuesInTenths_ = true;
    std::array<std::string, TBaieScripts::AttCount> commands_;
    std::array<int, TBaieScripts::AttCount> values_{};
};

// Deadlines of the engine's ticks on a monotonic clock: tick k is due at
// start + k x period, so waiting overshoot never adds up. A late tick is
// delivered at once and the next keeps its own deadline. When more than a
// whole period was lost, a free schedule goes on from the time of the late
// delivery instead of catching up with a burst; a schedule on a grid (a run
// started with other benches at an agreed instant) delivers the latest grid
// point that has come at once and skips the ones before it, so that it stays
// on the tick of the benches it started with.
class TTickSchedule {
public:
    using Clock = std::chrono::steady_clock;
    enum class TLate { Rebase, KeepGrid };

    TTickSchedule(Clock::time_point start, Clock::duration period, TLate late = TLate::Rebase)
        : period_(period), deadline_(start + period), late_(late) {}

    Clock::time_point Deadline() const { return deadline_; }
    // Called once the current tick has been delivered, at time now. Returns
    // how many ticks of the grid were skipped (never delivered) before the
    // next deadline; always 0 for a free schedule.
    std::int64_t Next(Clock::time_point now);
    // Ticks whose schedule was restarted because a whole period was lost.
    std::int64_t Rebased() const { return rebased_; }
    // Grid ticks skipped in all.
    std::int64_t Skipped() const { return skipped_; }

private:
    Clock::duration period_;
    Clock::time_point deadline_;
    TLate late_;
    std::int64_t rebased_ = 0;
    std::int64_t skipped_ = 0;
};
