#pragma once
// The bench's eight link slots as a configuration fills them: each slot's
// IP text, port text, whether it is in use and its attenuator's floor, the configuration file in
// use and the folder offered for configuration files. A plain record: the
// bench applies it to its links, and compares two of them to find the
// slots whose target changed.

#include "config/RackConfiguration.h"

#include <array>
#include <string>
#include <vector>

struct TBenchSlot {
    std::string IP;
    std::string Port;
    bool Enabled = false;
    std::string Floor;  // the floor text of its attenuator ("" for none)
    bool operator==(const TBenchSlot&) const = default;
};

class TBenchSlots : public TConfigHost {
public:
    static constexpr int SlotCount = LinkSlotCount;

    // Every slot out of use and without a floor; IP and port texts are
    // kept, as the links keep their last target.
    void ResetLinks() override;
    void SetAttIP(int slot, const std::string& ip) override;
    void SetAttPort(int slot, const std::string& port) override;
    std::string SlotIP(int slot) const override { return IsSlot(slot) ? slots_[slot].IP : ""; }
    std::string SlotPort(int slot) const override { return IsSlot(slot) ? slots_[slot].Port : ""; }
    bool SlotEnabled(int slot) const override { return IsSlot(slot) && slots_[slot].Enabled; }
    void SetSlotEnabled(int slot, bool enabled) override;
    void SetSlotFloor(int slot, const std::string& dB) override;
    std::string SlotFloor(int slot) const override { return IsSlot(slot) ? slots_[slot].Floor : ""; }
    void SetConfigFile(const std::string& path) override { configFile_ = path; }
    std::string ConfigFile() const override { return configFile_; }
    std::string ConfigDir() const override { return configDir_; }
    void SetConfigDir(const std::string& dir) { configDir_ = dir; }

    const TBenchSlot& Slot(int slot) const { return slots_[slot]; }
    int EnabledCount() const;

    // The slots (0..7) whose link must reconnect to go from this record to
    // next: taken into or out of use, or in use at another address or port.
    std::vector<int> ChangedTargets(const TBenchSlots& next) const;

private:
    static bool IsSlot(int slot) { return slot >= 0 && slot < SlotCount; }

    std::array<TBenchSlot, SlotCount> slots_;
    std::string configFile_;
    std::string configDir_;
};
