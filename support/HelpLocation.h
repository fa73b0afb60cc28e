#pragma once
// Where the program's help file is: beside the program (its path with
// ".html", as in the build tree), or else in the data folder of an
// installation (prefix/share/quadrell2x4atts beside prefix/bin).

#include <string>

// The help file of the program at programPath: the first of the places
// above that holds the file; the place beside the program when none does
// (the "&Help" item is then disabled). Empty for an empty programPath.
std::string FindHelpFile(const std::string& programPath);
