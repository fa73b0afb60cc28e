#include "sequencer/ProfileReading.h"

#include "sequencer/RunRecordFormat.h"

#include <algorithm>

namespace profile_reading {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool SplitCells(std::string_view line, char sep, std::vector<std::string>& cells) {
    cells.clear();
    std::size_t i = 0;
    for (;;) {
        std::string cell;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i < line.size() && line[i] == '"') {
            ++i;
            for (;;) {
                if (i >= line.size()) return false;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        cell += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += line[i++];
            }
            // Only blanks may follow the closing quote.
            const std::size_t end = std::min(line.find(sep, i), line.size());
            if (!Trim(line.substr(i, end - i)).empty()) return false;
            i = end;
        } else {
            const std::size_t end = std::min(line.find(sep, i), line.size());
            cell = std::string(Trim(line.substr(i, end - i)));
            i = end;
        }
        cells.push_back(std::move(cell));
        if (i >= line.size()) return true;
        ++i;  // the separator
    }
}

TDecimal ParseDecimal(std::string_view s, int places, std::int64_t& scaled) {
    s = Trim(s);
    const bool negative = !s.empty() && s.front() == '-';
    if (negative) s.remove_prefix(1);
    std::size_t i = 0, digits = 0;
    std::int64_t value = 0;
    bool large = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits) {
        if (value > 100000000000ll) large = true;  // beyond any time or value read here
        else value = value * 10 + (s[i] - '0');
    }
    int kept = 0;
    bool finer = false;
    if (i < s.size() && s[i] == '.') {
        ++i;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits) {
            if (kept < places) {
                value = value * 10 + (s[i] - '0');
                ++kept;
            } else if (s[i] != '0') {
                finer = true;
            }
        }
    }
    if (digits == 0 || i != s.size()) return TDecimal::NotNumber;
    if (large) return TDecimal::TooLarge;
    if (finer) return TDecimal::Finer;
    for (; kept < places; ++kept) value *= 10;
    scaled = negative ? -value : value;
    return TDecimal::Ok;
}

void ForEachLine(std::string_view text, const std::function<bool(std::size_t, std::string_view)>& line,
                 const TProfileCancel* cancel) {
    constexpr std::size_t kCancelLook = 4096;  // lines between two looks at cancel
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::size_t number = 0;
    while (!text.empty()) {
        if (cancel && number % kCancelLook == 0 && cancel->load(std::memory_order_relaxed)) return;
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view l = text.substr(0, end);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line(++number, l)) return;
    }
}

std::string Shown(std::string_view cell) {
    constexpr std::size_t kLongest = 40;
    std::string shown(cell.substr(0, kLongest));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    return "\"" + shown + (cell.size() > kLongest ? "...\"" : "\"");
}

bool TProfileBuilder::Fail(std::size_t line, std::size_t column, std::string_view columnName,
                           const std::string& what) {
    if (error_.empty()) {
        error_ = "\"" + name_ + "\", line " + std::to_string(line);
        if (column > 0) error_ += ", column " + std::to_string(column) + " (" + std::string(columnName) + ")";
        error_ += ": " + what + ".";
    }
    return false;
}

bool TProfileBuilder::Claim(int att, std::size_t line, std::size_t column, std::string_view columnName) {
    const TProfileAtt& a = bench_[static_cast<std::size_t>(att)];
    if (!a.Usable || a.MaxAtt <= 0)
        return Fail(line, column, columnName,
                    "attenuator " + std::to_string(att) + " is not usable (not connected or not identified)");
    order_.push_back(att);
    tracks_[static_cast<std::size_t>(att)] = std::make_shared<TValueTrack>();
    return true;
}

bool TProfileBuilder::Value(std::string_view cell, int att, std::size_t line, std::size_t column,
                            std::string_view columnName, int& own) {
    const TProfileAtt& a = bench_[static_cast<std::size_t>(att)];
    const bool tenths = a.MaxAtt > 110;
    const std::string of = " of attenuator " + std::to_string(att);
    const std::string step = tenths ? "0.5" : "1";
    std::int64_t t = 0;  // tenths of a decibel
    switch (ParseDecimal(cell, 1, t)) {
    case TDecimal::NotNumber:
        return Fail(line, column, columnName, Shown(cell) + " is not a number of dB");
    case TDecimal::Finer:
        return Fail(line, column, columnName, std::string(Trim(cell)) + " dB is finer than the " + step + " dB step" + of);
    case TDecimal::TooLarge:
        t = -1;
        break;
    case TDecimal::Ok:
        break;
    }
    const std::int64_t max = tenths ? a.MaxAtt : a.MaxAtt * 10ll;
    if (t < 0 || t > max)
        return Fail(line, column, columnName,
                    std::string(Trim(cell)) + " dB is outside 0.." + AttenuationDb(a.MaxAtt, a.MaxAtt) + " dB" + of);
    if (t % (tenths ? 5 : 10) != 0)
        return Fail(line, column, columnName, std::string(Trim(cell)) + " dB is finer than the " + step + " dB step" + of);
    own = static_cast<int>(tenths ? t : t / 10);
    if (own < a.Floor)
        return Fail(line, column, columnName,
                    std::string(Trim(cell)) + " dB is below the floor of attenuator " + std::to_string(att) + " (" +
                        AttenuationDb(a.Floor, a.MaxAtt) + " dB)");
    return true;
}

void TProfileBuilder::Add(int att, std::uint32_t tick, int own, bool resend) {
    int& held = held_[static_cast<std::size_t>(att)];
    if (!resend && held == own) return;
    held = own;
    TValueTrack& track = *tracks_[static_cast<std::size_t>(att)];
    track.Ticks.push_back(tick);
    track.Values.push_back(static_cast<std::uint16_t>(own));
}

std::uint32_t TProfileBuilder::LastTick(int att) const {
    const TValueTrack& track = *tracks_[static_cast<std::size_t>(att)];
    return track.Ticks.empty() ? 0 : track.Ticks.back();
}

TProfileRead TProfileBuilder::Finish(std::int64_t length, bool recorded) {
    TProfileRead read;
    if (Failed()) {
        read.Error = error_;
        return read;
    }
    read.Ok = true;
    read.Profile.Length = length;
    read.Profile.Recorded = recorded;
    for (const int att : order_) {
        std::shared_ptr<TValueTrack>& track = tracks_[static_cast<std::size_t>(att)];
        track->Ticks.shrink_to_fit();
        track->Values.shrink_to_fit();
        read.Profile.Columns.push_back({att, std::move(track)});
    }
    return read;
}

}  // namespace profile_reading
