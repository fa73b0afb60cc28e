#include "sequencer/SequenceLimits.h"

#include "link/AttUnits.h"
#include "link/AttenuatorRules.h"
#include "sequencer/RunRecordFormat.h"
#include "sequencer/SequenceModel.h"

#include <algorithm>

namespace {

std::string Place(const std::string& fileName, int num) {
    return "\"" + fileName + "\", line " + std::to_string(num) + ": ";
}

}  // namespace

TSequenceLimits::TSequenceLimits(const TProfileBench& bench, std::optional<bool> tenths) : bench_(bench) {
    std::vector<int> maxima;
    for (int n = 1; n <= TBaieScripts::AttCount; ++n) {
        const TProfileAtt& a = bench[static_cast<std::size_t>(n)];
        if (a.Usable && a.MaxAtt > 0) maxima.push_back(a.MaxAtt);
        anyFloor_ = anyFloor_ || a.Floor > 0;
    }
    const int commonMax = ComputeCommonMaxAtt(maxima);
    tenths_ = tenths.value_or(CountsTenths(commonMax));
    // Without a usable attenuator nothing can exceed a maximum; the floors
    // are still held.
    if (tenths && !maxima.empty()) commonMax_ = commonMax;
}

void TSequenceLimits::Row(const TActionRow& row) {
    // The values a row sends, as the compiler makes them; a ramp's inner
    // values lie between its ends.
    std::optional<int> low;
    std::optional<int> high;
    switch (row.Action) {
    case ActionRamp:
        low = std::min(WireValue(row.From), WireValue(row.To));
        high = std::max(WireValue(row.From), WireValue(row.To));
        break;
    case ActionStep: low = high = WireValue(row.To); break;
    case ActionReset: low = ResetLevel; break;  // its 935 means "the maximum" on any bench
    default: return;
    }
    if (commonMax_ > 0 && !tenths_ && high && *high > commonMax_ && !aboveMax_) {
        aboveMax_ = row;
        aboveValue_ = *high;
    }
    if (anyFloor_) lows_.push_back({row.Num, *low});
}

std::optional<std::string> TSequenceLimits::Problem(const std::string& fileName, unsigned named) const {
    for (const TRowLow& row : lows_) {
        if (aboveMax_ && aboveMax_->Num <= row.Num) break;
        for (int n = 1; n <= TBaieScripts::AttCount; ++n) {
            const TProfileAtt& a = bench_[static_cast<std::size_t>(n)];
            if (!(named & (1u << (n - 1))) || a.Floor <= 0) continue;
            // As the run sends it: converted into the attenuator's unit.
            const int sent = ToAttUnit(row.Low, tenths_, a.MaxAtt).Value;
            if (sent < a.Floor)
                return Place(fileName, row.Num) + AttenuationDb(sent, a.MaxAtt) + " dB is below the floor of attenuator " +
                       std::to_string(n) + " (" + AttenuationDb(a.Floor, a.MaxAtt) + " dB).";
        }
    }
    if (aboveMax_ && named != 0)
        return Place(fileName, aboveMax_->Num) + "the file's values exceed the bench's maximum: " +
               std::to_string(aboveValue_) + " is above " + std::to_string(commonMax_) +
               " dB (a file written in tenths of a dB?).";
    return std::nullopt;
}
