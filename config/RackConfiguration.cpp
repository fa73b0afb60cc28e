#include "config/RackConfiguration.h"

#include "support/IniFile.h"

namespace {

const char* const SectionNames[RackCount] = {"rack1", "rack2"};
const char* const EnableKeys[AttsPerRack] = {"Att1 Enable", "Att2 Enable", "Att3 Enable", "Att4 Enable"};
const char* const KeyIPAddress = "IP address";
const char* const KeyName = "name rack";

std::string DefaultRackName(int rack) {
    return "Rack " + std::to_string(rack + 1);
}

// Attenuator number 1..4 of a port text, 0 for any other text.
int AttOfPort(const std::string& port) {
    for (int k = 1; k <= AttsPerRack; ++k)
        if (port == AttPort(k)) return k;
    return 0;
}

}  // namespace

RackConfiguration RackConfiguration::Defaults() {
    RackConfiguration c;
    for (int r = 0; r < RackCount; ++r) c.Racks[r].Name = DefaultRackName(r);
    return c;
}

std::string AttPort(int k) {
    return std::to_string(10000 + k);
}

RackConfiguration LoadConfigFile(const std::string& path, TFileReadStatus* status) {
    TIniFile ini;
    const TFileReadStatus read = ini.Load(path);
    if (status) *status = read;
    RackConfiguration c = RackConfiguration::Defaults();
    for (int r = 0; r < RackCount; ++r) {
        RackConfig& rack = c.Racks[r];
        for (int k = 0; k < AttsPerRack; ++k) rack.AttEnabled[k] = ini.ReadInteger(SectionNames[r], EnableKeys[k], 0) != 0;
        rack.IPAddress = ini.ReadString(SectionNames[r], KeyIPAddress, "");
        rack.Name = ini.ReadString(SectionNames[r], KeyName, DefaultRackName(r));
    }
    return c;
}

void StoreConfigFile(const std::string& path, const RackConfiguration& config) {
    TIniFile ini;
    // An existing file that cannot be read in full is not replaced: what it
    // holds would be lost.
    const TFileReadStatus status = ini.Load(path);
    if (!ReadInFull(status)) throw TFileWriteError(path, "It " + FileReadProblem(status) + "; nothing was written.");
    for (int r = 0; r < RackCount; ++r) {
        const RackConfig& rack = config.Racks[r];
        for (int k = 0; k < AttsPerRack; ++k) ini.WriteString(SectionNames[r], EnableKeys[k], rack.AttEnabled[k] ? "1" : "0");
        ini.WriteString(SectionNames[r], KeyIPAddress, rack.IPAddress);
        ini.WriteString(SectionNames[r], KeyName, rack.Name);
    }
    ini.Save(path);
}

bool CheckRackIPs(const RackConfiguration& config) {
    const std::string& ip1 = config.Racks[0].IPAddress;
    const std::string& ip2 = config.Racks[1].IPAddress;
    return ip1.empty() || ip2.empty() || ip1 != ip2;
}

bool CheckAttCount(const RackConfiguration& config) {
    int count = 0;
    for (const RackConfig& rack : config.Racks)
        for (bool on : rack.AttEnabled) count += on ? 1 : 0;
    return count <= LinkSlotCount;
}

bool CheckAttsHaveIP(const RackConfiguration& config) {
    for (const RackConfig& rack : config.Racks) {
        if (!rack.IPAddress.empty()) continue;
        for (bool on : rack.AttEnabled)
            if (on) return false;
    }
    return true;
}

std::vector<std::string> ConfigErrors(const RackConfiguration& config) {
    std::vector<std::string> errors;
    if (!CheckRackIPs(config)) errors.emplace_back(RackIPsMessage);
    if (!CheckAttCount(config)) errors.emplace_back(AttCountMessage);
    if (!CheckAttsHaveIP(config)) errors.emplace_back(AttsHaveIPMessage);
    return errors;
}

void ApplyConfig(const RackConfiguration& config, TConfigHost& host) {
    host.ResetLinks();
    int slot = 0;
    for (const RackConfig& rack : config.Racks) {
        for (int k = 0; k < AttsPerRack; ++k) {
            if (!rack.AttEnabled[k] || slot >= LinkSlotCount) continue;
            host.SetAttIP(slot, rack.IPAddress);
            host.SetAttPort(slot, AttPort(k + 1));
            host.SetSlotEnabled(slot, true);
            ++slot;
        }
    }
}

void FillFromLinks(const TConfigHost& host, RackConfiguration& config) {
    for (int slot = 0; slot < LinkSlotCount; ++slot)
        if (host.SlotEnabled(slot)) PlaceAttenuator(config, host.SlotIP(slot), host.SlotPort(slot));
}

void PlaceAttenuator(RackConfiguration& config, const std::string& ip, const std::string& port) {
    const int k = AttOfPort(port);
    RackConfig& rack1 = config.Racks[0];
    if (rack1.IPAddress.empty()) rack1.IPAddress = ip;
    if (rack1.IPAddress == ip) {
        if (k > 0) rack1.AttEnabled[k - 1] = true;
        return;
    }
    RackConfig& rack2 = config.Racks[1];
    if (rack2.IPAddress.empty()) rack2.IPAddress = ip;
    if (rack2.IPAddress == ip && k > 0) rack2.AttEnabled[k - 1] = true;
}
