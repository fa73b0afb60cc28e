#include "config/RackConfiguration.h"

#include "support/IniFile.h"

namespace {

const char* const SectionNames[RackCount] = {"rack1", "rack2"};
const char* const EnableKeys[AttsPerRack] = {"Att1 Enable", "Att2 Enable", "Att3 Enable", "Att4 Enable"};
const char* const FloorKeys[AttsPerRack] = {"Att1 Min dB", "Att2 Min dB", "Att3 Min dB", "Att4 Min dB"};
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

// A default no key holds: a key's value never has a control character.
const char* const Absent = "\x01";

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<int> FloorTenths(const std::string& text) {
    const std::string t = Trimmed(text);
    if (t.empty()) return 0;
    // Digits, at most one point and digits after it: no sign, no exponent.
    long long tenths = 0;
    std::size_t i = 0;
    bool digits = false;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, digits = true) {
        tenths = tenths * 10 + (t[i] - '0');
        if (tenths > FloorMaxDb) return std::nullopt;
    }
    tenths *= 10;
    if (i < t.size() && t[i] == '.') {
        bool finer = false;  // anything beyond the tenths rounds up
        for (std::size_t k = ++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, digits = true) {
            if (i == k) tenths += t[i] - '0';
            else finer = finer || t[i] != '0';
        }
        if (finer) ++tenths;
    }
    if (!digits || i != t.size() || tenths > FloorMaxDb * 10) return std::nullopt;
    return static_cast<int>(tenths);
}

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
        for (int k = 0; k < AttsPerRack; ++k)
            rack.AttMinDb[k] = Trimmed(ini.ReadString(SectionNames[r], FloorKeys[k], ""));
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
        // A file without floors stays without them.
        for (int k = 0; k < AttsPerRack; ++k)
            if (!rack.AttMinDb[k].empty() || ini.ReadString(SectionNames[r], FloorKeys[k], Absent) != Absent)
                ini.WriteString(SectionNames[r], FloorKeys[k], rack.AttMinDb[k]);
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

bool CheckFloors(const RackConfiguration& config) {
    for (const RackConfig& rack : config.Racks)
        for (const std::string& floor : rack.AttMinDb)
            if (!FloorTenths(floor)) return false;
    return true;
}

std::vector<std::string> ConfigErrors(const RackConfiguration& config) {
    std::vector<std::string> errors;
    if (!CheckRackIPs(config)) errors.emplace_back(RackIPsMessage);
    if (!CheckAttCount(config)) errors.emplace_back(AttCountMessage);
    if (!CheckAttsHaveIP(config)) errors.emplace_back(AttsHaveIPMessage);
    if (!CheckFloors(config)) errors.emplace_back(FloorsMessage);
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
            host.SetSlotFloor(slot, rack.AttMinDb[k]);
            ++slot;
        }
    }
}

void FillFromLinks(const TConfigHost& host, RackConfiguration& config) {
    for (int slot = 0; slot < LinkSlotCount; ++slot)
        if (host.SlotEnabled(slot))
            PlaceAttenuator(config, host.SlotIP(slot), host.SlotPort(slot), host.SlotFloor(slot));
}

void PlaceAttenuator(RackConfiguration& config, const std::string& ip, const std::string& port,
                     const std::string& floor) {
    const int k = AttOfPort(port);
    const auto place = [&](RackConfig& rack) {
        if (k == 0) return;
        rack.AttEnabled[k - 1] = true;
        rack.AttMinDb[k - 1] = floor;
    };
    RackConfig& rack1 = config.Racks[0];
    if (rack1.IPAddress.empty()) rack1.IPAddress = ip;
    if (rack1.IPAddress == ip) return place(rack1);
    RackConfig& rack2 = config.Racks[1];
    if (rack2.IPAddress.empty()) rack2.IPAddress = ip;
    if (rack2.IPAddress == ip) place(rack2);
}
