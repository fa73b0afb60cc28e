#pragma once
// What the two profile layouts (the profile table and the run record) share
// while they are read: cells, numbers, the messages with their place, and
// the tracks being built. Internal to the profile reader.

#include "sequencer/ProfileFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace profile_reading {

// The last tick a profile may use: tick counts fit 31 bits (6.8 years).
inline constexpr std::int64_t LastProfileTick = 0x7FFFFFFE;

std::string_view Trim(std::string_view s);

// Splits a line at sep; a cell may be quoted ("a,b", inner quotes doubled).
// Cells are trimmed of blanks. False on an unterminated quote.
bool SplitCells(std::string_view line, char sep, std::vector<std::string>& cells);

// A decimal number ("12", "-3.25", " 7.50 ") scaled by 10^places into
// scaled. Finer: digits beyond places that are not 0.
enum class TDecimal { Ok, NotNumber, Finer, TooLarge };
TDecimal ParseDecimal(std::string_view s, int places, std::int64_t& scaled);

// Calls line(number, text) for every line (LF or CR LF ends, a first UTF-8
// byte order mark dropped) until it returns false or cancel is set (looked
// at every few thousand lines).
void ForEachLine(std::string_view text, const std::function<bool(std::size_t, std::string_view)>& line,
                 const TProfileCancel* cancel = nullptr);

// A cell as a message shows it: quoted, a long one cut short.
std::string Shown(std::string_view cell);

// The tracks of a profile being read, and its first fault.
class TProfileBuilder {
public:
    TProfileBuilder(const std::string& name, const TProfileBench& bench) : name_(name), bench_(bench) {}

    // Records the fault at line, column (1-based) named columnName; always
    // returns false, for "return Fail(...)".
    bool Fail(std::size_t line, std::size_t column, std::string_view columnName, const std::string& what);
    bool Failed() const { return !error_.empty(); }

    // Takes attenuator att as a column; false (with the fault) when it is
    // not usable.
    bool Claim(int att, std::size_t line, std::size_t column, std::string_view columnName);
    // Reads a value in dB for att into its own unit; false with the fault.
    bool Value(std::string_view cell, int att, std::size_t line, std::size_t column, std::string_view columnName,
               int& own);
    // A value for att on tick. With resend false a value equal to the one
    // held is not stored again: the attenuator holds it anyway.
    void Add(int att, std::uint32_t tick, int own, bool resend);
    bool HasValue(int att) const { return held_[static_cast<std::size_t>(att)] >= 0; }
    std::uint32_t LastTick(int att) const;

    // The profile with its columns in the order claimed.
    TProfileRead Finish(std::int64_t length, bool recorded);

private:
    const std::string& name_;
    const TProfileBench& bench_;
    std::string error_;
    std::vector<int> order_;
    std::array<std::shared_ptr<TValueTrack>, 9> tracks_{};
    std::array<int, 9> held_{-1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// The two layouts: a run record is known by its header line.
bool IsRunRecordHeader(std::string_view line);
TProfileRead ReadProfileTable(std::string_view text, const std::string& name, const TProfileBench& bench,
                              const TProfileCancel* cancel);
TProfileRead ReadRunRecordProfile(std::string_view text, const std::string& name, const TProfileBench& bench,
                                  const TProfileCancel* cancel);

}  // namespace profile_reading
