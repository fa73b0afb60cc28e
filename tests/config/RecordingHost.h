#pragma once
// A stand-in for the main window's side of a configuration: eight link
// links, the current configuration file, and a log of every call in order.

#include <array>
#include <string>
#include <vector>

#include "config/RackConfiguration.h"

class TRecordingHost : public TConfigHost {
public:
    struct Slot {
        std::string ip, port;
        bool enabled = false;
        std::string floor = {};
    };
    std::array<Slot, LinkSlotCount> links;
    std::string configFile;
    std::string configDir;
    std::vector<std::string> log;

    void ResetLinks() override {
        log.push_back("ResetLinks");
        for (Slot& s : links) s.enabled = false;
    }
    void SetAttIP(int slot, const std::string& ip) override {
        log.push_back("SetAttIP " + std::to_string(slot) + " " + ip);
        links.at(slot).ip = ip;
    }
    void SetAttPort(int slot, const std::string& port) override {
        log.push_back("SetAttPort " + std::to_string(slot) + " " + port);
        links.at(slot).port = port;
    }
    std::string SlotIP(int slot) const override { return links.at(slot).ip; }
    std::string SlotPort(int slot) const override { return links.at(slot).port; }
    bool SlotEnabled(int slot) const override { return links.at(slot).enabled; }
    void SetSlotEnabled(int slot, bool enabled) override {
        log.push_back("Enabled " + std::to_string(slot) + (enabled ? " on" : " off"));
        links.at(slot).enabled = enabled;
    }
    void SetSlotFloor(int slot, const std::string& dB) override { links.at(slot).floor = dB; }
    std::string SlotFloor(int slot) const override { return links.at(slot).floor; }
    void SetConfigFile(const std::string& path) override {
        log.push_back("SetConfigFile " + path);
        configFile = path;
    }
    std::string ConfigFile() const override { return configFile; }
    std::string ConfigDir() const override { return configDir; }

    // "ip:port" of every enabled slot, slot 0 first, "-" for a disabled one.
    std::vector<std::string> SlotSummary() const {
        std::vector<std::string> out;
        for (const Slot& s : links) out.push_back(s.enabled ? s.ip + ":" + s.port : "-");
        return out;
    }
};
