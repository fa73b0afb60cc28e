// The tick timing of a run as the attenuators receive it, with the whole
// program at work: the sequence list window runs eight looping sequences on
// the eight attenuators of the main window, the graph window is shown with
// its eight curves, and another thread keeps a core busy. Prints the jitter
// of the commands' arrival at the simulated attenuators.
//
//   bench_panel_timing [seconds] [hidden]    (default 60 s, that is 600 ticks;
//                                             "hidden": the graph window is not
//                                             shown, for comparison)
//   ATT_JIT_DETAIL=1 also lists, per attenuator, the ticks that arrived more
//   than 1.2 ms off the grid: ticks late at all eight together point at the
//   engine or the GUI thread, scattered ones at the links.

#include "BenchPanel.h"

#include "frontpanel/SequencerHost.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/SequencerForm.h"
#include "sequencer/SequencerThread.h"

#include <QListWidget>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

using namespace bench;

namespace {

// CPU seconds of the calling thread.
double ThreadCpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_THREAD, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

int Play(TBenchPanel& panel, TMainForm& main, int seconds, bool showGraph) {
    TFrontPanelSequencerHost host(main);
    TSequencerForm list(host);
    list.show();
    list.AddFiles(panel.WriteLoopingSequences());
    list.LBSequence->selectAll();
    if (showGraph) list.GraphButton->click();
    if (list.GraphForm()->isVisible() != showGraph) {
        std::fprintf(stderr, "the graph window is not as asked\n");
        return 1;
    }

    std::atomic<bool> spin{true};
    std::thread busy([&] {
        volatile unsigned long long x = 0;
        while (spin.load(std::memory_order_relaxed)) x = x + 1;
    });
    const Clock::time_point start = Clock::now();
    const double cpu0 = ThreadCpuSeconds();
    list.ButtonRun->click();
    for (int i = 0; i < 200 && list.Analyzing(); ++i) RunFor(10);  // files read off the GUI thread
    if (!list.Running()) {
        spin = false;
        busy.join();
        std::fprintf(stderr, "the run did not start\n");
        return 1;
    }
    RunFor(seconds * 1000);
    const long long delivered = list.Engine()->DeliveredTicks();
    const long long rebased = list.Engine()->RebasedTicks();
    list.ButtonStop->click();
    for (int i = 0; i < 100 && list.Running(); ++i) RunFor(50);
    spin = false;
    busy.join();
    const double wall = Ms(Clock::now() - start) / 1000;
    const double cpu = ThreadCpuSeconds() - cpu0;
    RunFor(300);  // the last commands' way to the attenuators
    const int curve1 = list.GraphForm()->AttCurves[1]->Count();
    list.reject();

    std::vector<double> all;
    std::size_t received = 0;
    double worstP99 = 0;
    for (int box = 0; box < 8; ++box) {
        std::vector<Clock::time_point> arrivals;
        for (const TSimLine& l : panel.sim.Lines(panel.simIndex[box]))
            if (l.time >= start && l.line.rfind("ATT", 0) == 0) arrivals.push_back(l.time);
        if (arrivals.size() < 2) {
            std::fprintf(stderr, "attenuator %d received %zu commands\n", box + 1, arrivals.size());
            return 1;
        }
        received += arrivals.size();
        const std::vector<double> jitter = GridJitter(arrivals);
        if (std::getenv("ATT_JIT_DETAIL")) {
            std::fprintf(stderr, "box %d late ticks:", box + 1);
            for (std::size_t i = 0; i < arrivals.size(); ++i)
                if (jitter[i] > 1.2) std::fprintf(stderr, " %.0f(%.1f)", Ms(arrivals[i] - start) / 100.0, jitter[i]);
            std::fprintf(stderr, "\n");
        }
        worstP99 = std::max(worstP99, Percentile(jitter, 99));
        all.insert(all.end(), jitter.begin(), jitter.end());
    }
    std::printf("ticks delivered %lld, schedule restarts %lld; commands received by the eight attenuators: %zu; "
                "points on curve 1: %d\n",
                delivered, rebased, received, curve1);
    std::printf("GUI thread CPU: %.1f %% of one core\n", 100.0 * cpu / wall);
    std::printf("tick jitter at the attenuators, |arrival - tick grid| (all eight pooled): p50 %.3f ms, "
                "p99 %.3f ms, max %.3f ms; worst attenuator's p99 %.3f ms (target p99 < 2 ms: %s)\n",
                Percentile(all, 50), Percentile(all, 99), Percentile(all, 100), worstP99,
                Percentile(all, 99) < 2.0 ? "met" : "MISSED");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 60;
    const bool showGraph = !(argc > 2 && std::string(argv[2]) == "hidden");

    TBenchPanel panel;
    if (!panel.Start()) return 1;
    std::printf("playing eight looping sequences for %d s on eight attenuators, graph %s, one core kept busy; "
                "load average %.2f at start\n",
                seconds, showGraph ? "shown" : "hidden", LoadAverage());
    std::fflush(stdout);
    int result = 1;
    panel.form->SetSequencerEntry([&](TMainForm& main) { result = Play(panel, main, seconds, showGraph); });
    panel.form->miSequencer->trigger();
    std::printf("load average %.2f at the end\n", LoadAverage());
    panel.form->close();
    return result;
}
