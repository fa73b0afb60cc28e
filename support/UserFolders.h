#pragma once
// The per-user folders (XDG configuration, data and documents folders) and
// the program's settings folder in them.

#include <string>

#include "support/FilePaths.h"

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
// system cannot give it. The documents folder is XDG_DOCUMENTS_DIR when the
// session sets it (an absolute path, or one starting with $HOME), otherwise
// the one named in the user's user-dirs.dirs, otherwise ~/Documents; it is
// reported whether it exists or not, and never created.
std::string GetShellFolder(TShellFolder kind);

// The folder a file dialog opens in when it should open in wanted: wanted
// itself when it is an existing folder, otherwise the home folder (the root
// folder when even that is missing). Nothing is created.
struct TStartFolder {
    std::string Path;       // with a trailing separator
    bool FellBack = false;  // wanted was empty or no existing folder
};
TStartFolder ExistingFolderOrHome(const std::string& wanted);

// The program's per-user settings folder for name, without a trailing
// separator: <application data>/ORVELT/<name>, created one level at a time
// when missing. Without an application-data folder, an existing
// <local application data>/<name> is used (nothing is created there). Empty
// when no folder could be found or made.
std::string GetSettingsFolder(const std::string& name);

// The settings folder for name with a trailing separator: the per-user
// settings folder, or the program's own folder when that cannot be had.
std::string SettingsDirFor(const std::string& name);

