#pragma once
// Resident memory of the running benchmark, for figures at the start and end.

#include <fstream>
#include <string>

// Resident memory of this process in kB, or -1 when it cannot be read.
inline long ResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
