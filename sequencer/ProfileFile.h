#pragma once
// Profiles: measured attenuation traces played on the sequencer's tick. A
// profile file is a CSV table, "time_s,att1,att3,..." then one line per
// state, the time in seconds (0 first, strictly increasing, on the 0.1 s
// grid) and a value in dB per attenuator (an empty cell holds the previous
// one). The program's own run record reads as a profile too, so that a
// recorded run replays with the same values on the same ticks.
//
// Reading is strict: the first fault ends it with a message naming the
// file, the line, the column and what is wrong, and nothing is kept. Values
// are converted into each attenuator's own unit (whole dB, or tenths sent in
// half-decibel steps) as the bench stands when the run starts; a value that
// would have to be rounded or cut is refused.

#include "sequencer/SequenceModel.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The title of the message that shows a profile's fault.
inline constexpr const char* ProfileErrorTitle = "Profile error.";

// A file larger than this is refused before it is read.
inline constexpr std::int64_t MaxProfileFileBytes = 64ll * 1024 * 1024;

// An attenuator as a profile sees it when the run starts.
struct TProfileAtt {
    bool Usable = false;  // connected and identified
    int MaxAtt = 0;       // its maximum in its own unit (tenths above 110)
    int Floor = 0;        // the lowest value it may be sent, own unit (0: none)
};
// Attenuators 1..8 (index 0 unused).
using TProfileBench = std::array<TProfileAtt, 9>;

// The same attenuator maximum for all eight, usable: for tools without a bench.
TProfileBench UniformProfileBench(int maxAtt);

struct TProfileColumn {
    int Att = 0;  // 1..8
    std::shared_ptr<TValueTrack> Track;  // values in the attenuator's own unit
};

struct TProfile {
    std::vector<TProfileColumn> Columns;  // in the file's column order
    std::int64_t Length = 0;              // ticks: the last state's tick + 1
    bool Recorded = false;                // read from a run record
};

struct TProfileRead {
    bool Ok = false;
    std::string Error;  // for the operator, when not Ok
    TProfile Profile;
};

// Set from another thread to give up a reading under way: it then ends soon,
// as failed with ProfileCancelledMessage.
using TProfileCancel = std::atomic<bool>;
inline constexpr const char* ProfileCancelledMessage = "Reading given up.";

// Whether a file is read as a profile: its name ends with ".csv", any case.
bool IsProfileFileName(std::string_view path);

// Reads a profile from text; name is the file's name for the messages.
TProfileRead ReadProfileText(std::string_view text, const std::string& name, const TProfileBench& bench,
                             const TProfileCancel* cancel = nullptr);
// Reads a profile file; a file over MaxProfileFileBytes is refused unread.
TProfileRead ReadProfileFile(const std::string& path, const TProfileBench& bench,
                             const TProfileCancel* cancel = nullptr);
