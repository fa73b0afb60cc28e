// rack-sim: serves simulated attenuators on loopback and prints every line
// they receive.
//
//   rack-sim --att 127.0.0.1:10001,id=A1B2C3,max=935,name=LAB1,att=100 ...
//   rack-sim --rack 127.0.0.1 --rack 127.0.0.2     (four attenuators each)
//
// Options of --att: id, max, info, name, att; and faults: refuse=1 (the port
// refuses connections), garbage=1 (every query is answered with garbage).
// Each line is stamped with the time the kernel took it in, not the time
// this program got round to reading it. --quiet prints nothing but the ready
// line. The stamps are seconds since the start, or with --utc on the system
// clock (UTC seconds since 1970), or with --monotonic on the monotonic clock
// (the seconds that CLOCK_MONOTONIC reads on this host: what a program that
// counts from a converted instant can be judged on, whatever the system clock
// does meanwhile). Runs until interrupted.

#include "tools/simulator/RackSimulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

bool ParseAtt(const std::string& text, TSimAttenuator& att, TSimFaults& faults) {
    std::stringstream ss(text);
    std::string part;
    bool first = true;
    while (std::getline(ss, part, ',')) {
        if (first) {
            const auto colon = part.rfind(':');
            if (colon == std::string::npos) return false;
            att.ip = part.substr(0, colon);
            att.port = std::atoi(part.c_str() + colon + 1);
            first = false;
            continue;
        }
        const auto eq = part.find('=');
        if (eq == std::string::npos) return false;
        const std::string key = part.substr(0, eq), value = part.substr(eq + 1);
        if (key == "id") att.id = value;
        else if (key == "max") att.maxAtt = std::atoi(value.c_str());
        else if (key == "info") att.info = value;
        else if (key == "name") att.name = value;
        else if (key == "att") att.attenuation = std::atoi(value.c_str());
        else if (key == "refuse") faults.refuseConnections = value == "1";
        else if (key == "garbage") faults.garbage = value == "1";
        else return false;
    }
    return !first && att.port > 0;
}

void Usage() {
    std::cerr << "usage: rack-sim [--quiet] [--utc | --monotonic] (--att IP:PORT[,id=..,max=..,info=..,name=..,att=..,refuse=1,garbage=1]"
                 " | --rack IP)...\n";
}

}  // namespace

int main(int argc, char** argv) {
    TRackSimulator sim;
    bool quiet = false;
    enum class TStamps { SinceStart, Utc, Monotonic } stamps = TStamps::SinceStart;
    int racks = 0;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--quiet") {
                quiet = true;
            } else if (arg == "--utc") {
                stamps = TStamps::Utc;
            } else if (arg == "--monotonic") {
                stamps = TStamps::Monotonic;
            } else if (arg == "--att" && i + 1 < argc) {
                TSimAttenuator att;
                TSimFaults faults;
                if (!ParseAtt(argv[++i], att, faults)) {
                    Usage();
                    return 2;
                }
                sim.SetFaults(sim.Add(att), faults);
            } else if (arg == "--rack" && i + 1 < argc) {
                const std::string ip = argv[++i];
                ++racks;
                for (int k = 1; k <= 4; ++k) {
                    TSimAttenuator att;
                    att.ip = ip;
                    att.port = 10000 + k;
                    att.id = "R" + std::to_string(racks) + "A" + std::to_string(k) + "00";
                    att.name = "R" + std::to_string(racks) + "A" + std::to_string(k);
                    sim.Add(att);
                }
            } else {
                Usage();
                return 2;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "rack-sim: " << e.what() << "\n";
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    if (!quiet) {
        sim.SetLineObserver([&sim, start, stamps](const TSimLine& l) {
            using Seconds = std::chrono::duration<double>;
            const double t = stamps == TStamps::Utc         ? Seconds(l.wall.time_since_epoch()).count()
                             : stamps == TStamps::Monotonic ? Seconds(l.time.time_since_epoch()).count()
                                                            : Seconds(l.time - start).count();
            std::printf(stamps == TStamps::SinceStart ? "%10.3f  %-21s  %s\n" : "%.6f  %-21s  %s\n", t,
                        sim.Address(l.att).c_str(), l.line.c_str());
            std::fflush(stdout);
        });
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    sim.Start();
    std::printf("rack-sim: ready\n");
    std::fflush(stdout);
    while (!g_stop) ::usleep(50000);
    sim.Stop();
    return 0;
}
