#pragma once
// The timeline printer behind seqplay.

#include "sequencer/ProfileFile.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct TSeqPlayOptions {
    bool ShowSilentTicks = false;
    std::int64_t MaxTicks = 864000;  // 24 hours of ticks
    // The attenuators profiles are read for: all eight usable, counting
    // tenths up to 93.5 dB, unless told otherwise.
    TProfileBench Bench = UniformProfileBench(935);
};

// Prints the timeline of a run of files to out (errors to err) and returns
// the exit status described in main.cpp.
int PlaySequences(const std::vector<std::string>& files, const TSeqPlayOptions& options, std::ostream& out,
                  std::ostream& err);
