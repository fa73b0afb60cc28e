// A run record read as a profile: every row is a value a run handed to an
// attenuator on one tick. Its Seconds are the hand-over time, a tick's time
// plus a few ms of delivery: each row goes on the nearest tick, counted from
// the run's first tick (at 0.1 s), so the replay sends the same values on
// the same ticks. Every row is sent again, a repeated value too, as the run
// did.

#include "sequencer/ProfileReading.h"

#include <algorithm>

namespace profile_reading {

namespace {

// The record's header, before and after it gained the columns of what the
// link did with each command.
constexpr std::string_view kShortHeader = "Time,Seconds,Box,Name,Address,Port,Value,Attenuation (dB)";
constexpr std::string_view kLongHeader = "Time,Seconds,Box,Name,Address,Port,Value,Attenuation (dB),Sent,Limited";
constexpr std::size_t kSeconds = 1, kBox = 2, kDb = 7;

}  // namespace

bool IsRunRecordHeader(std::string_view line) {
    line = Trim(line);
    return line == kShortHeader || line == kLongHeader;
}

TProfileRead ReadRunRecordProfile(std::string_view text, const std::string& name, const TProfileBench& bench,
                                  const TProfileCancel* cancel) {
    TProfileBuilder build(name, bench);
    std::vector<std::string> headers, cells;
    std::array<bool, 9> claimed{};
    std::int64_t lastMs = -1, lastTick = -1;

    ForEachLine(text, [&](std::size_t number, std::string_view line) {
        if (headers.empty()) {
            // Comments and blank lines may come before the header.
            const std::string_view t = Trim(line);
            if (!t.empty() && t.front() != '#') SplitCells(line, ',', headers);
            return true;
        }
        if (Trim(line).empty()) return true;
        if (!SplitCells(line, ',', cells)) return build.Fail(number, 0, {}, "a quote is not closed");
        if (cells.size() != headers.size())
            return build.Fail(number, 0, {},
                              std::to_string(cells.size()) + " fields where the header has " +
                                  std::to_string(headers.size()) + " columns");
        std::int64_t ms = 0;
        if (ParseDecimal(cells[kSeconds], 3, ms) != TDecimal::Ok || ms < 0)
            return build.Fail(number, kSeconds + 1, headers[kSeconds], Shown(cells[kSeconds]) + " is not a time in seconds");
        if (ms < lastMs)
            return build.Fail(number, kSeconds + 1, headers[kSeconds], "the rows are not in the order of time");
        std::int64_t box = 0;
        if (ParseDecimal(cells[kBox], 0, box) != TDecimal::Ok || box < 1 || box > 8)
            return build.Fail(number, kBox + 1, headers[kBox], Shown(cells[kBox]) + " is not an attenuator box (1..8)");
        const int att = static_cast<int>(box);
        if (!claimed[static_cast<std::size_t>(att)]) {
            if (!build.Claim(att, number, kBox + 1, headers[kBox])) return false;
            claimed[static_cast<std::size_t>(att)] = true;
        }
        if (cells[kDb].empty())
            return build.Fail(number, kDb + 1, headers[kDb],
                              "no value in dB (the attenuator had not identified itself when the run was recorded)");
        int own = 0;
        if (!build.Value(cells[kDb], att, number, kDb + 1, headers[kDb], own)) return false;
        // Tick k of a run is handed over at k x 0.1 s; the first is the
        // profile's tick 0.
        const std::int64_t tick = std::max<std::int64_t>((ms + 50) / 100 - 1, 0);
        if (tick > LastProfileTick)
            return build.Fail(number, kSeconds + 1, headers[kSeconds], cells[kSeconds] + " s is beyond the longest profile");
        if (build.HasValue(att) && build.LastTick(att) >= tick)
            return build.Fail(number, kSeconds + 1, headers[kSeconds],
                              "a second value for attenuator " + std::to_string(att) + " on one tick");
        build.Add(att, static_cast<std::uint32_t>(tick), own, true);
        lastMs = ms;
        lastTick = std::max(lastTick, tick);
        return true;
    }, cancel);
    if (!build.Failed() && lastTick < 0) build.Fail(2, 0, {}, "the run record holds no value");
    return build.Finish(lastTick + 1, true);
}

}  // namespace profile_reading
