// The front panel with eight connected, idle links to simulated attenuators:
// the program's CPU use while idle, and the time from a box's settled change
// to the command's arrival at the attenuator.
//
//   bench_frontpanel [idle seconds] [changes]     (defaults 30, 200)

#include "BenchPanel.h"

#include <atomic>

using namespace bench;

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int changes = argc > 2 ? std::max(10, std::atoi(argv[2])) : 200;

    TBenchPanel panel;
    if (!panel.Start()) return 1;
    TMainForm& form = *panel.form;
    TRackSimulator& sim = panel.sim;

    const double cpu0 = CpuSeconds();
    const auto wall0 = Clock::now();
    RunFor(idleSeconds * 1000);
    const double cpu = CpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();

    // Settled changes: the box's change notification to the line's arrival.
    std::vector<double> latencies;
    std::atomic<long long> arrivedNs{0};
    sim.SetLineObserver([&](const TSimLine& l) {
        if (l.line.rfind("ATT", 0) == 0) arrivedNs = l.time.time_since_epoch().count();
    });
    TAttGroupBox* box = form.AttGroupBoxes[0];
    Clock::time_point settled;
    QObject::connect(box, &TAttGroupBox::Change, [&] { settled = Clock::now(); });
    for (int i = 0; i < changes; ++i) {
        arrivedNs = 0;
        box->SetValue(100 + 5 * (i % 100));
        const auto until = Clock::now() + std::chrono::seconds(3);
        while (arrivedNs == 0 && Clock::now() < until) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (arrivedNs == 0) continue;
        const Clock::time_point arrived{Clock::duration(arrivedNs.load())};
        latencies.push_back(std::chrono::duration<double, std::milli>(arrived - settled).count());
        RunFor(250);  // the read-back and its echo settle
    }
    sim.SetLineObserver(nullptr);

    std::printf("idle: eight connected links, %.1f s: CPU %.2f %% of one core (target: under 3 %%)\n", wall,
                100.0 * cpu / wall);
    if (!latencies.empty())
        std::printf("settled change to command at the attenuator over %zu changes (ms): p50 %.3f  p99 %.3f  "
                    "max %.3f (target: p99 under 5 ms)\n",
                    latencies.size(), Percentile(latencies, 50), Percentile(latencies, 99),
                    *std::max_element(latencies.begin(), latencies.end()));
    form.close();
    return 0;
}
