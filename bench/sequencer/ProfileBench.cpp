// Profiles: reading and compiling 100,000 and 1,000,000 states from a file
// (time, and the peak memory it added), then a run's tick cost at its start
// and after 100,000 ticks, for both lengths. The profile is a two-attenuator
// handover trace whose values change on every state, the worst case for
// the tracks; "8 columns" repeats the reading with all eight attenuators.
// Last, for the largest size, the longest time the GUI thread stays away
// from its event loop while the sequence list window starts a run of it
// (from "&Run" until the run is going), measured with a 1 ms timer.
//
//   bench_profile [states...]

#include "sequencer/ProfileFile.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequenceRun.h"
#include "sequencer/SequencerForm.h"
#include "sequencer/SequencerThread.h"
#include "graph/SequencerGraphForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// A profile file of states lines, one per tick, values changing each line;
// written line by line so that making it does not raise the peak memory.
std::string WriteProfile(long states, int columns) {
    char pattern[] = "/tmp/profilebench-XXXXXX.csv";
    const int fd = mkstemps(pattern, 4);
    std::FILE* f = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (!f) {
        std::perror("profile file");
        std::exit(1);
    }
    std::fputs("time_s", f);
    for (int c = 1; c <= columns; ++c) std::fprintf(f, ",att%d", c);
    std::fputs("\r\n", f);
    for (long i = 0; i < states; ++i) {
        std::fprintf(f, "%ld.%ld", i / 10, i % 10);
        for (int c = 0; c < columns; ++c) {
            const long v = (i * 5 + c * 37) % 1200;  // 0.5 dB steps up to 60 dB and back
            const long half = (v < 600 ? v : 1200 - v) / 5 * 5;
            std::fprintf(f, ",%ld.%ld", half / 10, half % 10);
        }
        std::fputs("\r\n", f);
    }
    if (std::fclose(f) != 0) {
        std::perror("profile file");
        std::exit(1);
    }
    return pattern;
}

struct TTickCost {
    double meanUs = 0, p99Us = 0;
};

TTickCost MeasureTicks(TSequenceRun& run, int ticks) {
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(ticks));
    for (int i = 0; i < ticks; ++i) {
        const auto t0 = Clock::now();
        run.Step();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    TTickCost cost;
    for (const double u : us) cost.meanUs += u / static_cast<double>(us.size());
    std::sort(us.begin(), us.end());
    cost.p99Us = us[us.size() * 99 / 100];
    return cost;
}

void Measure(long states, int columns, bool ticks) {
    const std::string path = WriteProfile(states, columns);
    const long before = PeakRssKb();
    const auto t0 = Clock::now();
    TSequenceAnalysis analysis = AnalyzeSequences({path}, UniformProfileBench(935));
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const long added = PeakRssKb() - before;
    unlink(path.c_str());
    if (!analysis.Ok()) {
        std::printf("%ld states: %s\n", states, analysis.Error.c_str());
        std::exit(1);
    }
    std::printf("%8ld states, %d columns: read and compiled in %.3f s, %.1f MB added at the peak%s\n", states, columns,
                seconds, added / 1024.0, states == 100000 && columns == 2 ? " (target < 0.5 s, < 50 MB)" : "");
    if (!ticks) return;
    TSequenceRun run(std::move(analysis.Scripts), analysis.Assignment);
    const TTickCost start = MeasureTicks(run, 10000);
    std::printf("          tick cost, ticks 1-10,000: mean %.3f us, p99 %.3f us", start.meanUs, start.p99Us);
    if (states >= 110000) {
        for (long i = 10000; i < 100000; ++i) run.Step();
        const TTickCost later = MeasureTicks(run, 10000);
        std::printf("; ticks 100,001-110,000: mean %.3f us, p99 %.3f us", later.meanUs, later.p99Us);
    }
    std::printf("\n");
}

// The list window's host: no links, nothing shown; every attenuator usable
// and taking each command at once.
class TBenchHost : public TSequencerHost, public TSequencerGraphHost, public TBenchRunHost {
public:
    int CommonMaxAtt() const override { return 935; }
    std::string AttCaption(int n) const override { return "ATT" + std::to_string(n); }
    std::string SequencesDir() const override { return dir; }
    void SetSequencesDir(const std::string& d) override { dir = d; }
    std::string DocumentsFolder() const override { return dir; }
    TSequencerGraphHost& GraphHost() override { return *this; }
    bool MainVisible() const override { return true; }
    void SetMainVisible(bool) override {}
    TBenchRun& Run() override { return run; }
    TTovarinThread* RunLink(int) const override { return nullptr; }
    TProfileAtt ProfileAtt(int) const override { return {true, 935}; }
    TRecordedAtt RecordedAtt(int n) const override { return {AttCaption(n), {}, {}, 0, {}}; }
    std::string ConfigFile() const override { return {}; }
    std::string RecordsDir() const override { return dir; }
    bool RunLinkEnabled(int) const override { return true; }
    bool RunLinkReady(int) const override { return true; }
    void RunPost(int, const std::string&, TPostTicket) override {}
    void RunWithdraw(int) override {}
    std::string dir;
    TBenchRun run{*this};
};

// "&Run" on a profile of states in the list window; prints the longest gap
// between two turns of the event loop from the click until the run goes.
bool MeasureRunStart(long states) {
    int argc = 1;
    char name[] = "bench_profile";
    char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir records;
    TBenchHost host;
    host.dir = records.path().toStdString() + "/";
    const std::string path = WriteProfile(states, 2);
    bool started = false;
    qint64 longest = 0;
    const char* where = "";
    {
        TSequencerForm form(host);
        form.show();
        form.AddFiles({path});
        form.LBSequence->item(0)->setSelected(true);
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        bool clicked = false;
        bool wasAnalyzing = false;
        // A loop of its own: the application's quit would close the window.
        QEventLoop loop;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (clicked && now - last > longest) {
                longest = now - last;
                where = form.Running() ? (wasAnalyzing ? "as the run started" : "after the start")
                                       : "while the files were read";
            }
            last = now;
            wasAnalyzing = form.Analyzing();
            if (!clicked) {
                clicked = true;
                form.ButtonRun->click();
            } else if (form.Running() || (!form.ButtonStop->isEnabled() && form.ButtonRun->isEnabled()) ||
                       now > 60000) {
                started = form.Running();
                loop.quit();
            }
        });
        probe.start(1);
        loop.exec();
        probe.stop();
        if (started) {
            form.ButtonStop->click();
            for (int i = 0; i < 200 && form.Running(); ++i) {
                QTimer::singleShot(10, &loop, &QEventLoop::quit);
                loop.exec();
            }
        }
    }
    unlink(path.c_str());
    if (!started) {
        std::printf("%8ld states: the run did not start\n", states);
        return false;
    }
    std::printf("%8ld states: longest event-loop hold from \"&Run\" until the run goes: %lld ms, %s "
                "(target <= 20 ms)\n",
                states, static_cast<long long>(longest), where);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {100000, 1000000};
    // Each measurement in a process of its own, so that its peak memory is
    // its own and not the peak of the one before.
    auto inChild = [](long states, int columns, bool ticks) {
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            Measure(states, columns, ticks);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    bool ok = true;
    for (const long states : sizes) ok = inChild(states, 2, true) && ok;
    for (const long states : sizes) ok = inChild(states, 8, false) && ok;
    std::fflush(stdout);
    if (const pid_t pid = fork(); pid == 0) {
        const bool started = MeasureRunStart(*std::max_element(sizes.begin(), sizes.end()));
        std::fflush(stdout);
        _exit(started ? 0 : 1);
    } else {
        int status = 0;
        waitpid(pid, &status, 0);
        ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
    }
    return ok ? 0 : 1;
}
