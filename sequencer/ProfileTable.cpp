// The profile table: "time_s,att1,att3,..." then one state per line.

#include "sequencer/ProfileReading.h"

#include <cctype>

namespace profile_reading {

namespace {

bool IsSkipped(std::string_view line) {
    line = Trim(line);
    return line.empty() || line.front() == '#';
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string SecondsText(std::int64_t ticks) {
    return std::to_string(ticks / 10) + "." + std::to_string(ticks % 10) + " s";
}

}  // namespace

TProfileRead ReadProfileTable(std::string_view text, const std::string& name, const TProfileBench& bench,
                              const TProfileCancel* cancel) {
    TProfileBuilder build(name, bench);
    std::vector<int> atts;             // attenuator of each value column
    std::vector<std::string> headers;  // every column's name, as written
    char sep = ',';
    std::vector<std::string> cells;
    std::int64_t lastTick = -1;
    bool header = false;

    ForEachLine(text, [&](std::size_t number, std::string_view line) {
        if (IsSkipped(line)) return true;
        if (!header) {
            header = true;
            sep = line.find(';') != std::string_view::npos ? ';' : ',';
            if (!SplitCells(line, sep, cells)) return build.Fail(number, 0, {}, "a quote is not closed");
            if (Lower(cells[0]) != "time_s")
                return build.Fail(number, 1, cells[0], "the first column must be time_s");
            headers = cells;
            if (cells.size() > 9) return build.Fail(number, 10, cells[9], "more than 8 attenuator columns");
            for (std::size_t c = 1; c < cells.size(); ++c) {
                const std::string column = Lower(cells[c]);
                const int att = column.size() == 4 && column.compare(0, 3, "att") == 0 && column[3] >= '1' &&
                                        column[3] <= '8'
                                    ? column[3] - '0'
                                    : 0;
                if (att == 0)
                    return build.Fail(number, c + 1, cells[c], Shown(cells[c]) + " is not a column (att1..att8)");
                for (const int taken : atts)
                    if (taken == att) return build.Fail(number, c + 1, cells[c], "attenuator " + std::to_string(att) + " has two columns");
                if (!build.Claim(att, number, c + 1, cells[c])) return false;
                atts.push_back(att);
            }
            if (atts.empty()) return build.Fail(number, 0, {}, "the header names no attenuator (att1..att8)");
            return true;
        }
        if (!SplitCells(line, sep, cells)) return build.Fail(number, 0, {}, "a quote is not closed");
        if (cells.size() != headers.size())
            return build.Fail(number, 0, {},
                              std::to_string(cells.size()) + " cells where the header has " +
                                  std::to_string(headers.size()) + " columns");
        std::int64_t tick = 0;
        switch (ParseDecimal(cells[0], 1, tick)) {
        case TDecimal::NotNumber: return build.Fail(number, 1, headers[0], Shown(cells[0]) + " is not a time in seconds");
        case TDecimal::Finer: return build.Fail(number, 1, headers[0], cells[0] + " s is not on the 0.1 s grid of the tick");
        case TDecimal::TooLarge: tick = LastProfileTick + 1; break;
        case TDecimal::Ok: break;
        }
        if (lastTick < 0 && tick != 0)
            return build.Fail(number, 1, headers[0], "the first state must be at 0 s, not " + cells[0] + " s");
        if (tick <= lastTick)
            return build.Fail(number, 1, headers[0],
                              cells[0] + " s does not come after the previous state's " + SecondsText(lastTick));
        if (tick > LastProfileTick) return build.Fail(number, 1, headers[0], cells[0] + " s is beyond the longest profile");
        for (std::size_t c = 1; c < cells.size(); ++c) {
            const int att = atts[c - 1];
            if (cells[c].empty()) {
                if (lastTick < 0)
                    return build.Fail(number, c + 1, headers[c], "the first state must give every attenuator a value");
                continue;  // holds the previous value
            }
            int own = 0;
            if (!build.Value(cells[c], att, number, c + 1, headers[c], own)) return false;
            build.Add(att, static_cast<std::uint32_t>(tick), own, false);
        }
        lastTick = tick;
        return true;
    }, cancel);
    if (!build.Failed() && !header) build.Fail(1, 0, {}, "the file holds no header (time_s,att1,...)");
    if (!build.Failed() && lastTick < 0) build.Fail(1, 0, {}, "the file holds no state");
    return build.Finish(lastTick + 1, false);
}

}  // namespace profile_reading
