// The floors: the lowest value the bench sends to each attenuator, taken
// from its slot's floor text in the attenuator's own unit, and whether the
// attenuator was found below it.

#include "benchcore/Bench.h"

#include <algorithm>

std::optional<int> FloorInUnit(int floorTenths, bool decimal, int maxValue) {
    if (floorTenths <= 0) return std::nullopt;
    // Rounded up, towards more attenuation: to the half step a tenths
    // attenuator is set in, to the whole decibel otherwise.
    int floor = decimal ? (floorTenths + 4) / 5 * 5 : (floorTenths + 9) / 10;
    // Above the attenuator's maximum only the maximum is left.
    if (maxValue > 0) floor = std::min(floor, maxValue);
    return floor;
}

int AboveFloor(const TBenchBox& box, int value) { return box.Floor ? std::max(value, *box.Floor) : value; }

bool TBench::UpdateFloor(int n) {
    TBenchBox& box = boxes_[n - 1];
    const std::optional<int> floorWas = box.Floor;
    const bool belowWas = box.BelowFloor;
    // A text that is no floor (the configuration's rules refuse it) leaves
    // only the maximum: the safe side for the device under test.
    const int tenths = FloorTenths(slots_.Slot(n - 1).Floor).value_or(FloorMaxDb * 10);
    box.Floor = FloorInUnit(tenths, box.Decimal, box.MaxValue);
    box.BelowFloor = box.Floor && box.Value && *box.Value < *box.Floor;
    return box.Floor != floorWas || box.BelowFloor != belowWas;
}
