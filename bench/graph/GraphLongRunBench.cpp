// Cost of one tick's AdvanceTime and AddAttCommand at the start of a run and
// after seven days of 100 ms ticks, with the memory then.
#include "BenchRun.h"

namespace {

// Mean microseconds a tick over count ticks starting at tick first.
double MeasureTicks(TSequencerGraphForm& form, long long first, long long count) {
    const double t0 = NowMs();
    for (long long t = first; t < first + count; ++t) DeliverTick(form, t);
    return (NowMs() - t0) * 1000.0 / static_cast<double>(count);
}

}  // namespace

int main(int argc, char** argv) {
    UseOffscreenByDefault();
    QApplication app(argc, argv);
    const long long sevenDays = 7LL * 24 * 3600 * 10;
    long long total = sevenDays;
    if (argc > 1) total = std::max(20000LL, std::atoll(argv[1]));
    TBenchHost host;
    TSequencerGraphForm form(host);
    form.show();  // shown, so that values are added; painting is left out here
    QApplication::processEvents();
    const long long sample = 5000;
    const long rssStart = ResidentKb();
    const double early = MeasureTicks(form, 0, sample);
    const long rssEarly = ResidentKb();
    long long t = sample;
    const double runStart = NowMs();
    for (; t < total - sample; ++t) DeliverTick(form, t);
    const double runMs = NowMs() - runStart;
    const long rssLate = ResidentKb();
    const double late = MeasureTicks(form, t, sample);
    const long rssEnd = ResidentKb();
    std::printf("ticks: %lld (%.1f days of 100 ms ticks), run took %.1f s\n", total,
                static_cast<double>(total) / 864000.0, runMs / 1000.0);
    std::printf("tick cost (AdvanceTime + 8 AddAttCommand): start %.3f us, after the run %.3f us, ratio %.2f,"
                " target <= 1.2: %s\n",
                early, late, late / early, late <= 1.2 * early ? "met" : "MISSED");
    std::printf("resident memory: %ld kB at start, %ld kB after %lld ticks, %ld kB after the run, %ld kB at the end\n",
                rssStart, rssEarly, sample, rssLate, rssEnd);
    std::printf("points held: curve 1 %d, curve 8 %d (flat memory: at most 3000 each)\n",
                form.AttCurves[1]->Count(), form.AttCurves[8]->Count());
    return 0;
}
