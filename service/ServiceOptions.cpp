#include "service/ServiceOptions.h"

#include "support/IniFile.h"
#include "support/TextFiles.h"
#include "support/VersionTitle.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QHostAddress>

TServiceArgs ParseServiceOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The bench of eight attenuators as a system service: it connects to the attenuators of a "
        "configuration file and serves them over SCPI until it is stopped, then parks them.");
    const QCommandLineOption help({"h", "help"}, "Shows this help.");
    const QCommandLineOption version("version", "Shows the program's version.");
    const QCommandLineOption config("config", "The rack configuration file (required).", "FILE.cfg");
    const QCommandLineOption settings("settings", "The settings file; its [Remote] section sets the SCPI server.",
                                      "FILE.ini");
    const QCommandLineOption records("records", "The folder for records of runs.", "DIR");
    const QCommandLineOption port("scpi-port", "The SCPI server's TCP port (0: off), over the settings file.", "N");
    const QCommandLineOption address("scpi-address", "The address the SCPI server listens on, over the settings file.",
                                     "ADDR");
    for (const auto& option : {help, version, config, settings, records, port, address}) parser.addOption(option);

    TServiceArgs args;
    auto mistake = [&](const std::string& text) {
        args.Text = text + "\n" + parser.helpText().toStdString();
        args.Exit = ServiceBadInput;
        return args;
    };
    if (!parser.parse(arguments)) return mistake(parser.errorText().toStdString());
    if (parser.isSet(help)) {
        args.Text = parser.helpText().toStdString();
        return args;
    }
    if (parser.isSet(version)) {
        args.Text = std::string(ServiceProgramName) + " " + ProgramVersionInfo().fileVersion + "\n";
        return args;
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake("Unexpected argument: " + parser.positionalArguments().first().toStdString());
    if (!parser.isSet(config) || parser.value(config).isEmpty()) return mistake("--config FILE.cfg is required.");

    TServiceOptions options;
    options.ConfigFile = QFileInfo(parser.value(config)).absoluteFilePath().toStdString();
    if (parser.isSet(settings)) options.SettingsFile = QFileInfo(parser.value(settings)).absoluteFilePath().toStdString();
    if (parser.isSet(records)) {
        const QFileInfo dir(parser.value(records));
        if (!dir.isDir() || !dir.isWritable())
            return mistake("--records " + parser.value(records).toStdString() + ": no folder that can be written.");
        options.RecordsDir = dir.absoluteFilePath().toStdString();
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const int n = parser.value(port).toInt(&ok);
        if (!ok || n < 0 || n > 65535)
            return mistake("--scpi-port " + parser.value(port).toStdString() + ": no port (0 to 65535).");
        options.ScpiPort = std::to_string(n);
    }
    if (parser.isSet(address)) {
        if (QHostAddress(parser.value(address)).isNull())
            return mistake("--scpi-address " + parser.value(address).toStdString() + ": no IP address.");
        options.ScpiAddress = parser.value(address).toStdString();
    }
    args.Options = options;
    return args;
}

TServiceConfig ReadServiceConfig(const std::string& path) {
    TServiceConfig result;
    TFileReadStatus status = TFileReadStatus::Read;
    result.Config = LoadConfigFile(path, &status);
    // The dialog shows a file it cannot read as empty racks; a service would
    // serve nothing from it without anyone noticing.
    if (status == TFileReadStatus::Missing)
        result.Errors.push_back("The configuration file " + path + " does not exist.");
    else if (status != TFileReadStatus::Read)
        result.Errors.push_back("The configuration file " + path + " " + FileReadProblem(status) + ".");
    else
        result.Errors = ConfigErrors(result.Config);
    return result;
}

TServiceScpi ReadServiceScpi(const TServiceOptions& options) {
    TServiceScpi result;
    TIniFile ini;
    if (!options.SettingsFile.empty()) {
        const TFileReadStatus status = ini.Load(options.SettingsFile);
        if (status == TFileReadStatus::Missing)
            result.Notes = "No settings file " + options.SettingsFile + ": the SCPI server takes its defaults.";
        else if (status != TFileReadStatus::Read)
            result.Problem = "The settings file " + options.SettingsFile + " " + FileReadProblem(status) + ".";
    }
    // The command line's values go through the same reading as the file's.
    if (options.ScpiPort) ini.WriteString(SettingsSectionRemote, SettingsKeyScpiPort, *options.ScpiPort);
    if (options.ScpiAddress) ini.WriteString(SettingsSectionRemote, SettingsKeyScpiAddress, *options.ScpiAddress);
    result.Settings = ReadScpiSettings(ini);
    if (!result.Settings.Problem.empty())
        result.Notes += (result.Notes.empty() ? "" : " ") + result.Settings.Problem;
    return result;
}

std::string DescribeConfig(const RackConfiguration& config) {
    std::string text;
    for (const RackConfig& rack : config.Racks) {
        std::string atts;
        for (int k = 0; k < AttsPerRack; ++k)
            if (rack.AttEnabled[k])
                atts += (atts.empty() ? "Att " : ", ") + std::to_string(k + 1) +
                        (rack.AttMinDb[k].empty() ? "" : " (floor " + rack.AttMinDb[k] + " dB)");
        if (atts.empty()) continue;
        text += (text.empty() ? "" : "; ") + rack.IPAddress + " (" + rack.Name + "): " + atts;
    }
    return text.empty() ? "no attenuator in use" : text;
}
