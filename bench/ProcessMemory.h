#pragma once
// Resident memory of a running process, for figures at the start and end.

#include <fstream>
#include <string>

// Resident memory in kB of the process pid (this one when 0), or -1 when it
// cannot be read.
inline long ResidentKb(long pid = 0) {
    std::ifstream in(pid > 0 ? "/proc/" + std::to_string(pid) + "/status" : std::string("/proc/self/status"));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
