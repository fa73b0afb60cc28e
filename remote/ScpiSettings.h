#pragma once
// The SCPI server's settings, section [Remote] of the settings file:
//
//   [Remote]
//   SCPI port=5025            0 switches the server off
//   SCPI address=127.0.0.1    where it listens: a LAN address or 0.0.0.0 by hand only
//   SCPI clients=             addresses or CIDR networks allowed besides
//                             127.0.0.1 and ::1, comma-separated
//
// Only read: the program never writes this section.

#include "support/IniFile.h"

#include <QHostAddress>

#include <string>
#include <utility>
#include <vector>

inline constexpr const char* SettingsSectionRemote = "Remote";
inline constexpr const char* SettingsKeyScpiPort = "SCPI port";
inline constexpr const char* SettingsKeyScpiAddress = "SCPI address";
inline constexpr const char* SettingsKeyScpiClients = "SCPI clients";

struct TScpiSettings {
    static constexpr int DefaultPort = 5025;
    int Port = DefaultPort;  // 0: off
    std::string Address = "127.0.0.1";
    std::vector<std::pair<QHostAddress, int>> Clients;  // networks: address and prefix length
    // What could not be read, for the operator; a bad port or address
    // switches the server off, a bad client entry is left out.
    std::string Problem;
};

TScpiSettings ReadScpiSettings(const TIniFile& ini);

// Whether a client at peer may connect: 127.0.0.1, ::1 (also as
// ::ffff:127.0.0.1) or a listed network.
bool ScpiClientAllowed(const TScpiSettings& settings, const QHostAddress& peer);
