#include "benchcore/BenchSlots.h"

void TBenchSlots::ResetLinks() {
    for (auto& slot : slots_) {
        slot.Enabled = false;
        slot.Floor.clear();
    }
}

void TBenchSlots::SetAttIP(int slot, const std::string& ip) {
    if (IsSlot(slot)) slots_[slot].IP = ip;
}

void TBenchSlots::SetAttPort(int slot, const std::string& port) {
    if (IsSlot(slot)) slots_[slot].Port = port;
}

void TBenchSlots::SetSlotEnabled(int slot, bool enabled) {
    if (IsSlot(slot)) slots_[slot].Enabled = enabled;
}

void TBenchSlots::SetSlotFloor(int slot, const std::string& dB) {
    if (IsSlot(slot)) slots_[slot].Floor = dB;
}

int TBenchSlots::EnabledCount() const {
    int count = 0;
    for (const auto& slot : slots_) count += slot.Enabled ? 1 : 0;
    return count;
}

std::vector<int> TBenchSlots::ChangedTargets(const TBenchSlots& next) const {
    std::vector<int> changed;
    for (int s = 0; s < SlotCount; ++s) {
        const TBenchSlot& a = slots_[s];
        const TBenchSlot& b = next.slots_[s];
        // A slot out of use in both has no target to compare.
        if (a.Enabled != b.Enabled || (b.Enabled && (a.IP != b.IP || a.Port != b.Port))) changed.push_back(s);
    }
    return changed;
}
