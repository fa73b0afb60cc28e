#pragma once
// The rack configuration: which of the eight attenuators (two racks of
// four) are in use and where each one is reached, the floor (minimum
// attenuation) each may carry, its file (INI, sections "rack1" and "rack2"),
// its validation rules, and the packing of the enabled attenuators into the
// main window's eight link slots.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "support/IniFile.h"  // TFileReadStatus, TFileWriteError
#include "support/FilePaths.h"

inline constexpr int RackCount = 2;
inline constexpr int AttsPerRack = 4;
inline constexpr int LinkSlotCount = 8;

struct RackConfig {
    std::string IPAddress;  // free text, passed unchanged to the links; empty: no rack
    std::string Name;
    std::array<bool, AttsPerRack> AttEnabled{};  // Att 1..4 at index 0..3
    // Each attenuator's floor in dB as written ("20", "20.5"); empty: none.
    std::array<std::string, AttsPerRack> AttMinDb{};

    bool operator==(const RackConfig&) const = default;
};

struct RackConfiguration {
    std::array<RackConfig, RackCount> Racks;

    // Two empty racks named "Rack 1" and "Rack 2": what a missing file loads as.
    static RackConfiguration Defaults();
    bool operator==(const RackConfiguration&) const = default;
};

// The TCP port of attenuator k (1..4) of either rack: "10001".."10004".
std::string AttPort(int k);

// Reads a configuration file. Never fails: a missing file, section or key,
// or a value that cannot be read, gives the defaults. status, when given,
// tells whether the file was read in full (a FIFO, a binary or an
// unreadable file gives the defaults without being read).
RackConfiguration LoadConfigFile(const std::string& path, TFileReadStatus* status = nullptr);

// The highest floor, in dB.
inline constexpr int FloorMaxDb = 110;

// A floor text in tenths of a dB, rounded up ("20.01" gives 201): 0 for an
// empty text (no floor), nothing for a text that is no number from 0 to
// FloorMaxDb.
std::optional<int> FloorTenths(const std::string& text);

// Writes the twelve values and the floors into the file: their lines are
// rewritten, missing keys and sections added (a floor key only when it has
// a floor or was in the file already), and every other line of an existing file stays as
// it was. The file is replaced as a whole, so a failure leaves it as it
// was; throws TFileWriteError ("Impossible d'écrire dans <path>"), also when
// an existing file cannot be read in full (it is then left alone). Nothing
// is validated.
void StoreConfigFile(const std::string& path, const RackConfiguration& config);

// The rules; each is true when it passes.
bool CheckRackIPs(const RackConfiguration& config);     // the two IP texts differ, unless empty
bool CheckAttCount(const RackConfiguration& config);    // at most 8 enabled attenuators
bool CheckAttsHaveIP(const RackConfiguration& config);  // no enabled attenuator in a rack without IP
bool CheckFloors(const RackConfiguration& config);      // every floor text is empty or 0..110 dB

inline constexpr const char* RackIPsMessage = "Error on rack IP address.";
inline constexpr const char* AttCountMessage = "Error: 8 attenuators max.";
inline constexpr const char* AttsHaveIPMessage = "Error: Attenuators with no IP.";
inline constexpr const char* FloorsMessage = "Error: a floor is a number from 0 to 110 dB.";

// The messages of every failing rule, in rule order; empty when all pass.
std::vector<std::string> ConfigErrors(const RackConfiguration& config);

// The main window's side of a configuration: its eight link slots (IP text,
// port text and the link's enabled flag), its current configuration file
// and the folder offered for configuration files.
class TConfigHost {
public:
    virtual ~TConfigHost() = default;
    // Every slot's link gets the ready caption "Wait..." and is disabled.
    virtual void ResetLinks() = 0;
    virtual void SetAttIP(int slot, const std::string& ip) = 0;
    virtual void SetAttPort(int slot, const std::string& port) = 0;
    virtual std::string SlotIP(int slot) const = 0;
    virtual std::string SlotPort(int slot) const = 0;
    virtual bool SlotEnabled(int slot) const = 0;
    virtual void SetSlotEnabled(int slot, bool enabled) = 0;
    // The floor of the slot's attenuator, a floor text ("" for none).
    virtual void SetSlotFloor(int /*slot*/, const std::string& /*dB*/) {}
    virtual std::string SlotFloor(int /*slot*/) const { return {}; }
    // Remembers the current configuration file (may be empty) and shows it.
    virtual void SetConfigFile(const std::string& path) = 0;
    virtual std::string ConfigFile() const = 0;
    // Starting folder of the configuration file dialogs.
    virtual std::string ConfigDir() const = 0;
};

// Resets the slots and packs the enabled attenuators into the lowest slots,
// rack 1 Att 1..4 first, then rack 2 Att 1..4, each with its floor.
void ApplyConfig(const RackConfiguration& config, TConfigHost& host);

// Adds the enabled slots of host to config (slot 0 first) with
// PlaceAttenuator.
void FillFromLinks(const TConfigHost& host, RackConfiguration& config);

// Adds one enabled slot to config: its IP becomes rack 1's when rack 1 has
// none, else rack 2's when rack 2 has none; the attenuator of the port is
// enabled in the rack with that IP, with floor as its floor text. A third
// distinct IP, or a port that is none of the four, adds nothing.
void PlaceAttenuator(RackConfiguration& config, const std::string& ip, const std::string& port,
                     const std::string& floor = {});
