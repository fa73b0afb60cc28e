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

void TTickSchedule::Next(Clock::time_point now) {
    if (now - deadline_ > period_) {
        deadline_ = now + period_;
        ++rebased_;
    } else {
        deadline_ += period_;
    }
}
