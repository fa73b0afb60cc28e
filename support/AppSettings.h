#pragma once
// The application settings file: the last configuration file and the two
// folders offered by the file dialogs, kept between runs in
// <settings folder>/<program file name>.ini.
//
//   [Config]
//   Last config file=<path>
//   [DIR]
//   Config dir=<folder>
//   Sequences dir=<folder>
//
// Other sections and keys in the file are kept as they are.

#include <string>

#include "support/IniFile.h"

class TAppSettings {
public:
    // Opens the settings file of the program for the settings folder name
    // (e.g. "Quadrell 2x4 Atts Lintera"): finds or makes the settings folder
    // and reads the file. A missing file is not an error.
    void Open(const std::string& folderName);
    // Opens a given settings file; settingsDir (with trailing separator) is
    // the default of "Config dir". A file that exists but cannot be read in
    // full (not a regular file, unreadable, binary) is never overwritten:
    // it is renamed to "<file>.unreadable-<date>-<time>" and the defaults
    // apply; should the rename fail, the file is left alone and the settings
    // are not written at all. Problem() then tells the operator.
    void OpenFile(const std::string& settingsDir, const std::string& filePath);
    bool IsOpen() const { return open_; }
    // The message for the operator about the settings file found at
    // opening; empty when it was read in full or did not exist.
    const std::string& Problem() const { return problem_; }
    void Close();

    const std::string& SettingsDir() const { return settingsDir_; }
    const std::string& FilePath() const { return filePath_; }
    // The file as read at opening, for the sections other parts read.
    const TIniFile& Ini() const { return ini_; }

    // The three values, with their defaults: empty; the settings folder; the
    // user's documents folder (empty when the system has none).
    std::string LastConfigFile() const;
    std::string ConfigDir() const;
    std::string SequencesDir() const;

    // Writes the folders always and the last configuration file only when
    // it is not empty (an empty path keeps the previous value). The file is
    // read again first, so that keys that others wrote meanwhile survive,
    // and replaced as a whole with only these values changed. Throws
    // TFileWriteError; the file on disk is then unchanged. Does nothing when
    // the file found at opening had to be left alone (see Problem()).
    void Write(const std::string& configDir, const std::string& sequencesDir, const std::string& lastConfigFile);

private:
    void SetAside(TFileReadStatus status);

    bool open_ = false;
    bool writable_ = true;
    std::string problem_;
    std::string settingsDir_;
    std::string filePath_;
    TIniFile ini_;
};

// Section and key names of the settings file.
inline constexpr const char* SettingsSectionConfig = "Config";
inline constexpr const char* SettingsKeyLastConfigFile = "Last config file";
inline constexpr const char* SettingsSectionDir = "DIR";
inline constexpr const char* SettingsKeyConfigDir = "Config dir";
inline constexpr const char* SettingsKeySequencesDir = "Sequences dir";
