// A week of sequencer ticks, stepped as fast as the GUI thread allows, through
// the bench run's own delivery into the eight links, the front-panel
// boxes and the shown graph window of the main window against the simulated
// racks. Prints the GUI-side cost of a tick and the resident memory after
// the warm-up and at the end of the run.
//
//   bench_soak [days]      (default 7: 6,048,000 ticks; fractions allowed)

#include "BenchPanel.h"

#include "benchcore/BenchRunDelivery.h"
#include "frontpanel/AttGroupBox.h"
#include "frontpanel/SequencerHost.h"
#include "link/TovarinProtocol.h"
#include "sequencer/RunRecord.h"
#include "graph/DataSeries.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequencerForm.h"

#include <atomic>
#include <cstdlib>

using namespace bench;

namespace {

constexpr long long TicksPerDay = 24LL * 3600 * 10;
constexpr long long WarmUp = 36000;   // one hour: the curves hold their most points
constexpr long long Window = 100000;  // ticks measured at the start and at the end
constexpr double PumpEveryMs = 10;    // the links and painting get the GUI this often

struct TWindowFigures {
    double meanUs = 0, p99Us = 0, maxUs = 0, pumpMs = 0;
    long rssKb = 0;
};

TWindowFigures Figures(const std::vector<double>& tickUs, const std::vector<double>& pumpMs) {
    TWindowFigures f;
    f.meanUs = Mean(tickUs);
    f.p99Us = Percentile(tickUs, 99);
    f.maxUs = Percentile(tickUs, 100);
    f.pumpMs = Mean(pumpMs);
    f.rssKb = ResidentKb();
    return f;
}

int Soak(TBenchPanel& panel, TMainForm& main, long long total) {
    TFrontPanelSequencerHost host(main);
    TSequencerForm list(host);
    list.show();
    list.GraphButton->click();
    TSequencerGraphForm& graph = *list.GraphForm();
    if (!graph.isVisible()) {
        std::fprintf(stderr, "the graph window did not show\n");
        return 1;
    }
    TSequenceAnalysis analysis = AnalyzeSequences(panel.WriteLoopingSequences());
    if (!analysis.Ok()) {
        std::fprintf(stderr, "%s\n", analysis.Error.c_str());
        return 1;
    }
    TSequenceRun run(std::move(analysis.Scripts), analysis.Assignment);
    graph.ResetCurves();
    // The bench run's delivery, each value written drawn in the box and the
    // graph as the list window draws it. Its record has no folder to go to,
    // so that a week of rows fills no disk.
    std::array<TRecordedAtt, 9> atts{};
    TRunRecord record("/nonexistent/", atts, [](const std::string&) {});
    TBenchRunDelivery benchDelivery(
        main.Bench(), record,
        [&](int n, const std::string& command) {
            if (const std::vector<TAttSetting> s = ReadAttCommand(command); !s.empty())
                main.AttGroupBoxes[n - 1]->ShowReadBack(s.front().Value);
            graph.AddAttCommand(n, command);
        },
        [&](int elapsedMs) { graph.AdvanceTime(elapsedMs); });
    TSequencerDelivery* delivery = &benchDelivery;

    // The simulator runs in this process: it counts the commands and forgets
    // its lines, so that its record does not grow the memory measured.
    std::atomic<long long> arrived{0};
    panel.sim.SetLineObserver([&](const TSimLine& l) {
        if (l.line.rfind("ATT", 0) == 0) ++arrived;
    });

    std::vector<double> tickUs, pumpMs;
    tickUs.reserve(Window);
    TWindowFigures start;
    long long pumps = 0;
    const auto t0 = Clock::now();
    auto lastPump = t0;
    auto lastReport = t0;
    for (long long t = 1; t <= total; ++t) {
        const auto a = Clock::now();
        if (!run.Step()) {
            std::fprintf(stderr, "the run ended at tick %lld\n", t);
            return 1;
        }
        DeliverRunTick(*delivery, run);
        const auto b = Clock::now();
        const bool measured = (t > WarmUp && t <= WarmUp + Window) || t > total - Window;
        if (measured) tickUs.push_back(std::chrono::duration<double, std::micro>(b - a).count());
        if (Ms(b - lastPump) >= PumpEveryMs) {
            QCoreApplication::processEvents();
            panel.sim.ClearLines();
            lastPump = Clock::now();
            ++pumps;
            if (measured) pumpMs.push_back(Ms(lastPump - b));
        }
        if (t == WarmUp + Window) {
            start = Figures(tickUs, pumpMs);
            tickUs.clear();
            pumpMs.clear();
        }
        if (t % TicksPerDay == 0 || Ms(lastPump - lastReport) > 60000) {
            lastReport = lastPump;
            const double s = Ms(lastPump - t0) / 1000;
            std::printf("  %.2f days of ticks (%lld) in %.0f s, %.0f ticks/s, RSS %ld kB\n",
                        static_cast<double>(t) / TicksPerDay, t, s, static_cast<double>(t) / s, ResidentKb());
            std::fflush(stdout);
        }
    }
    const double seconds = Ms(Clock::now() - t0) / 1000;
    const TWindowFigures end = Figures(tickUs, pumpMs);
    RunFor(300);  // the last pending commands go out
    panel.sim.SetLineObserver(nullptr);

    std::printf("ticks: %lld (%.2f days of 100 ms ticks) in %.1f s: %.0f ticks/s, %lld event-loop passes\n", total,
                static_cast<double>(total) / TicksPerDay, seconds, static_cast<double>(total) / seconds, pumps);
    std::printf("commands at the attenuators: %lld (the links take the newest pending command at each pass)\n",
                arrived.load());
    std::printf("tick cost on the GUI thread (step + delivery into links, boxes, graph), over %lld ticks:\n",
                Window);
    std::printf("  after warm-up: mean %.2f us, p99 %.2f us, max %.1f us\n", start.meanUs, start.p99Us, start.maxUs);
    std::printf("  at the end:    mean %.2f us, p99 %.2f us, max %.1f us\n", end.meanUs, end.p99Us, end.maxUs);
    std::printf("  ratio end/start: mean %.2f, p99 %.2f (flat: <= 1.2)\n", end.meanUs / start.meanUs,
                end.p99Us / start.p99Us);
    std::printf("event-loop pass every %.0f ms (links' steps, painting): mean %.2f ms after warm-up, %.2f ms at the "
                "end\n",
                PumpEveryMs, start.pumpMs, end.pumpMs);
    std::printf("resident memory: %ld kB after warm-up, %ld kB at the end, ratio %.3f\n", start.rssKb, end.rssKb,
                static_cast<double>(end.rssKb) / static_cast<double>(start.rssKb));
    std::printf("points held: curve 1 %d, curve 8 %d\n", graph.AttCurves[1]->Count(), graph.AttCurves[8]->Count());
    list.reject();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double days = argc > 1 ? std::atof(argv[1]) : 7.0;
    const long long total = std::max(WarmUp + 2 * Window, static_cast<long long>(days * TicksPerDay));

    TBenchPanel panel;
    if (!panel.Start()) return 1;
    std::printf("soak: %lld ticks through the main window, eight links, boxes and the shown graph; load average "
                "%.2f at start\n",
                total, LoadAverage());
    std::fflush(stdout);
    int result = 1;
    panel.form->SetSequencerEntry([&](TMainForm& main) { result = Soak(panel, main, total); });
    panel.form->miSequencer->trigger();
    std::printf("load average %.2f at the end\n", LoadAverage());
    panel.form->close();
    return result;
}
