#pragma once
// The service's command line and the files it names: the options, the
// configuration file read and checked by the configuration rules, and the
// settings file with the command line's SCPI options over its "[Remote]"
// keys.

#include "config/RackConfiguration.h"
#include "remote/ScpiSettings.h"

#include <QStringList>

#include <optional>
#include <string>
#include <vector>

inline constexpr const char* ServiceProgramName = "quadrell2x4attsd";
// Exit status for a command line or a file that cannot be served.
inline constexpr int ServiceBadInput = 2;

struct TServiceOptions {
    std::string ConfigFile;
    std::string SettingsFile;  // empty: none
    std::string RecordsDir;    // empty: none
    std::optional<std::string> ScpiPort;
    std::optional<std::string> ScpiAddress;
};

// The options, or what to print and the exit status (--help and --version
// on standard output with 0, a mistake on standard error with 2).
struct TServiceArgs {
    std::optional<TServiceOptions> Options;
    std::string Text;
    int Exit = 0;
};
TServiceArgs ParseServiceOptions(const QStringList& arguments);

// A configuration file as the service takes it: read in full, and every
// rule of the configuration dialog's OK passed. Errors holds why not.
struct TServiceConfig {
    RackConfiguration Config;
    std::vector<std::string> Errors;
};
TServiceConfig ReadServiceConfig(const std::string& path);

// The SCPI settings: the settings file's "[Remote]" section (none: the
// defaults), with the command line's port and address over its keys.
// Problem says why the settings file itself cannot be used; Notes what was
// not taken from it.
struct TServiceScpi {
    TScpiSettings Settings;
    std::string Problem;
    std::string Notes;
};
TServiceScpi ReadServiceScpi(const TServiceOptions& options);

// The configuration in a line for the log: "127.0.0.1 (Rack 1): Att 1, 2; ...".
std::string DescribeConfig(const RackConfiguration& config);
