// The SCPI server in the running program, against eight simulated
// attenuators: the time from a SCPI set sent by a client to its command's
// arrival at the attenuator, a query's round trip, and the tick jitter of a
// run of eight looping sequences at the attenuators with eight clients
// querying 100 times a second each, beside the same run without clients.
//
//   bench_scpi [seconds]    (each of the two runs; default 30)

#include "bench/frontpanel/BenchPanel.h"

#include "frontpanel/RemoteAccess.h"
#include "frontpanel/SequencerHost.h"
#include "sequencer/SequencerForm.h"
#include "tests/remote/ScpiClient.h"

#include <QListWidget>

#include <atomic>
#include <thread>

using namespace bench;

namespace {

// Runs body on a thread of its own while the GUI thread serves.
void OnClientThread(const std::function<void()>& body) {
    std::atomic<bool> done{false};
    std::thread t([&] {
        body();
        done = true;
    });
    while (!done) RunFor(5);
    t.join();
}

void Summary(const char* what, const std::vector<double>& ms, const char* target) {
    std::printf("%s (%zu): p50 %.3f ms, p99 %.3f ms, max %.3f ms%s\n", what, ms.size(), Percentile(ms, 50),
                Percentile(ms, 99), Percentile(ms, 100), target);
}

// SCPI sets to the eight attenuators in turn, each confirmed with *OPC?
// before the next; and queries of the last value read back.
void SetsAndQueries(TBenchPanel& panel, int port) {
    std::vector<double> toLine, confirmed, query;
    OnClientThread([&] {
        TScpiClient c("127.0.0.1", port);
        for (int i = 0; i < 400; ++i) {
            const int box = i % 8 + 1;
            const int tenths = 100 + 5 * (i % 40);
            const std::string wire = "ATT 0 " + std::to_string(tenths);
            const Clock::time_point sent = Clock::now();
            if (c.Query("ATT" + std::to_string(box) + " " + std::to_string(tenths / 10) + "." +
                        std::to_string(tenths % 10) + ";*OPC?") != "1") {
                std::fprintf(stderr, "set %d not confirmed\n", i);
                return;
            }
            confirmed.push_back(Ms(Clock::now() - sent));
            for (const TSimLine& l : panel.sim.Lines(panel.simIndex[box - 1]))
                if (l.time >= sent && l.line == wire) {
                    toLine.push_back(Ms(l.time - sent));
                    break;
                }
        }
        for (int i = 0; i < 2000; ++i) {
            const Clock::time_point sent = Clock::now();
            if (c.Query("ATT" + std::to_string(i % 8 + 1) + "?").find('.') == std::string::npos) {
                std::fprintf(stderr, "query %d not answered with a value\n", i);
                return;
            }
            query.push_back(Ms(Clock::now() - sent));
        }
    });
    Summary("SCPI set to the command at the attenuator", toLine, " (target p99 < 2 ms)");
    Summary("SCPI set confirmed by *OPC? (verified set with read-back)", confirmed, "");
    Summary("SCPI query round trip, ATTn?", query, "");
}

// One run of the eight looping sequences; with clients, eight SCPI clients
// query 100 times a second each meanwhile. The jitter pooled over the eight
// attenuators.
std::vector<double> Run(TBenchPanel& panel, TSequencerForm& list, int seconds, int port, int clients) {
    std::atomic<bool> running{true};
    std::atomic<long> queries{0};
    std::vector<std::thread> threads;
    std::vector<std::vector<double>> rtt(static_cast<std::size_t>(clients));
    for (int k = 0; k < clients; ++k)
        threads.emplace_back([&, k] {
            TScpiClient c("127.0.0.1", port);
            Clock::time_point next = Clock::now();
            while (running) {
                const Clock::time_point sent = Clock::now();
                if (c.Query(k % 2 ? "ATT" + std::to_string(k + 1) + "?" : "*STB?;SEQ:STAT?").empty()) break;
                rtt[static_cast<std::size_t>(k)].push_back(Ms(Clock::now() - sent));
                ++queries;
                next += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(next);
            }
        });
    RunFor(500);
    const Clock::time_point start = Clock::now();
    list.ButtonRun->click();
    RunFor(seconds * 1000);
    list.ButtonStop->click();
    for (int i = 0; i < 100 && list.Running(); ++i) RunFor(50);
    const double wall = Ms(Clock::now() - start) / 1000;
    running = false;
    OnClientThread([&] {
        for (auto& t : threads) t.join();
    });
    RunFor(300);
    std::vector<double> all;
    for (int box = 0; box < 8; ++box) {
        std::vector<Clock::time_point> arrivals;
        for (const TSimLine& l : panel.sim.Lines(panel.simIndex[box]))
            if (l.time >= start && l.line.rfind("ATT", 0) == 0) arrivals.push_back(l.time);
        if (arrivals.size() < 2) continue;
        const std::vector<double> jitter = GridJitter(arrivals);
        all.insert(all.end(), jitter.begin(), jitter.end());
    }
    if (clients > 0) {
        std::vector<double> pooled;
        for (const auto& r : rtt) pooled.insert(pooled.end(), r.begin(), r.end());
        std::printf("%d clients: %.0f queries a second in all; ", clients, static_cast<double>(queries) / wall);
        Summary("their round trip during the run", pooled, "");
    }
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 30;
    TBenchPanel panel;
    if (!panel.Start()) return 1;
    TRemoteAccess remote(*panel.form);
    if (const std::string problem = remote.StartScpi(true); !problem.empty()) return 1;
    const int port = remote.Scpi().Port();
    std::printf("SCPI server on 127.0.0.1 port %d, eight attenuators; load average %.2f at start\n", port,
                LoadAverage());
    std::fflush(stdout);
    SetsAndQueries(panel, port);

    int result = 1;
    panel.form->SetSequencerEntry([&](TMainForm& main) {
        TFrontPanelSequencerHost host(main);
        TSequencerForm list(host);
        list.show();
        list.AddFiles(panel.WriteLoopingSequences());
        list.LBSequence->selectAll();
        const std::vector<double> quiet = Run(panel, list, seconds, port, 0);
        const std::vector<double> busy = Run(panel, list, seconds, port, 8);
        list.reject();
        if (quiet.empty() || busy.empty()) return;
        std::printf("tick jitter at the attenuators, %d s run, all eight pooled: without clients p50 %.3f ms, "
                    "p99 %.3f ms, max %.3f ms; with 8 querying clients p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                    seconds, Percentile(quiet, 50), Percentile(quiet, 99), Percentile(quiet, 100),
                    Percentile(busy, 50), Percentile(busy, 99), Percentile(busy, 100));
        result = 0;
    });
    panel.form->miSequencer->trigger();
    std::printf("load average %.2f at the end\n", LoadAverage());
    panel.form->close();
    return result;
}
