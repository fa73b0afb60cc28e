// seqplay: compiles sequence files as a run would and prints, tick by tick,
// the command each attenuator receives, then the run's length. Lets an
// operator check a sequence without hardware.
//
//   seqplay [--all] [--max-ticks N] [--max M] [--att N=M ...] FILE.sqc|FILE.csv ...
//
// Profiles (.csv) are read for attenuators whose maximum is M (--max, all
// eight; --att, attenuator N; 0 = not usable), 935 (93.5 dB in tenths)
// unless told; their values come out in each attenuator's own unit.
//
// Output, tab-separated:
//   # sequence 1: FILE -> att 1 att 5      one line per file ("# profile" for a .csv)
//   <tick> <seconds> att<N> <command>       one line per command sent
//   <tick> <seconds> -                      silent ticks, with --all only
//   run length: <ticks> ticks (<seconds> s)
// Exit status: 0 the run ends, 1 bad usage, 2 the files cannot be run
// (unreadable file, profile error, attenuator conflict), 3 the run did not end within the
// tick limit (default 864000 ticks, 24 hours).

#include "tools/seqplay/SeqPlay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: seqplay [--all] [--max-ticks N] [--max M] [--att N=M ...] FILE.sqc|FILE.csv [...]\n";

// --max M or --att N=M into bench.
bool ReadBenchOption(const std::string& option, const char* text, TProfileBench& bench) {
    char* end = nullptr;
    long att = 0;
    if (option == "--att") {
        att = std::strtol(text, &end, 10);
        if (end == text || *end != '=' || att < 1 || att > 8) return false;
        text = end + 1;
    }
    const long max = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || max < 0 || max > 999) return false;
    const TProfileAtt a{max > 0, static_cast<int>(max)};
    if (att == 0)
        bench = UniformProfileBench(static_cast<int>(max));
    else
        bench[static_cast<std::size_t>(att)] = a;
    if (att == 0 && max == 0) bench = TProfileBench{};
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    TSeqPlayOptions options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--all") {
            options.ShowSilentTicks = true;
        } else if (arg == "--max-ticks" && i + 1 < argc) {
            char* end = nullptr;
            const long long v = std::strtoll(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || v <= 0) {
                std::cerr << "seqplay: --max-ticks wants a positive number\n";
                return 1;
            }
            options.MaxTicks = v;
        } else if ((arg == "--max" || arg == "--att") && i + 1 < argc) {
            if (!ReadBenchOption(arg, argv[++i], options.Bench)) {
                std::cerr << "seqplay: " << arg << " wants " << (arg == "--max" ? "a maximum" : "N=MAX, N 1..8")
                          << ", 0..999\n";
                return 1;
            }
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            std::cerr << "seqplay: unknown option " << arg << "\n";
            return 1;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << kUsage;
        return 1;
    }
    return PlaySequences(files, options, std::cout, std::cerr);
}
