#pragma once
// Compiling sequence files into the steps of a run, and the attenuator claims
// of the files that take part in it.

#include "sequencer/ProfileFile.h"
#include "sequencer/SequenceFile.h"
#include "sequencer/SequenceModel.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Shown (title "Sequence error.") when two sequences claim one attenuator.
inline constexpr const char* InterferenceMessage = "Attenuators interferences !";

// Appends the steps of one action row to script. Values to send are rounded
// to a half step and clamped into 0..999; "Reset" sends ResetLevel.
void CompileActionRow(TSequenceScript& script, const TActionRow& row);
// The same for one action-section line of a file.
void CompileActionLine(TSequenceScript& script, std::string_view line);

// Applies one attenuator-section line: every attenuator the line names gets
// script unless it is taken already. Returns false when any was taken (the
// free ones named are still claimed).
bool ClaimAttenuators(TBaieScripts& assignment, TSequenceScript* script, std::string_view line);

// Cancelled: given up from another thread before it was done.
// SequenceError: a sequence whose values the bench must not be sent (shown
// with the title "Sequence error.").
enum class TAnalysisResult { Ok, Conflict, FileError, ProfileError, SequenceError, Cancelled };

// One run built from sequence files.
struct TSequenceAnalysis {
    TAnalysisResult Result = TAnalysisResult::Ok;
    std::string Error;  // the message for the operator when not Ok
    // Every script, in file order; scripts of files naming no attenuator too.
    std::vector<std::unique_ptr<TSequenceScript>> Scripts;
    TBaieScripts Assignment;  // refers into Scripts
    // The index, among the files analysed, of the file of each script (a
    // profile has a script per attenuator column).
    std::vector<std::size_t> ScriptFile;

    bool Ok() const { return Result == TAnalysisResult::Ok; }
};

// Gives each column of a profile a script of its own (values in the
// attenuator's own unit) and claims its attenuator. Returns false when an
// attenuator was taken already.
bool AddProfile(TSequenceAnalysis& run, TProfile profile);

// Reads and compiles the files in the order given: sequences, and profiles
// (IsProfileFileName) read against bench, the attenuators as the run finds
// them. Stops at the first file that cannot be read or that is no sequence
// file, having no section line (Error names it and gives the reason), at the first fault of a profile (ProfileError, shown
// with ProfileErrorTitle), at the first sequence that would send an
// attenuator a value below its floor or, on a whole-decibel bench, above the
// common maximum (SequenceError, see TSequenceLimits), or at the first
// attenuator claimed twice (Error is InterferenceMessage); on failure
// nothing built is kept. Setting cancel, from any thread, makes it end soon
// as Cancelled. tenths: the unit the run counts a sequence's values in,
// when the caller knows it (see TSequenceLimits).
TSequenceAnalysis AnalyzeSequences(const std::vector<std::string>& fileNames, const TProfileBench& bench = {},
                                   const TProfileCancel* cancel = nullptr, std::optional<bool> tenths = {});
