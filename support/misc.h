#pragma once
// Small shared operations.

#include <string>

// Splits text at the first separator: returns the part before it and removes
// that part and the separator from text. Without a separator the whole text
// is the field and text becomes empty.
std::string TakeField(std::string& text, char separator);

// Rounds a value in tenths of a decibel to a half-decibel step (a multiple of
// 5): remainders 0-2 round down, 3-7 to 5, 8-9 up (572 -> 570, 573 -> 575,
// 578 -> 580). Negative values round the same way on their magnitude.
int RoundToHalfStep(int v);

// ---------------------------------------------------------------------------
// Folders, the settings folder and the window title.
//
// Paths are 8-bit texts (UTF-8 here) with "/" as the folder separator.

// The folder separator of this platform.
inline constexpr char PathSeparator = '/';

// True on the platform family that keeps per-user settings in the per-user
// application-data folder. Always true here: per-user folders are the XDG
// folders, so the settings go to the per-user configuration folder.
bool IsNTPlatform();

// Appends the folder separator unless the path is empty or already ends with
// one.
std::string AddTrailingSeparator(const std::string& path);

// True when path names an existing directory (following symbolic links).
bool DirExists(const std::string& path);

// The per-user folders the program uses.
enum class TShellFolder {
    AppData,       // per-user configuration folder (XDG_CONFIG_HOME, ~/.config)
    LocalAppData,  // per-user data folder (XDG_DATA_HOME, ~/.local/share)
    Documents,     // the user's documents folder
};

// The path of a per-user folder with a trailing separator; empty when the
// system cannot give it.
std::string GetShellFolder(TShellFolder kind);

// The file name of a path without its folder and without its extension,
// whose text is removed where it first occurs in the name (bench.cfg ->
// bench, a.cfg.cfg -> a.cfg, x.cfgy.cfg -> xy.cfg); empty for an empty path.
std::string ConfigFileBaseName(const std::string& path);

// The program's per-user settings folder for name, without a trailing
// separator: <application data>/ORVELT/<name>, created one level at a time
// when missing. Without an application-data folder, an existing
// <local application data>/<name> is used (nothing is created there). Empty
// when no folder could be found or made.
std::string GetSettingsFolder(const std::string& name);

// Full path of the running program file; empty when it cannot be found.
std::string ProgramFilePath();

// path with its extension (from the last "." of the file name) replaced by
// ext, which includes its dot; an extension is appended when there is none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// The settings folder for name with a trailing separator: the per-user
// settings folder, or the program's own folder when that cannot be had.
std::string SettingsDirFor(const std::string& name);

// The program's version information, from the build.
struct TVersionInfo {
    bool present = false;      // false: the program carries none
    std::string fileVersion;   // "1.0.0" or "1,4,0,2"; empty when absent
    std::string description;   // empty when absent
    std::string legalNotice;   // empty when absent
};
TVersionInfo ProgramVersionInfo();

// The window title made of the version information: description, " - ",
// "v<major>.<minor>", then " - © " and the legal notice. Parts that are
// absent are left out with their separator; empty without version info.
std::string VersionTitle(const TVersionInfo& info);
std::string VersionTitle();

// A counted hourglass cursor: the first BeginWaitCursor shows it, and the
// cursor returns when as many EndWaitCursor calls have followed. An
// EndWaitCursor without a matching begin does nothing. GUI thread only.
void BeginWaitCursor();
void EndWaitCursor();
