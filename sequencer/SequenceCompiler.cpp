#include "sequencer/SequenceCompiler.h"

#include "sequencer/SequenceLimits.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// A jump target line, To - 1, computed without overflow. Lines are 16-bit,
// so clamping into 32 bits keeps every FindLine result.
std::int32_t TargetLine(int to) {
    const std::int64_t target = static_cast<std::int64_t>(to) - 1;
    return static_cast<std::int32_t>(
        std::max<std::int64_t>(target, std::numeric_limits<std::int32_t>::min()));
}

}  // namespace

void CompileActionRow(TSequenceScript& script, const TActionRow& row) {
    // Num - 1 truncated to 16 bits: a Num of 0 gives line 65535.
    const auto line = static_cast<std::uint16_t>(static_cast<std::uint32_t>(row.Num) - 1u);
    const std::int64_t d = row.Duration;
    switch (row.Action) {
    case ActionNone:
        script.AppendWaits(line, d);
        break;
    case ActionReset:
        AddStep(script, line, StepKind::Set, ResetLevel, 0);
        break;
    case ActionRamp:
        AddStep(script, line, StepKind::Set, WireValue(row.From), 0);
        if (d >= 3) script.AppendRampInner(line, row.From, row.To, d);
        AddStep(script, line, StepKind::Set, WireValue(row.To), 0);
        break;
    case ActionStep:
        AddStep(script, line, StepKind::Set, WireValue(row.To), 0);
        script.AppendWaits(line, d - 1);
        break;
    case ActionGoto:
        AddStep(script, line, StepKind::Goto, TargetLine(row.To), 0);
        break;
    case ActionRepeat:
        AddStep(script, line, StepKind::Repeat, TargetLine(row.To), row.Duration);
        break;
    default:
        break;  // unknown codes produce nothing
    }
}

void CompileActionLine(TSequenceScript& script, std::string_view line) {
    CompileActionRow(script, ParseActionRow(line));
}

bool ClaimAttenuators(TBaieScripts& assignment, TSequenceScript* script, std::string_view line) {
    const unsigned named = NamedAttenuators(line);
    bool result = true;
    for (int n = 1; n <= TBaieScripts::AttCount; ++n) {
        if (!(named & (1u << (n - 1)))) continue;
        if (assignment.Slot(n) == nullptr)
            assignment.SetSlot(n, script);
        else
            result = false;
    }
    return result;
}

bool AddProfile(TSequenceAnalysis& run, TProfile profile) {
    bool free = true;
    for (TProfileColumn& column : profile.Columns) {
        auto script = std::make_unique<TSequenceScript>();
        script->OwnUnit = true;
        script->AppendTrack(std::move(column.Track), profile.Length);
        if (run.Assignment.Slot(column.Att) == nullptr)
            run.Assignment.SetSlot(column.Att, script.get());
        else
            free = false;
        run.Scripts.push_back(std::move(script));
    }
    return free;
}

TSequenceAnalysis AnalyzeSequences(const std::vector<std::string>& fileNames, const TProfileBench& bench,
                                   const TProfileCancel* cancel, std::optional<bool> tenths) {
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    const auto givenUp = [] {
        TSequenceAnalysis failed;
        failed.Result = TAnalysisResult::Cancelled;
        failed.Error = ProfileCancelledMessage;
        return failed;
    };
    TSequenceAnalysis run;
    for (const std::string& name : fileNames) {
        if (cancelled()) return givenUp();
        const auto fileIndex = static_cast<std::size_t>(&name - fileNames.data());
        if (IsProfileFileName(name)) {
            TProfileRead read = ReadProfileFile(name, bench, cancel);
            if (cancelled()) return givenUp();
            TSequenceAnalysis failed;
            if (!read.Ok) {
                failed.Result = TAnalysisResult::ProfileError;
                failed.Error = std::move(read.Error);
                return failed;
            }
            if (!AddProfile(run, std::move(read.Profile))) {
                failed.Result = TAnalysisResult::Conflict;
                failed.Error = InterferenceMessage;
                return failed;
            }
            run.ScriptFile.resize(run.Scripts.size(), fileIndex);
            continue;
        }
        auto script = std::make_unique<TSequenceScript>();
        TSequenceLimits limits(bench, tenths);
        unsigned named = 0;
        bool conflict = false;
        bool sequence = false;
        std::string error;
        bool read = ReadSequenceLines(
            name,
            [&](TSequenceSection section, std::string_view line) {
                if (section == TSequenceSection::Attenuators) {
                    named |= NamedAttenuators(line);
                    if (!ClaimAttenuators(run.Assignment, script.get(), line)) {
                        conflict = true;
                        return false;  // no further line is read
                    }
                } else {
                    const TActionRow row = ParseActionRow(line);
                    CompileActionRow(*script, row);
                    limits.Row(row);
                }
                return !cancelled();
            },
            error, &sequence);
        if (cancelled()) return givenUp();
        if (read && !conflict && !sequence) {
            // Neither a sequence nor a profile: a run of it would do nothing
            // and pass for done.
            read = false;
            error = "Cannot open file \"" + name + "\". It is not a sequence file: it has no \"ATTS SELECTED\" or "
                    "\"ACTIONS\" line.";
        }
        if (!read || conflict) {
            TSequenceAnalysis failed;
            failed.Result = read ? TAnalysisResult::Conflict : TAnalysisResult::FileError;
            failed.Error = read ? InterferenceMessage : error;
            return failed;  // run, and the script, are discarded
        }
        if (auto problem = limits.Problem(name, named)) {
            TSequenceAnalysis failed;
            failed.Result = TAnalysisResult::SequenceError;
            failed.Error = std::move(*problem);
            return failed;
        }
        run.Scripts.push_back(std::move(script));
        run.ScriptFile.push_back(fileIndex);
    }
    return run;
}
