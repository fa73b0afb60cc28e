#include "AppSettings.h"

#include "misc.h"

void TAppSettings::Open(const std::string& folderName) {
    const std::string dir = SettingsDirFor(folderName);
    std::string program = ProgramFilePath();
    const auto slash = program.rfind(PathSeparator);
    if (slash != std::string::npos) program.erase(0, slash + 1);
    if (program.empty()) program = "settings";
    OpenFile(dir, dir + ChangeFileExt(program, ".ini"));
}

void TAppSettings::OpenFile(const std::string& settingsDir, const std::string& filePath) {
    settingsDir_ = settingsDir;
    filePath_ = filePath;
    // A file that cannot be read gives the defaults, like a missing one.
    ini_.Load(filePath_);
    open_ = true;
}

void TAppSettings::Close() {
    open_ = false;
    ini_.LoadText({});
}

std::string TAppSettings::LastConfigFile() const {
    return ini_.ReadString(SettingsSectionConfig, SettingsKeyLastConfigFile, "");
}

std::string TAppSettings::ConfigDir() const {
    return ini_.ReadString(SettingsSectionDir, SettingsKeyConfigDir, settingsDir_);
}

std::string TAppSettings::SequencesDir() const {
    return ini_.ReadString(SettingsSectionDir, SettingsKeySequencesDir, GetShellFolder(TShellFolder::Documents));
}

void TAppSettings::Write(const std::string& configDir, const std::string& sequencesDir,
                         const std::string& lastConfigFile) {
    TIniFile current;
    // Never replace a file that exists but cannot be read: its other
    // sections would be lost.
    if (!current.Load(filePath_)) throw TFileWriteError(filePath_);
    current.WriteString(SettingsSectionDir, SettingsKeyConfigDir, configDir);
    current.WriteString(SettingsSectionDir, SettingsKeySequencesDir, sequencesDir);
    if (!lastConfigFile.empty())
        current.WriteString(SettingsSectionConfig, SettingsKeyLastConfigFile, lastConfigFile);
    current.Save(filePath_);
    ini_.LoadText(current.Text());
}
