#pragma once
// A run's preparation off the GUI thread: the selected files are read and
// compiled, and the attenuator claims checked, on a worker thread of their
// own, so that a large profile never holds the windows or the remote
// interfaces. The worker touches nothing but its own copies of the files'
// names and of the bench; its result reaches the GUI thread by a queued
// call, never by a wait.

#include "sequencer/ProfileFile.h"
#include "sequencer/SequenceCompiler.h"
#include "support/GuiThread.h"

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class TRunPreparation {
public:
    // Called on the GUI thread with the analysis: the compiled run, or the
    // refusal (Result and Error as AnalyzeSequences gives them).
    using TDone = std::function<void(TSequenceAnalysis)>;

    // Starts at once. Call on the GUI thread. tenths: the unit of the run's
    // sequence values, when known (see AnalyzeSequences).
    TRunPreparation(std::vector<std::string> files, const TProfileBench& bench, TDone done,
                    std::optional<bool> tenths = {});
    // Gives the preparation up: done is not called after this (unless it is
    // running already), and the worker, told to stop, is joined; a reading
    // under way stops within a few thousand lines or one megabyte. Call on
    // the GUI thread; done may destroy this object.
    ~TRunPreparation();
    TRunPreparation(const TRunPreparation&) = delete;
    TRunPreparation& operator=(const TRunPreparation&) = delete;

private:
    void Execute(std::vector<std::string> files, TProfileBench bench, std::optional<bool> tenths);

    TDone handler_;
    TProfileCancel cancel_{false};
    TGuiGate gate_;
    std::thread thread_;
};
