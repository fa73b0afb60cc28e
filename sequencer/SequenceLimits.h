#pragma once
// What the action rows of a sequence file would send, checked against the
// bench before a run starts: no value, in the unit of the attenuator it
// goes to, below that attenuator's floor; and on a bench counting whole
// decibels no step or ramp value above the common maximum (a file written
// in tenths would otherwise be cut down to each maximum without a word).

#include "sequencer/ProfileFile.h"
#include "sequencer/SequenceFile.h"

#include <optional>
#include <string>
#include <vector>

class TSequenceLimits {
public:
    // bench: the attenuators as the run finds them; the common maximum
    // follows from the usable ones, as the bench computes it. tenths: the
    // unit the run counts its values in; without it the common maximum's
    // unit is taken for the floors, and values above the maximum are not
    // looked for.
    TSequenceLimits(const TProfileBench& bench, std::optional<bool> tenths);

    // One action row of the file, in file order.
    void Row(const TActionRow& row);
    // Why the file named fileName, playing on the attenuators named (bit
    // n-1 for attenuator n), must not start; nothing when it may.
    std::optional<std::string> Problem(const std::string& fileName, unsigned named) const;

private:
    struct TRowLow {
        int Num;
        int Low;  // the lowest value the row sends, in the common unit
    };

    const TProfileBench& bench_;
    int commonMax_ = 0;
    bool tenths_ = true;
    bool anyFloor_ = false;
    std::vector<TRowLow> lows_;          // kept only while a floor is set
    std::optional<TActionRow> aboveMax_;  // the first row above the common maximum
    int aboveValue_ = 0;
};
