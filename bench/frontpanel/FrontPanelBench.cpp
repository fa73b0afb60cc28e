// The front panel with eight connected, idle links to simulated attenuators:
// the program's CPU use while idle, and the time from a box's settled change
// to the command's arrival at the attenuator.
//
//   bench_frontpanel [idle seconds] [changes]     (defaults 30, 200)

#include "frontpanel/AttGroupBox.h"
#include "config/ConfigForm.h"
#include "frontpanel/MainForm.h"
#include "tools/simulator/RackSimulator.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * (v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int changes = argc > 2 ? std::max(10, std::atoi(argv[2])) : 200;

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    TRackSimulator sim;
    std::string ips[2];
    for (int r = 0; r < 2; ++r) {
        ips[r] = TRackSimulator::FreeLoopbackAddress(10001, 4);
        for (int k = 0; k < 4; ++k) {
            TSimAttenuator a;
            a.ip = ips[r];
            a.port = 10001 + k;
            a.name = "B" + std::to_string(r * 4 + k + 1);
            sim.Add(a);
        }
    }
    sim.Start();

    const std::string cfg = (home.path() + "/bench.cfg").toStdString();
    {
        std::ofstream f(cfg);
        for (int r = 0; r < 2; ++r)
            f << "[rack" << r + 1 << "]\nAtt1 Enable=1\nAtt2 Enable=1\nAtt3 Enable=1\nAtt4 Enable=1\nIP address="
              << ips[r] << "\nname rack=Rack " << r + 1 << "\n";
        const QString dir = home.path() + "/config/ORVELT/Quadrell 2x4 Atts Lintera";
        QDir().mkpath(dir);
        std::ofstream s((dir + "/" + QCoreApplication::applicationName() + ".ini").toStdString());
        s << "[Config]\nLast config file=" << cfg << "\n";
    }

    TMainForm form;
    form.show();
    QTimer accept;
    QObject::connect(&accept, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TConfigForm*>(w); d && d->isVisible()) d->OkBtn->click();
    });
    accept.start(20);
    form.FormCreate();
    accept.stop();

    // Wait until all eight boxes are usable and settled.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    auto allUp = [&] {
        for (auto* box : form.AttGroupBoxes)
            if (!box->isEnabled() || box->title() == "Wait...") return false;
        return true;
    };
    while (!allUp() && Clock::now() < deadline) RunFor(50);
    if (!allUp()) {
        std::fprintf(stderr, "the eight attenuators did not come up\n");
        return 1;
    }
    RunFor(1000);

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
                    latencies.size(), Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                    *std::max_element(latencies.begin(), latencies.end()));
    form.close();
    return 0;
}
