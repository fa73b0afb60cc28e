// The run record's cost on the GUI thread: the time of one Add (the only
// part a tick's delivery pays), and how long the writer thread takes to put
// the last rows on disk. Eight attenuators get a command in every tick, the
// busiest run there is; ticks come every millisecond (a hundred times the
// real pace), so the writer's batches are a hundred times the real size.
//
//   bench_run_record [ticks]     (default 6000 = ten minutes of 100 ms ticks)

#include "sequencer/RunRecord.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6000;
    std::string folder = (std::filesystem::temp_directory_path() / "runrecord-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return 1;

    std::array<TRecordedAtt, 9> atts;
    for (int n = 1; n <= 8; ++n) atts[static_cast<std::size_t>(n)] = {"AT" + std::to_string(n), "127.0.0.1", "1000" + std::to_string(n), 935, "A1B2C3"};
    using Clock = std::chrono::steady_clock;
    std::vector<double> us;  // each Add, in microseconds
    us.reserve(static_cast<std::size_t>(ticks) * 8);
    std::uintmax_t bytes = 0;
    double drain = 0;
    {
        TRunRecord record(folder, atts, [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
        for (int t = 0; t < ticks; ++t) {
            const std::string command = "ATT 0 " + std::to_string(100 + (t % 800));
            for (int n = 1; n <= 8; ++n) {
                const auto start = Clock::now();
                record.Add(n, command, false);
                us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const auto finish = Clock::now();
        record.Finish(TRunEnding::Completed);
        while (!record.Closed()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        drain = std::chrono::duration<double, std::milli>(Clock::now() - finish).count();
        bytes = std::filesystem::file_size(record.Path());
    }
    const double rows = 8.0 * ticks;
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[std::min(us.size() - 1, static_cast<std::size_t>(q * static_cast<double>(us.size())))]; };
    std::printf("run record: %d ticks x 8 attenuators = %.0f rows, file %.1f MB (%.0f bytes a row)\n", ticks, rows,
                static_cast<double>(bytes) / 1e6, static_cast<double>(bytes) / rows);
    std::printf("Add on the delivery path: median %.2f us, 99.9%% %.1f us, worst %.1f us\n", at(0.5), at(0.999),
                us.back());
    std::printf("writer: last rows on disk (fdatasync) %.1f ms after the run ended\n", drain);
    std::filesystem::remove_all(folder);
    return 0;
}
