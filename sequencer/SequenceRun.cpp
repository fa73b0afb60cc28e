#include "sequencer/SequenceRun.h"

#include "link/TovarinProtocol.h"

#include <algorithm>
#include <charconv>
#include <limits>

bool TSequenceRun::Step() {
    for (const auto& script : scripts_) Advance(*script);
    bool running = false;
    for (int att = 1; att <= TBaieScripts::AttCount; ++att) {
        std::string& command = commands_[att - 1];
        command.clear();
        values_[att - 1] = 0;
        const TSequenceScript* script = assignment_.Slot(att);
        if (script == nullptr || script->Finished) continue;
        running = true;
        if (script->Output.empty()) continue;
        command = FormatAttCommandText(SequencerChannel, script->Output);
        const std::string& text = script->Output;
        std::from_chars(text.data(), text.data() + text.size(), values_[att - 1]);
    }
    return running;
}

bool TSequenceRun::StepOver(std::int64_t ticks) {
    std::array<std::string, TBaieScripts::AttCount> latest;
    std::array<int, TBaieScripts::AttCount> latestValues{};
    bool running = true;
    for (std::int64_t tick = 0; tick < ticks && running; ++tick) {
        running = Step();
        for (std::size_t i = 0; i < latest.size(); ++i) {
            if (commands_[i].empty()) continue;
            latest[i] = commands_[i];
            latestValues[i] = values_[i];
        }
    }
    bool any = false;
    for (std::size_t i = 0; i < latest.size(); ++i) {
        if (latest[i].empty()) continue;
        commands_[i] = std::move(latest[i]);
        values_[i] = latestValues[i];
        any = true;
    }
    return running || any;
}

const std::string& TSequenceRun::Command(int att) const {
    static const std::string none;
    if (att < 1 || att > TBaieScripts::AttCount) return none;
    return commands_[att - 1];
}

int TSequenceRun::Value(int att) const { return att < 1 || att > TBaieScripts::AttCount ? 0 : values_[att - 1]; }

bool TSequenceRun::OwnUnit(int att) const {
    const TSequenceScript* script = assignment_.Slot(att);
    return script != nullptr && script->OwnUnit;
}

std::int64_t TSequenceRun::SilentTicksAhead() const {
    std::int64_t ahead = std::numeric_limits<std::int64_t>::max();
    bool any = false;
    for (const auto& script : scripts_) {
        if (script->Finished) continue;
        any = true;
        ahead = std::min(ahead, script->PlainWaitsAhead());
    }
    return any ? ahead : 0;
}

void TSequenceRun::SkipSilentTicks(std::int64_t n) {
    n = std::min(n, SilentTicksAhead());
    if (n <= 0) return;
    for (const auto& script : scripts_)
        if (!script->Finished) script->SkipWaits(n);
    for (std::string& command : commands_) command.clear();
    values_.fill(0);
}

std::int64_t TTickSchedule::Next(Clock::time_point now) {
    const auto late = now - deadline_;
    if (late <= period_) {
        deadline_ += period_;
        return 0;
    }
    if (late_ == TLate::Rebase) {
        deadline_ = now + period_;
        ++rebased_;
        return 0;
    }
    // The latest grid point that has come is delivered at once (less than a
    // period late); the ones before it are skipped.
    const std::int64_t ahead = late / period_;
    deadline_ += ahead * period_;
    skipped_ += ahead - 1;
    return ahead - 1;
}
