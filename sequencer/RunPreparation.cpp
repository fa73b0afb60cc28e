#include "sequencer/RunPreparation.h"

#include <memory>
#include <utility>

TRunPreparation::TRunPreparation(std::vector<std::string> files, const TProfileBench& bench, TDone done,
                                 std::optional<bool> tenths)
    : handler_(std::move(done)) {
    thread_ = std::thread(&TRunPreparation::Execute, this, std::move(files), bench, tenths);
}

TRunPreparation::~TRunPreparation() {
    cancel_ = true;
    gate_.Close();  // a result posted but not yet handed over is dropped
    if (thread_.joinable()) thread_.join();
}

void TRunPreparation::Execute(std::vector<std::string> files, TProfileBench bench, std::optional<bool> tenths) {
    // The analysis travels to the GUI thread in a shared pointer: a posted
    // step must be copyable, the analysis is not.
    auto analysis = std::make_shared<TSequenceAnalysis>(AnalyzeSequences(files, bench, &cancel_, tenths));
    if (cancel_) return;
    // The step runs on the GUI thread only while the gate is open, that is
    // while this object lives. The handler is copied first: it may destroy
    // this object.
    gate_.Post([this, analysis] {
        const TDone handler = handler_;
        handler(std::move(*analysis));
    });
}
