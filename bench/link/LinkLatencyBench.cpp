// Time from a command being posted to a connected, idle link (its pending
// command written on the GUI thread) to the line's arrival at the simulated
// attenuator. The GUI thread runs a real event loop, as in the program.
//
//   bench_link_latency [samples]     (default 1000)

#include "tools/simulator/RackSimulator.h"
#include "link/TovarinProtocol.h"
#include "link/TovarinThread.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class TReadyView : public TLinkView {
public:
    void ShowLinkStatus(TTovarinThread*, int) override {}
    void ShowLinkAnswer(TTovarinThread*, const std::string& text) override {
        if (text.rfind("STA", 0) == 0) ready = true;
    }
    bool ready = false;
};

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * (v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;

    TRackSimulator sim;
    TSimAttenuator a;
    a.ip = TRackSimulator::FreeLoopbackAddress(10001, 1);
    const int att = sim.Add(a);
    sim.Start();

    TReadyView view;
    TTovarinThread link(&view);
    link.SetTargetHost(a.ip);
    link.SetTargetPort("10001");
    link.Start();

    std::vector<double> latencies;
    std::mt19937 rng(1);
    Clock::time_point posted;
    int sent = 0;

    // Arrival is noted on the simulator's thread; the next post is scheduled
    // on the GUI thread after a pause, so that the link is idle again.
    sim.SetLineObserver([&](const TSimLine& line) {
        if (line.line.rfind("ATT", 0) != 0) return;
        const double ms = std::chrono::duration<double, std::milli>(line.time - posted).count();
        QMetaObject::invokeMethod(&app, [&, ms] {
            latencies.push_back(ms);
            if (static_cast<int>(latencies.size()) >= samples) {
                app.quit();
                return;
            }
            QTimer::singleShot(5 + static_cast<int>(rng() % 20), Qt::PreciseTimer, &app, [&] {
                posted = Clock::now();
                link.SetPendingCommand(FormatAttCommand("0", ++sent % 900));
            });
        });
    });

    QTimer wait;
    QObject::connect(&wait, &QTimer::timeout, &app, [&] {
        if (!view.ready) return;
        wait.stop();
        posted = Clock::now();
        link.SetPendingCommand(FormatAttCommand("0", ++sent));
    });
    wait.start(10);
    app.exec();
    (void)att;

    std::printf("link post-to-wire latency over %zu commands (ms): p50 %.3f  p90 %.3f  p99 %.3f  max %.3f\n",
                latencies.size(), Percentile(latencies, 0.5), Percentile(latencies, 0.9),
                Percentile(latencies, 0.99), *std::max_element(latencies.begin(), latencies.end()));
    std::printf("target: p99 under 2 ms on an idle machine\n");
    sim.SetLineObserver(nullptr);
    return 0;
}
