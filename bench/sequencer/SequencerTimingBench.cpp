// Plays a sequence that sends a command on every tick over a real link to
// the simulator on loopback, while another thread keeps a core busy, and
// prints the drift and jitter of the ticks as the simulator received them.
//
//   bench_sequencer_timing [seconds]      (default 60, that is 600 ticks)

#include "tools/simulator/RackSimulator.h"
#include "support/TextFields.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequencerThread.h"
#include "link/TovarinThread.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class TBenchDelivery : public TSequencerDelivery, public TLinkView {
public:
    void AdvanceTime(int) override {}
    bool GraphVisible() const override { return false; }
    void AddAttCommand(int, const std::string&) override {}
    bool AttEnabled(int att) const override { return att == 1; }
    void SetPendingCommand(int, const std::string& command, bool) override { link->SetPendingCommand(command); }
    bool MainVisible() const override { return false; }
    void ShowLinkAnswer(int, const std::string&) override {}
    void ShowLinkStatus(TTovarinThread*, int) override {}
    void ShowLinkAnswer(TTovarinThread*, const std::string& text) override { ready = ready || StartsWith(text, "STA"); }

    TTovarinThread* link = nullptr;
    bool ready = false;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size()))) - 1;
    return v[std::min(i, v.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int ticks = seconds * 10 / 2 * 2;

    const std::string ip = TRackSimulator::FreeLoopbackAddress(10001, 1);
    TRackSimulator sim;
    TSimAttenuator att;
    att.ip = ip;
    sim.Add(att);
    sim.Start();

    TBenchDelivery delivery;
    TTovarinThread link(&delivery);
    delivery.link = &link;
    link.SetTargetHost(ip);
    link.SetTargetPort("10001");
    link.Start();
    const auto readyBy = Clock::now() + std::chrono::seconds(20);
    while (!delivery.ready && Clock::now() < readyBy) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    if (!delivery.ready) {
        std::fprintf(stderr, "the link did not connect to the simulator\n");
        return 1;
    }
    sim.ClearLines();

    // Two values in turn on every tick: rows 1-2 run ticks/2 times.
    TSequenceScript* script = nullptr;
    std::vector<std::unique_ptr<TSequenceScript>> scripts;
    scripts.push_back(std::make_unique<TSequenceScript>());
    script = scripts.back().get();
    CompileActionRow(*script, {1, 0, ActionStep, 0, 100, 1});
    CompileActionRow(*script, {2, 1, ActionStep, 0, 200, 1});
    CompileActionRow(*script, {3, 2, ActionRepeat, 0, 1, ticks / 2 - 1});
    TBaieScripts assignment;
    assignment.SetSlot(1, script);

    // Keep the other core busy for the whole run.
    std::atomic<bool> spin{true};
    std::thread busy([&] {
        volatile unsigned long long x = 0;
        while (spin.load(std::memory_order_relaxed)) x = x + 1;
    });

    std::printf("playing %d ticks (%d s) over a link to the simulator, one core kept busy...\n", ticks, seconds);
    std::fflush(stdout);
    TSequencerThread engine(delivery, TSequenceRun(std::move(scripts), assignment));
    engine.SetOnTerminate([&] { app.quit(); });
    const Clock::time_point start = Clock::now();
    engine.Start();
    app.exec();
    spin = false;
    busy.join();
    QThread::msleep(200);  // the last command's way to the simulator

    std::vector<Clock::time_point> arrivals;
    for (const auto& l : sim.Lines(0))
        if (StartsWith(l.line, "ATT")) arrivals.push_back(l.time);
    std::printf("commands received: %zu of %d, ticks delivered %lld, schedule restarts %lld\n", arrivals.size(), ticks,
                static_cast<long long>(engine.DeliveredTicks()), static_cast<long long>(engine.RebasedTicks()));
    if (arrivals.size() < 2) return 1;

    const std::size_t n = arrivals.size();
    const double span = Ms(arrivals.back() - arrivals.front());
    const double drift = span - static_cast<double>(n - 1) * TickPeriod;
    const double fromStart = Ms(arrivals.back() - start) - static_cast<double>(n) * TickPeriod;
    std::vector<double> offset, interval;
    for (std::size_t k = 0; k < n; ++k) {
        offset.push_back(std::fabs(Ms(arrivals[k] - arrivals[0]) - static_cast<double>(k) * TickPeriod));
        if (k > 0) interval.push_back(std::fabs(Ms(arrivals[k] - arrivals[k - 1]) - TickPeriod));
    }
    std::printf("cumulative drift over %zu ticks: %+.3f ms (first to last arrival; target |drift| < 2 ms)\n", n, drift);
    std::printf("last arrival against start + n x 100 ms: %+.3f ms (includes the link's latency)\n", fromStart);
    std::printf("tick jitter, |arrival - schedule|: p50 %.3f ms, p99 %.3f ms, max %.3f ms (target p99 < 5 ms)\n",
                Percentile(offset, 50), Percentile(offset, 99), Percentile(offset, 100));
    std::printf("interval jitter, |interval - 100 ms|: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(interval, 50), Percentile(interval, 99), Percentile(interval, 100));
    return 0;
}
