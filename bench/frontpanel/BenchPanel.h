#pragma once
// Shared pieces of the front-panel benchmarks: the main window against eight
// simulated attenuators in two racks, with a private settings folder; eight
// looping sequence files; and the helpers that turn timings into figures.

#include "config/ConfigForm.h"
#include "frontpanel/AttGroupBox.h"
#include "frontpanel/MainForm.h"
#include "sequencer/SequenceFile.h"
#include "sequencer/SequenceRun.h"
#include "tools/simulator/RackSimulator.h"
#include "bench/ProcessMemory.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

using ::ResidentKb;

// The one-minute load average of the machine, as the kernel reports it.
inline double LoadAverage() {
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return load;
}

inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The p-th percentile (0..100) of v, nearest rank.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size()) + 0.999999);
    return v[std::min(std::max<std::size_t>(rank, 1), v.size()) - 1];
}

inline double Mean(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

// Distance of each arrival from the tick grid: the arrival's offset from the
// first one, folded onto one 100 ms period, against the attenuator's median
// offset (its usual link latency). Silent ticks leave no gap in the grid.
inline std::vector<double> GridJitter(const std::vector<Clock::time_point>& arrivals) {
    std::vector<double> phase;
    for (const auto& t : arrivals) {
        const double d = Ms(t - arrivals.front());
        phase.push_back(d - TickPeriod * std::round(d / TickPeriod));
    }
    const double median = Percentile(phase, 50);
    std::vector<double> jitter;
    for (double p : phase) jitter.push_back(std::fabs(p - median));
    return jitter;
}

// The main window with eight enabled attenuators, B1..B4 in rack 1 and
// B5..B8 in rack 2, each served by the in-process simulator.
class TBenchPanel {
public:
    TBenchPanel() { qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8()); }

    // Starts the simulator and the main window, accepts the configuration
    // dialog and waits until the eight boxes are usable and settled.
    bool Start() {
        std::string ips[2];
        for (int r = 0; r < 2; ++r) {
            ips[r] = TRackSimulator::FreeLoopbackAddress(10001, 4);
            for (int k = 0; k < 4; ++k) {
                TSimAttenuator a;
                a.ip = ips[r];
                a.port = 10001 + k;
                a.name = "B" + std::to_string(r * 4 + k + 1);
                simIndex.push_back(sim.Add(a));
            }
        }
        sim.Start();
        const std::string cfg = Path("bench.cfg");
        {
            std::ofstream f(cfg);
            for (int r = 0; r < 2; ++r)
                f << "[rack" << r + 1 << "]\nAtt1 Enable=1\nAtt2 Enable=1\nAtt3 Enable=1\nAtt4 Enable=1\nIP address="
                  << ips[r] << "\nname rack=Rack " << r + 1 << "\n";
            const QString dir = home.path() + "/config/ORVELT/Quadrell 2x4 Atts Lintera";
            QDir().mkpath(dir);
            std::ofstream s((dir + "/" + QCoreApplication::applicationName() + ".ini").toStdString());
            // Run records go into the private folder, not the user's documents.
            s << "[Config]\nLast config file=" << cfg << "\n[DIR]\nSequences dir=" << home.path().toStdString() << "/\n";
        }
        form = std::make_unique<TMainForm>();
        form->show();
        QTimer accept;
        QObject::connect(&accept, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<TConfigForm*>(w); d && d->isVisible()) d->OkBtn->click();
        });
        accept.start(20);
        form->FormCreate();
        accept.stop();

        const auto deadline = Clock::now() + std::chrono::seconds(20);
        auto allUp = [&] {
            for (auto* box : form->AttGroupBoxes)
                if (!box->isEnabled() || box->title() == "Wait...") return false;
            return true;
        };
        while (!allUp() && Clock::now() < deadline) RunFor(50);
        if (!allUp()) {
            std::fprintf(stderr, "the eight attenuators did not come up\n");
            return false;
        }
        RunFor(1000);
        return true;
    }

    std::string Path(const std::string& name) const { return (home.path() + "/" + QString::fromStdString(name)).toStdString(); }

    // Eight sequence files, one per attenuator, that never end: ramps up and
    // down repeated, a step held, and a jump back to the start. Every
    // attenuator has its own levels and durations.
    std::vector<std::string> WriteLoopingSequences() const {
        std::vector<std::string> files;
        for (int att = 0; att < 8; ++att) {
            TSequenceFileData data;
            data.Selected[att] = true;
            const int top = 100 * (att + 2);   // tenths of a dB
            const int ramp = 20 + 10 * att;    // ticks
            data.Rows = {{1, 0, ActionRamp, 0, top, ramp},
                         {2, 0, ActionRamp, top, 0, ramp},
                         {3, 0, ActionRepeat, 0, 1, 2},
                         {4, 0, ActionStep, 0, top / 2, 5 + att},
                         {5, 0, ActionGoto, 0, 1, 0}};
            files.push_back(Path("loop" + std::to_string(att + 1) + ".sqc"));
            std::string error;
            if (!SaveSequenceFile(files.back(), data, error)) std::fprintf(stderr, "%s\n", error.c_str());
        }
        return files;
    }

    QTemporaryDir home;
    TRackSimulator sim;
    std::vector<int> simIndex;         // simulator index of box 1..8
    std::unique_ptr<TMainForm> form;  // ends before the simulator
};

}  // namespace bench
