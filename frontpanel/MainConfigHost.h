#pragma once
// The main window's side of a configuration (TConfigHost): its eight link
// slots, the current configuration file and the folder offered for
// configuration files. GUI thread only.

#include "config/RackConfiguration.h"
#include "link/TovarinThread.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

class TMainConfigHost : public TConfigHost {
public:
    static constexpr int SlotCount = 8;
    using TLinks = std::array<std::unique_ptr<TTovarinThread>, SlotCount>;

    // showFile shows the name of the current configuration file (empty path:
    // none) wherever the window shows it.
    TMainConfigHost(const TLinks& links, std::function<void(const std::string&)> showFile)
        : links_(links), showFile_(std::move(showFile)) {}

    void ResetLinks() override;
    void SetAttIP(int slot, const std::string& ip) override;
    void SetAttPort(int slot, const std::string& port) override;
    std::string SlotIP(int slot) const override;
    std::string SlotPort(int slot) const override;
    bool SlotEnabled(int slot) const override;
    void SetSlotEnabled(int slot, bool enabled) override;
    void SetConfigFile(const std::string& path) override;
    std::string ConfigFile() const override { return configFile_; }
    std::string ConfigDir() const override { return configDir_; }
    void SetConfigDir(const std::string& dir) { configDir_ = dir; }

private:
    static bool IsSlot(int slot) { return slot >= 0 && slot < SlotCount; }

    const TLinks& links_;
    std::function<void(const std::string&)> showFile_;
    std::array<std::string, SlotCount> slotIP_;
    std::array<std::string, SlotCount> slotPort_;
    std::string configFile_;
    std::string configDir_;
};
