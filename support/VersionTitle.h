#pragma once
// The program's version information and the window title made of it.

#include <string>

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

