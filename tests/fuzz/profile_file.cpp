// A profile (.csv) as anyone may have written it, or a run record: read for
// a bench of whole-dB and tenths attenuators, one not usable. Either it is
// refused with a message that names the file and the line, or every value
// it gives lies within its attenuator's range and step, on a tick inside the
// profile, and plays tick by tick to the end. The same bytes read from a
// file give the same result.

#include "sequencer/ProfileFile.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequenceRun.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024) return 0;
    TProfileBench bench = UniformProfileBench(935);
    bench[1] = {true, 60};
    bench[6] = {false, 0};
    const std::string text(reinterpret_cast<const char*>(data), size);
    TProfileRead read = ReadProfileText(text, "f.csv", bench);

    static TMemoryFile file("profile.csv");
    const TProfileRead again = ReadProfileFile(file.Write(data, size), bench);
    FUZZ_CHECK(again.Ok == read.Ok);

    if (!read.Ok) {
        FUZZ_CHECK(read.Error.rfind("\"f.csv\", line ", 0) == 0);
        FUZZ_CHECK(read.Profile.Columns.empty());
        return 0;
    }
    FUZZ_CHECK(!read.Profile.Columns.empty() && read.Profile.Columns.size() <= 8);
    FUZZ_CHECK(read.Profile.Length >= 1);
    for (const TProfileColumn& column : read.Profile.Columns) {
        FUZZ_CHECK(column.Att >= 1 && column.Att <= 8 && bench[static_cast<std::size_t>(column.Att)].Usable);
        const int max = bench[static_cast<std::size_t>(column.Att)].MaxAtt;
        const TValueTrack& track = *column.Track;
        FUZZ_CHECK(track.Ticks.size() == track.Values.size());
        for (std::size_t i = 0; i < track.Ticks.size(); ++i) {
            FUZZ_CHECK(track.Ticks[i] < read.Profile.Length);
            FUZZ_CHECK(i == 0 || track.Ticks[i] > track.Ticks[i - 1]);
            FUZZ_CHECK(track.Values[i] <= max && (max <= 110 || track.Values[i] % 5 == 0));
        }
    }

    // Played: one tick at a time and over silent stretches at once, the run
    // lasts exactly the profile's length.
    TSequenceAnalysis analysis;
    const std::int64_t length = read.Profile.Length;
    FUZZ_CHECK(AddProfile(analysis, std::move(read.Profile)));
    TSequenceRun run(std::move(analysis.Scripts), analysis.Assignment);
    std::int64_t ticks = 0;
    for (int steps = 0; steps < 4000 && run.Step(); ++steps) {
        ++ticks;
        const std::int64_t skip = run.SilentTicksAhead();
        FUZZ_CHECK(skip >= 0 && ticks + skip <= length);
        run.SkipSilentTicks(skip);
        ticks += skip;
    }
    FUZZ_CHECK(ticks <= length);
    return 0;
}
