// Compiles a 400-row file of 9999-tick ramps (about four million steps) and
// prints the time and the peak memory it took, then plays the whole run
// tick by tick and prints the cost of a tick. Last, the cost of the largest
// file the readers accept (short ramps up to the size limit), which the list
// window analyses on the GUI thread.
//
//   bench_sequencer_compile [rows] [duration]

#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequenceRun.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Short ramps up to the readers' size limit: the worst file accepted.
int LimitFigures() {
    std::string text = "ATTS SELECTED\r\n att1\r\nACTIONS\r\n";
    int rows = 0;
    for (;;) {
        const std::string line = std::to_string(rows + 1) + "\t" + std::to_string(rows * 3) + "\t2\t935\t0\t3\r\n";
        if (text.size() + line.size() > static_cast<std::size_t>(MaxSequenceFileBytes)) break;
        text += line;
        ++rows;
    }
    char pattern[] = "/tmp/seqbench-XXXXXX.sqc";
    const int fd = mkstemps(pattern, 4);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::perror("write");
        return 1;
    }
    close(fd);
    const long rssBefore = PeakRssKb();
    const auto t0 = std::chrono::steady_clock::now();
    TSequenceAnalysis analysis = AnalyzeSequences({pattern});
    const auto t1 = std::chrono::steady_clock::now();
    std::printf("largest accepted file: %zu bytes, %d rows of 3-tick ramps, analysed in %.4f s (target < 0.2 s), "
                "%.1f MB added\n",
                text.size(), rows, Seconds(t1 - t0), (PeakRssKb() - rssBefore) / 1024.0);
    analysis = TSequenceAnalysis();
    std::FILE* f = std::fopen(pattern, "ab");
    std::fputs(std::string(64, '#').c_str(), f);
    std::fclose(f);
    const auto r0 = std::chrono::steady_clock::now();
    analysis = AnalyzeSequences({pattern});
    const auto r1 = std::chrono::steady_clock::now();
    std::remove(pattern);
    std::printf("a file above the limit is refused in %.4f s: %s\n", Seconds(r1 - r0), analysis.Error.c_str());
    return analysis.Ok() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 400;
    const int duration = argc > 2 ? std::atoi(argv[2]) : 9999;

    TSequenceFileData data;
    data.Selected[0] = true;
    for (int n = 1; n <= rows; ++n) {
        // Alternate falling and rising ramps over the whole range.
        const int from = n % 2 ? 935 : 0;
        data.Rows.push_back({n, (n - 1) * duration, ActionRamp, from, 935 - from, duration});
    }
    char pattern[] = "/tmp/seqbench-XXXXXX.sqc";
    const int fd = mkstemps(pattern, 4);
    if (fd < 0) {
        std::perror("mkstemps");
        return 1;
    }
    close(fd);
    std::string error;
    if (!SaveSequenceFile(pattern, data, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    const long rssBefore = PeakRssKb();
    const auto t0 = std::chrono::steady_clock::now();
    TSequenceAnalysis analysis = AnalyzeSequences({pattern});
    const auto t1 = std::chrono::steady_clock::now();
    const long rssAfter = PeakRssKb();
    std::remove(pattern);
    if (!analysis.Ok()) {
        std::fprintf(stderr, "%s\n", analysis.Error.c_str());
        return 1;
    }
    const std::int64_t steps = analysis.Scripts[0]->StepCount();
    std::printf("compile: %d rows x %d ticks = %lld steps in %.4f s (target < 0.5 s)\n", rows, duration,
                static_cast<long long>(steps), Seconds(t1 - t0));
    std::printf("peak memory: %.1f MB for the whole process, %.1f MB added by compiling (target < 100 MB)\n",
                rssAfter / 1024.0, (rssAfter - rssBefore) / 1024.0);

    TSequenceRun run(std::move(analysis.Scripts), analysis.Assignment);
    std::int64_t ticks = 0, sent = 0;
    const auto p0 = std::chrono::steady_clock::now();
    while (run.Step()) {
        ++ticks;
        sent += !run.Command(1).empty();
    }
    const auto p1 = std::chrono::steady_clock::now();
    std::printf("play: %lld ticks (%lld with a command) in %.3f s, %.1f ns per tick\n", static_cast<long long>(ticks),
                static_cast<long long>(sent), Seconds(p1 - p0), Seconds(p1 - p0) * 1e9 / static_cast<double>(ticks));
    std::printf("peak memory after playing: %.1f MB\n", PeakRssKb() / 1024.0);
    return LimitFigures();
}
