// Two benches started together: two services on one host, each with eight
// simulated attenuators on addresses of its own, play the same ramp. Armed
// with SEQuence:LOAD and given one instant 500 ms ahead with
// SEQuence:STARt:TIME, and beside it started by two SEQuence:RUN lines one
// after the other as a script does without the armed start. The skew is the
// time between the two benches' commands of the same tick on the
// simulator's wire log (one clock): p50, p99, max, and its trend over the
// run.
//
//   bench_group_start [seconds]    (the armed run's length; default 600)

#include "bench/service/BenchProcess.h"
#include "bench/service/SimulatedBenches.h"
#include "tests/remote/ScpiClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

using namespace bench;

namespace {

constexpr int Benches = 2;
constexpr int RampTicks = 94;  // 0 to 93.5 dB: a new value every tick

// A sawtooth of ramps on all eight boxes for about seconds.
std::string Ramp(int seconds) {
    std::string text = "ATTS SELECTED\r\n\r\n att1 att2 att3 att4 att5 att6 att7 att8\r\n\r\nACTIONS\r\n"
                       "#Num\tTime\tAction\tFrom\tTo\tDuration\r\n";
    const int rows = std::max(1, seconds * 10 / RampTicks);
    for (int r = 0; r < rows; ++r)
        text += std::to_string(r + 1) + "\t0\t2\t" + (r % 2 ? "935\t0\t" : "0\t935\t") + std::to_string(RampTicks) +
                "\r\n";
    return text;
}

struct TSkew {
    std::vector<double> ms;            // |B - A| of each tick's command, every box
    std::vector<std::pair<double, double>> signedByTime;  // (seconds into the run, B - A in ms)
    std::size_t unmatched = 0;         // commands of bench A without B's of the same tick
    double firstTickMs[Benches] = {};  // first command after the instant (armed only)
};

// Each command of bench A paired with bench B's command of the same tick
// on the same box: the nearest with the same value within half a ramp, so
// that a command one bench dropped pairs no other.
TSkew Skew(const TSimulatedBenches& racks, Clock::time_point since, std::optional<Clock::time_point> instant) {
    TSkew s;
    Clock::time_point origin{};
    const auto window = std::chrono::milliseconds(RampTicks * 100 / 2);
    for (int n = 1; n <= 8; ++n) {
        const auto a = racks.Commands(0, n, since), b = racks.Commands(1, n, since);
        if (a.empty() || b.empty()) continue;
        if (origin == Clock::time_point{}) origin = std::min(a.front().first, b.front().first);
        std::size_t from = 0;
        for (const auto& [ta, value] : a) {
            while (from < b.size() && b[from].first < ta - window) ++from;
            // The nearest: a ramp down passes the values of the ramp up.
            std::optional<double> d;
            for (std::size_t k = from; k < b.size() && b[k].first <= ta + window; ++k)
                if (b[k].second == value && (!d || std::fabs(Ms(b[k].first - ta)) < std::fabs(*d)))
                    d = Ms(b[k].first - ta);
            if (!d) {
                ++s.unmatched;
                continue;
            }
            s.ms.push_back(std::fabs(*d));
            s.signedByTime.emplace_back(Ms(ta - origin) / 1000, *d);
        }
        if (instant && n == 1) {
            s.firstTickMs[0] = Ms(a.front().first - *instant);
            s.firstTickMs[1] = Ms(b.front().first - *instant);
        }
    }
    return s;
}

// Mean skew (B - A) of the first and of the last tenth of the run, and the
// least-squares slope in ms per minute.
void Trend(const TSkew& s, double& first, double& last, double& slope) {
    if (s.signedByTime.empty()) return;
    double end = 0;
    for (const auto& [t, d] : s.signedByTime) end = std::max(end, t);
    double sf = 0, sl = 0, nf = 0, nl = 0, st = 0, sd = 0, stt = 0, std_ = 0;
    for (const auto& [t, d] : s.signedByTime) {
        if (t <= end / 10) sf += d, ++nf;
        if (t >= end * 9 / 10) sl += d, ++nl;
        st += t, sd += d, stt += t * t, std_ += t * d;
    }
    const double n = static_cast<double>(s.signedByTime.size());
    first = nf ? sf / nf : 0;
    last = nl ? sl / nl : 0;
    const double var = stt - st * st / n;
    slope = var > 0 ? (std_ - st * sd / n) / var * 60 : 0;
}

// The host's steal, sampled while the runs play.
using TStealSamples = std::vector<std::pair<Clock::time_point, double>>;

void Print(const char* how, const TSkew& s, int seconds, const TStealSamples& steal) {
    double first = 0, last = 0, slope = 0;
    Trend(s, first, last, slope);
    std::printf("%s, %d s, %zu command pairs: skew p50 %.3f ms, p99 %.3f ms, max %.3f ms; "
                "mean skew first tenth %+.3f ms, last tenth %+.3f ms, trend %+.4f ms per minute; unmatched %zu\n",
                how, seconds, s.ms.size(), Percentile(s.ms, 50), Percentile(s.ms, 99), Percentile(s.ms, 100), first,
                last, slope, s.unmatched);
    // Where the large skews are: spread over the run, or in bursts.
    std::vector<int> perMinute;
    for (const auto& [t, d] : s.signedByTime) {
        const auto minute = static_cast<std::size_t>(t / 60);
        if (perMinute.size() <= minute) perMinute.resize(minute + 1);
        if (std::fabs(d) > 1) ++perMinute[minute];
    }
    std::printf("  pairs over 1 ms in each minute:");
    for (const int n : perMinute) std::printf(" %d", n);
    // Beside them, the processor time the host took in each minute: a
    // thread that has to wait for it is late whatever this program does.
    std::printf("\n  processor time the host took (steal) in each minute, ms:");
    for (std::size_t m = 0; !steal.empty(); ++m) {
        const auto from = steal.front().first + std::chrono::minutes(m);
        if (from > steal.back().first) break;
        auto at = [&](Clock::time_point t) {
            const auto it = std::lower_bound(steal.begin(), steal.end(), t,
                                             [](const auto& sample, Clock::time_point x) { return sample.first < x; });
            return it == steal.end() ? steal.back().second : it->second;
        };
        std::printf(" %.0f", (at(from + std::chrono::minutes(1)) - at(from)) * 1000);
    }
    std::printf("\n");
    std::fflush(stdout);
}

std::unique_ptr<TScpiClient> Connect(int port) {
    std::unique_ptr<TScpiClient> client;
    for (int i = 0; i < 100 && !(client && client->Connected()); ++i) {
        client = std::make_unique<TScpiClient>("127.0.0.1", port);
        if (!client->Connected()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!client->Connected()) throw std::runtime_error("no SCPI server on port " + std::to_string(port));
    return client;
}

TStealSamples WaitIdle(std::unique_ptr<TScpiClient> (&clients)[Benches], int timeoutS) {
    const auto end = Clock::now() + std::chrono::seconds(timeoutS);
    TStealSamples steal;
    for (auto& c : clients)
        while (c->Query("SEQ:STAT?") != "IDLE") {
            steal.emplace_back(Clock::now(), StolenSeconds());
            if (Clock::now() > end) throw std::runtime_error("a run did not end in time");
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    return steal;
}

void Expect(const std::string& got, const std::string& wanted, const char* what) {
    if (got != wanted) throw std::runtime_error(std::string(what) + " answered " + got);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 600;
    const int baseline = std::min(seconds, 60);
    try {
        TSimulatedBenches racks(Benches, "G");
        QTemporaryDir dir;
        std::printf("two services, eight simulated attenuators each; armed run %d s, one-after-the-other run %d s; "
                    "load average %.2f at start\n",
                    seconds, baseline, LoadAverage());
        std::fflush(stdout);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "NOTIFY_SOCKET", "WATCHDOG_USEC"}) env.remove(name);
        const Clock::time_point since = Clock::now();
        std::unique_ptr<TChild> services[Benches];
        std::unique_ptr<TScpiClient> clients[Benches];
        int ports[Benches];
        for (int b = 0; b < Benches; ++b) {
            const QString config = dir.filePath(QString("bench%1.cfg").arg(b));
            WriteText(config, racks.Config(b));
            QDir().mkpath(dir.filePath(QString("records%1").arg(b)));
            ports[b] = FreePort();
            services[b] = std::make_unique<TChild>(
                QStringLiteral(ATT_SERVICE_FILE),
                QStringList{"--config", config, "--records", dir.filePath(QString("records%1").arg(b)), "--scpi-port",
                            QString::number(ports[b]), "--scpi-address", "127.0.0.1"},
                env, dir.filePath(QString("service%1.log").arg(b)));
        }
        if (!racks.LinksUp(since, 20000)) throw std::runtime_error("the services' links did not come up");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        for (int b = 0; b < Benches; ++b) clients[b] = Connect(ports[b]);
        const std::string armedFile = dir.filePath("armed.sqc").toStdString();
        const std::string plainFile = dir.filePath("plain.sqc").toStdString();
        WriteText(QString::fromStdString(armedFile), Ramp(seconds));
        WriteText(QString::fromStdString(plainFile), Ramp(baseline));

        // Armed, one instant 500 ms ahead.
        for (auto& c : clients) Expect(c->Query("SEQ:LOAD '" + armedFile + "';SEQ:STAT?"), "ARM", "SEQ:LOAD");
        const auto instant = std::chrono::system_clock::now() + std::chrono::milliseconds(500);
        const auto steadyInstant = Clock::now() + std::chrono::milliseconds(500);
        const long long us =
            std::chrono::duration_cast<std::chrono::microseconds>(instant.time_since_epoch()).count();
        char text[64];
        std::snprintf(text, sizeof text, "%lld.%06lld", us / 1000000, us % 1000000);
        const Clock::time_point armedSince = Clock::now();
        for (auto& c : clients)
            Expect(c->Query(std::string("SEQ:STAR:TIME ") + text + ";SYST:ERR?"), "0,\"No error\"", "SEQ:STAR:TIME");
        const TStealSamples armedSteal = WaitIdle(clients, seconds + 30);
        const TSkew armed = Skew(racks, armedSince, steadyInstant);
        Print("armed, one instant", armed, seconds, armedSteal);
        std::printf("armed: first command after the instant: bench 1 %+.3f ms, bench 2 %+.3f ms\n",
                    armed.firstTickMs[0], armed.firstTickMs[1]);

        // Two SEQ:RUN lines, one after the other.
        const Clock::time_point plainSince = Clock::now();
        for (auto& c : clients) Expect(c->Query("SEQ:RUN '" + plainFile + "';SEQ:STAT?"), "RUN", "SEQ:RUN");
        const TStealSamples plainSteal = WaitIdle(clients, baseline + 30);
        Print("two SEQ:RUN lines one after the other", Skew(racks, plainSince, std::nullopt), baseline, plainSteal);
        std::printf("load average %.2f at the end\n", LoadAverage());
        for (auto& s : services)
            if (s->Terminate(10000) != 0) throw std::runtime_error("a service did not stop with status 0");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_group_start: %s\n", e.what());
        return 1;
    }
    return 0;
}
