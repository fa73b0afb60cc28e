#include "support/AppSettings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "support/FilePaths.h"
#include "support/UserFolders.h"

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
    problem_.clear();
    writable_ = true;
    const TFileReadStatus status = ini_.Load(filePath_);
    if (!ReadInFull(status)) SetAside(status);
    open_ = true;
}

void TAppSettings::SetAside(TFileReadStatus status) {
    const std::string what =
        "The settings file " + filePath_ + " could not be read: it " + FileReadProblem(status) + ".\n";
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = filePath_ + ".unreadable-" + stamp;
    for (int n = 1; n <= 99; ++n) {
        const std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        struct stat st {};
        if (::lstat(aside.c_str(), &st) == 0 || errno != ENOENT) continue;
        if (::rename(filePath_.c_str(), aside.c_str()) != 0) break;
        problem_ = what + "It was kept as " + aside + ", and the program starts from its default settings.";
        return;
    }
    writable_ = false;
    problem_ = what + "It was left as it is; the program starts from its default settings and will not save them.";
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
    if (!writable_) return;
    TIniFile current;
    // Never replace a file that exists but cannot be read in full: what it
    // holds would be lost.
    const TFileReadStatus status = current.Load(filePath_);
    if (!ReadInFull(status))
        throw TFileWriteError(filePath_, "It " + FileReadProblem(status) + "; the settings were not saved.");
    current.WriteString(SettingsSectionDir, SettingsKeyConfigDir, configDir);
    current.WriteString(SettingsSectionDir, SettingsKeySequencesDir, sequencesDir);
    if (!lastConfigFile.empty())
        current.WriteString(SettingsSectionConfig, SettingsKeyLastConfigFile, lastConfigFile);
    current.Save(filePath_);
    ini_.LoadText(current.Text());
}
