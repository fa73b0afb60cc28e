// The bench as a service against the desktop program, each in turn on the
// same eight simulated attenuators (two racks of four): processor time and
// resident memory while idle with eight links up (from /proc), and the time
// from a SCPI client's write of "ATT1 <v>" to the attenuator seeing its
// "ATT ..." line. The desktop program runs on a private Xvfb display and
// session bus, its configuration dialog answered with a key press as an
// operator would.
//
//   bench_service [seconds]    (idle time measured in each; default 30)

#include "bench/ProcessMemory.h"
#include "bench/service/BenchProcess.h"
#include "bench/service/SimulatedBenches.h"
#include "tests/remote/ScpiClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <thread>

using namespace bench;

namespace {

constexpr int Sets = 400;  // the p99 then rests on four sets, not one
// After a set's read-back: its reply read, the link idle again.
constexpr int SetGapMs = 300;

struct TFigures {
    double cpuPercent = -1;
    double rssMb = -1;
    std::size_t idleLines = 0;
    std::vector<double> setMs;
    double stolenMs = 0;  // the host's steal while the sets were made
};

// The program idle for seconds, then SCPI sets of box 1, each to the wire.
TFigures Measure(TSimulatedBenches& racks, TChild& program, int scpiPort, int seconds) {
    TFigures f;
    std::this_thread::sleep_for(std::chrono::seconds(3));  // the start's own work done
    const std::size_t lines = racks.sim.AllLines().size();
    const double cpu = program.CpuSeconds();
    const Clock::time_point start = Clock::now();
    long rss = 0;
    for (int s = 0; s < seconds; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        rss = std::max(rss, ResidentKb(program.Pid()));
    }
    f.cpuPercent = (program.CpuSeconds() - cpu) / (Ms(Clock::now() - start) / 1000) * 100;
    f.rssMb = static_cast<double>(rss) / 1024;
    f.idleLines = racks.sim.AllLines().size() - lines;

    std::unique_ptr<TScpiClient> client;
    for (int i = 0; i < 100 && !(client && client->Connected()); ++i) {
        client = std::make_unique<TScpiClient>("127.0.0.1", scpiPort);
        if (!client->Connected()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!client->Connected()) throw std::runtime_error("no SCPI server on port " + std::to_string(scpiPort));
    const int att = racks.Att(0, 1);
    const double stolen = StolenSeconds();
    for (int i = 0; i < Sets; ++i) {
        const int tenths = 100 + 5 * (i % 40);
        racks.sim.ClearLines();
        const Clock::time_point sent = Clock::now();
        client->Send("ATT1 " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "\n");
        Clock::time_point seen{};
        // The set reaches the wire, then its read-back ends it.
        const bool read = racks.sim.WaitForLines(att, [&](const std::vector<TSimLine>& got) {
            for (const TSimLine& l : got) {
                if (seen == Clock::time_point{} && l.line.rfind("ATT", 0) == 0) seen = l.time;
                if (seen != Clock::time_point{} && l.time >= seen && l.line == "STA?") return true;
            }
            return false;
        }, 5000);
        if (seen == Clock::time_point{} || !read)
            throw std::runtime_error("set " + std::to_string(i) + " never ended");
        f.setMs.push_back(Ms(seen - sent));
        std::this_thread::sleep_for(std::chrono::milliseconds(SetGapMs));
    }
    f.stolenMs = (StolenSeconds() - stolen) * 1000;
    return f;
}

void Print(const char* who, const TFigures& f, int seconds, const char* cpuTarget) {
    std::printf("%s: idle CPU %.3f %% of one core%s, resident memory %.1f MB (largest over %d s), "
                "lines to the attenuators while idle: %zu\n",
                who, f.cpuPercent, cpuTarget, f.rssMb, seconds, f.idleLines);
    std::printf("%s: SCPI set to the wire over %zu sets: p50 %.3f ms, p99 %.3f ms, max %.3f ms "
                "(target p99 under 2 ms); processor time the host took meanwhile (steal): %.0f ms\n",
                who, f.setMs.size(), Percentile(f.setMs, 50), Percentile(f.setMs, 99), Percentile(f.setMs, 100),
                f.stolenMs);
    std::fflush(stdout);
}

TFigures RunService(TSimulatedBenches& racks, const QTemporaryDir& dir, int seconds) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "NOTIFY_SOCKET", "WATCHDOG_USEC"}) env.remove(name);
    const QString config = dir.filePath("bench.cfg");
    WriteText(config, racks.Config());
    QDir().mkpath(dir.filePath("records"));
    const int port = FreePort();
    const Clock::time_point since = Clock::now();
    TChild service(QStringLiteral(ATT_SERVICE_FILE),
                   {"--config", config, "--records", dir.filePath("records"), "--scpi-port", QString::number(port),
                    "--scpi-address", "127.0.0.1"},
                   env, dir.filePath("service.log"));
    if (!racks.LinksUp(since, 20000)) throw std::runtime_error("the service's links did not come up");
    const TFigures f = Measure(racks, service, port, seconds);
    if (service.Terminate(5000) != 0) throw std::runtime_error("the service did not stop with status 0");
    return f;
}

TFigures RunDesktop(TSimulatedBenches& racks, const QTemporaryDir& dir, int seconds) {
    const TDaemon xvfb("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (xvfb.Line().isEmpty()) throw std::runtime_error("Xvfb did not start (is it installed?)");
    const TDaemon bus("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (bus.Line().isEmpty()) throw std::runtime_error("dbus-daemon did not start");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("WAYLAND_DISPLAY");
    const QString home = dir.filePath("desktop");
    env.insert("DISPLAY", ":" + xvfb.Line());
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.Line());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_DOCUMENTS_DIR", home + "/documents");
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    QDir().mkpath(home + "/documents");
    QDir().mkpath(home + "/runtime");
    QFile::setPermissions(home + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString config = home + "/bench.cfg";
    WriteText(config, racks.Config());
    const int port = FreePort();
    WriteText(home + "/config/ORVELT/Quadrell 2x4 Atts Lintera/" + QFileInfo(ATT_DESKTOP_FILE).fileName() + ".ini",
              "[Config]\nLast config file=" + config.toStdString() + "\n[DIR]\nSequences dir=" + home.toStdString() +
                  "/documents/\n[Remote]\nSCPI port=" + std::to_string(port) + "\nSCPI address=127.0.0.1\n");
    const Clock::time_point since = Clock::now();
    TChild desktop(QStringLiteral(ATT_DESKTOP_FILE), {}, env, home + "/program.log");
    // The configuration dialog, answered with its OK key once it is shown.
    if (!RunTool("xdotool", {"search", "--sync", "--onlyvisible", "--limit", "1", "--name", "Quadrell Configuration",
                             "sleep", "0.3", "windowfocus", "--sync", "key", "alt+o"},
                 env, 30000))
        throw std::runtime_error("the configuration dialog was not answered (is xdotool installed?)");
    if (!racks.LinksUp(since, 20000)) throw std::runtime_error("the desktop program's links did not come up");
    const TFigures f = Measure(racks, desktop, port, seconds);
    desktop.Terminate(10000);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 30;
    try {
        TSimulatedBenches racks(1, "B", 100);
        QTemporaryDir dir;
        std::printf("eight attenuators on two simulated racks (%s, %s); idle figures over %d s; "
                    "load average %.2f at start\n",
                    racks.Ip(0).c_str(), racks.Ip(1).c_str(), seconds, LoadAverage());
        std::fflush(stdout);
        const TFigures service = RunService(racks, dir, seconds);
        Print("service (quadrell2x4attsd)", service, seconds, " (target under 0.5 %)");
        const TFigures desktop = RunDesktop(racks, dir, seconds);
        Print("desktop program on Xvfb", desktop, seconds, "");
        std::printf("service resident memory / desktop program's: %.2f (target under 0.5)\n",
                    service.rssMb / desktop.rssMb);
        std::printf("load average %.2f at the end\n", LoadAverage());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_service: %s\n", e.what());
        return 1;
    }
    return 0;
}
