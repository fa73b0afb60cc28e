// seqplay: compiles sequence files as a run would and prints, tick by tick,
// the command each attenuator receives, then the run's length. Lets an
// operator check a sequence without hardware.
//
//   seqplay [--all] [--max-ticks N] FILE.sqc [FILE.sqc ...]
//
// Output, tab-separated:
//   # sequence 1: FILE -> att 1 5          one line per file
//   <tick> <seconds> att<N> <command>       one line per command sent
//   <tick> <seconds> -                      silent ticks, with --all only
//   run length: <ticks> ticks (<seconds> s)
// Exit status: 0 the run ends, 1 bad usage, 2 the files cannot be run
// (unreadable file, attenuator conflict), 3 the run did not end within the
// tick limit (default 864000 ticks, 24 hours).

#include "tools/seqplay/SeqPlay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

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
        } else if (arg == "-h" || arg == "--help") {
            std::cout << "usage: seqplay [--all] [--max-ticks N] FILE.sqc [FILE.sqc ...]\n";
            return 0;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            std::cerr << "seqplay: unknown option " << arg << "\n";
            return 1;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << "usage: seqplay [--all] [--max-ticks N] FILE.sqc [FILE.sqc ...]\n";
        return 1;
    }
    return PlaySequences(files, options, std::cout, std::cerr);
}
