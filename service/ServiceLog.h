#pragma once
// The service's log: one line per event on standard error, each with the
// journal's level prefix, so that the system journal files it at its level
// ("<3>" error, "<4>" warning, "<6>" information). What the bench decides
// is told here as a person would look for it: each box's status text when
// it changes, names, verified sets that never matched, an attenuator found
// below its floor. Nothing per tick.

#include "benchcore/Bench.h"

#include <array>
#include <string>

enum class TLogLevel { Error = 3, Warning = 4, Info = 6 };

// Writes one line (line breaks inside become blanks) and flushes it.
void LogLine(TLogLevel level, const std::string& text);

class TServiceLog : public TBenchObserver {
public:
    explicit TServiceLog(const TBench& bench) : bench_(bench) {}

    void BoxShown(int n, TBoxFact fact, const std::string& text) override;
    void SetEnded(int n, const TSetOutcome& outcome) override;
    void BoxChanged(int n, const TBenchBox& box) override;

    // Box n's label in the log: "box 3 (127.0.0.1:10003)".
    std::string BoxLabel(int n) const;

private:
    const TBench& bench_;
    std::array<std::string, TBench::SlotCount> lastStatus_;
    std::array<std::string, TBench::SlotCount> lastName_;
    std::array<bool, TBench::SlotCount> belowFloor_{};
};
