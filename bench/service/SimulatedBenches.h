#pragma once
// The simulated attenuators that the service benchmarks drive: benches of
// eight (two racks of four, each rack on a loopback address of its own), the
// configuration file of each bench, and the figures taken from their wire
// logs.

#include "tools/simulator/RackSimulator.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The p-th percentile (0..100) of v, by rank; 0 for no values.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size()) + 0.999999);
    return v[std::min(std::max<std::size_t>(rank, 1), v.size()) - 1];
}

inline double LoadAverage() {
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return load;
}

// CPU time the host of a virtual machine took from its processors (steal),
// in seconds over all of them since boot; 0 where the kernel counts none.
// A woken thread waits that long for a processor whatever its priority.
inline double StolenSeconds() {
    std::ifstream in("/proc/stat");
    std::string cpu;
    double fields[8] = {};
    in >> cpu;
    for (double& f : fields) in >> f;
    return fields[7] / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

class TSimulatedBenches {
public:
    // benches benches of eight attenuators, each holding attenuation (tenths)
    // at first; prefix makes their identifiers and names.
    TSimulatedBenches(int benches, const std::string& prefix, int attenuation = 0) {
        for (int rack = 0; rack < 2 * benches; ++rack) {
            ips_.push_back(TRackSimulator::FreeLoopbackAddress(10001, 4));
            for (int a = 1; a <= 4; ++a) {
                TSimAttenuator att;
                att.ip = ips_.back();
                att.port = 10000 + a;
                att.id = prefix + std::to_string(rack + 1) + "A" + std::to_string(a) + "0";
                att.name = prefix.substr(0, 1) + std::to_string(rack + 1) + "A" + std::to_string(a);
                att.attenuation = attenuation;
                atts_.push_back(sim.Add(att));
            }
        }
        sim.Start();
    }

    // Bench b's configuration file: its two racks, every attenuator in use.
    std::string Config(int bench = 0) const {
        std::string text;
        for (int r = 0; r < 2; ++r) {
            text += "[rack" + std::to_string(r + 1) + "]\r\nIP address=" + ips_[static_cast<std::size_t>(2 * bench + r)] +
                    "\r\nname rack=Rack " + std::to_string(r + 1) + "\r\n";
            for (int a = 1; a <= 4; ++a) text += "Att" + std::to_string(a) + " Enable=1\r\n";
        }
        return text;
    }
    // Every attenuator was read back after since: the links are up.
    bool LinksUp(Clock::time_point since, int timeoutMs) const {
        for (const int att : atts_)
            if (!sim.WaitForLines(att, [&](const std::vector<TSimLine>& lines) {
                    return std::any_of(lines.begin(), lines.end(),
                                       [&](const TSimLine& l) { return l.time >= since && l.line == "STA?"; });
                }, timeoutMs))
                return false;
        return true;
    }
    const std::string& Ip(int rack) const { return ips_[static_cast<std::size_t>(rack)]; }
    // The simulator's index of bench b's box n (1..8).
    int Att(int bench, int n) const { return atts_[static_cast<std::size_t>(8 * bench + n - 1)]; }
    // Bench b's box n: the times of its ATT commands after since.
    std::vector<std::pair<Clock::time_point, std::string>> Commands(int bench, int n, Clock::time_point since) const {
        std::vector<std::pair<Clock::time_point, std::string>> out;
        for (const TSimLine& l : sim.Lines(Att(bench, n)))
            if (l.time >= since && l.line.rfind("ATT", 0) == 0) out.emplace_back(l.time, l.line);
        return out;
    }

    TRackSimulator sim;

private:
    std::vector<std::string> ips_;
    std::vector<int> atts_;
};

}  // namespace bench
