// Profiles: the reader's rules, table by table, and what a read profile
// plays on the ticks of a run beside sequences.

#include "sequencer/ProfileFile.h"
#include "sequencer/SequenceCompiler.h"
#include "SequenceTestSupport.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// Attenuator 1 counts whole dB up to 60, 2 tenths up to 93.5, 3 tenths up
// to 63.0; 4 is not usable; 5..8 count tenths up to 93.5.
TProfileBench Bench() {
    TProfileBench bench = UniformProfileBench(935);
    bench[1] = {true, 60};
    bench[3] = {true, 630};
    bench[4] = {false, 0};
    return bench;
}

// Values per attenuator and tick of a profile text played alone.
TTimeline PlayText(const std::string& text, TProfileRead& read) {
    read = ReadProfileText(text, "p.csv", Bench());
    TSequenceAnalysis run;
    if (read.Ok) AddProfile(run, read.Profile);
    TSequenceRun played(std::move(run.Scripts), run.Assignment);
    return PlayRun(played);
}

using Ticks = std::vector<std::string>;

TEST(ProfileFile, ReadsStatesIntoEachAttenuatorsOwnUnitOnTheirTicks) {
    struct TCase {
        const char* what;
        std::string text;
        std::vector<std::pair<int, Ticks>> want;  // attenuator, value text per tick
    };
    const std::string shortRecord = "Time,Seconds,Box,Name,Address,Port,Value,Attenuation (dB)\r\n";
    const std::string longRecord =
        "Time,Seconds,Box,Name,Address,Port,Value,Attenuation (dB),Sent,Limited\r\n";
    const TCase cases[] = {
        {"whole dB and tenths side by side, empty cells hold",
         "time_s,att1,att2\n0,10,20.5\n0.2,,21\n0.3,12,\n",
         {{1, {"010", "", "", "012"}}, {2, {"205", "", "210", ""}}}},
        {"semicolons, CR LF, byte order mark, comments, blank lines; an equal state sends nothing",
         "\xEF\xBB\xBF# measured 2026-12-01\r\ntime_s;ATT3\r\n\r\n0;5\r\n# hold\r\n0.10;5.0\r\n0.20 ; 6.5 \r\n",
         {{3, {"050", "", "065"}}}},
        {"a run record: nearest tick from the run's first, a repeated value sent again",
         shortRecord + "2026-12-08 20:35:12.104,0.104,1,\"A,1\",127.0.0.1,10001,10,10\r\n"
                       "2026-12-08 20:35:12.203,0.203,1,\"A,1\",127.0.0.1,10001,10,10\r\n"
                       "2026-12-08 20:35:12.512,0.512,2,B2,127.0.0.1,10002,45,4.5\r\n",
         {{1, {"010", "010", "", "", ""}}, {2, {"", "", "", "", "045"}}}},
        {"the record with what the links did, a comment before it",
         "# replay of the failing run\n" + longRecord + "2026-12-08 20:35:12.305,0.305,2,B2,127.0.0.1,10002,935,93.5,not sent: link down,\r\n"
                      "2026-12-08 20:35:12.405,0.405,2,B2,127.0.0.1,10002,900,90.0,20:35:12.406,yes\r\n",
         {{2, {"", "", "935", "900"}}}},
    };
    for (const TCase& c : cases) {
        TProfileRead read;
        const TTimeline played = PlayText(c.text, read);
        ASSERT_TRUE(read.Ok) << c.what << ": " << read.Error;
        for (const auto& [att, ticks] : c.want) EXPECT_EQ(played.Values(att), ticks) << c.what << ", att" << att;
    }
}

TEST(ProfileFile, RefusesEveryFaultWithItsLineAndColumn) {
    struct TCase {
        std::string text;
        std::string error;  // the message after the file's name
    };
    const std::string rec = "Time,Seconds,Box,Name,Address,Port,Value,Attenuation (dB)\n";
    const TCase cases[] = {
        {"time_s,att1\n0,1\n0.05,10\n", "line 3, column 1 (time_s): 0.05 s is not on the 0.1 s grid of the tick."},
        {"time_s,att1\n0.1,10\n", "line 2, column 1 (time_s): the first state must be at 0 s, not 0.1 s."},
        {"time_s,att1\n0,1\n0.2,1\n0.2,2\n",
         "line 4, column 1 (time_s): 0.2 s does not come after the previous state's 0.2 s."},
        {"time_s,att1\n1e3,1\n", "line 2, column 1 (time_s): \"1e3\" is not a time in seconds."},
        {"time_s,att1\n0,ten\n", "line 2, column 2 (att1): \"ten\" is not a number of dB."},
        {"time_s,att1\n0,61\n", "line 2, column 2 (att1): 61 dB is outside 0..60 dB of attenuator 1."},
        {"time_s,att2\n0,-1\n", "line 2, column 2 (att2): -1 dB is outside 0..93.5 dB of attenuator 2."},
        {"time_s,att1\n0,10.5\n", "line 2, column 2 (att1): 10.5 dB is finer than the 1 dB step of attenuator 1."},
        {"time_s,att2\n0,20.3\n", "line 2, column 2 (att2): 20.3 dB is finer than the 0.5 dB step of attenuator 2."},
        {"time_s,att3\n0,20.55\n", "line 2, column 2 (att3): 20.55 dB is finer than the 0.5 dB step of attenuator 3."},
        {"time_s,att1,att9\n", "line 1, column 3 (att9): \"att9\" is not a column (att1..att8)."},
        {"time,att1\n", "line 1, column 1 (time): the first column must be time_s."},
        {"time_s,att1,att1\n", "line 1, column 3 (att1): attenuator 1 has two columns."},
        {"time_s,att1,att2,att3,att5,att6,att7,att8,att1,att2\n",
         "line 1, column 10 (att2): more than 8 attenuator columns."},
        {"time_s,att2,att4\n",
         "line 1, column 3 (att4): attenuator 4 is not usable (not connected or not identified)."},
        {"time_s,att1,att2\n0,1,\n", "line 2, column 3 (att2): the first state must give every attenuator a value."},
        {"time_s,att1,att2\n0,1\n", "line 2: 2 cells where the header has 3 columns."},
        {"# nothing\ntime_s,att1\n", "line 1: the file holds no state."},
        {"", "line 1: the file holds no header (time_s,att1,...)."},
        {rec + "t,0.1,1,A,a,p,10,\n",
         "line 2, column 8 (Attenuation (dB)): no value in dB (the attenuator had not identified itself when the "
         "run was recorded)."},
        {rec + "t,0.1,9,A,a,p,10,10\n", "line 2, column 3 (Box): \"9\" is not an attenuator box (1..8)."},
        {rec + "t,0.1,1,A,a,p,10,10\nt,0.12,1,A,a,p,10,10\n",
         "line 3, column 2 (Seconds): a second value for attenuator 1 on one tick."},
        {rec + "t,0.1,4,A,a,p,10,10\n",
         "line 2, column 3 (Box): attenuator 4 is not usable (not connected or not identified)."},
    };
    for (const TCase& c : cases) {
        TProfileRead read;
        const TTimeline played = PlayText(c.text, read);
        EXPECT_FALSE(read.Ok) << c.text;
        EXPECT_EQ(read.Error, "\"p.csv\", " + c.error) << c.text;
        EXPECT_TRUE(read.Profile.Columns.empty());
    }
}

TEST(ProfileFile, RefusesAFileTooLargeToBeAProfileUnread) {
    TTempFolder dir;
    const std::string path = dir.Write("huge.csv", "time_s,att1\n0,1\n");
    ASSERT_EQ(::truncate(path.c_str(), MaxProfileFileBytes + 1), 0);
    const TProfileRead read = ReadProfileFile(path, Bench());
    EXPECT_EQ(read.Error, "\"" + path + "\" is larger than 64 MB: too large to be a profile.");
    EXPECT_TRUE(IsProfileFileName("/a/B.CSV"));
    EXPECT_FALSE(IsProfileFileName("/a/b.sqc"));
}

TEST(ProfileRun, PlaysBesideSequencesAndClaimsItsAttenuators) {
    TTempFolder dir;
    const auto profile = dir.Write("p.csv", "time_s,att2,att3\n0,10,20\n0.2,12,\n");
    const auto sqc = dir.Write("s.sqc", SqcText({1}, {Row(1, ActionStep, 0, 100, 5)}));
    const auto other = dir.Write("o.sqc", SqcText({3}, {Row(1, ActionReset, 0, 0, 0)}));

    TSequenceAnalysis a = AnalyzeSequences({sqc, profile}, Bench());
    ASSERT_TRUE(a.Ok()) << a.Error;
    EXPECT_EQ(a.ScriptFile, (std::vector<std::size_t>{0, 1, 1}));
    TSequenceRun run(std::move(a.Scripts), a.Assignment);
    EXPECT_FALSE(run.OwnUnit(1));
    EXPECT_TRUE(run.OwnUnit(2));
    const TTimeline t = PlayRun(run);
    EXPECT_EQ(t.Values(1), (Ticks{"100", "", "", "", ""}));  // the longer one keeps the run alive
    EXPECT_EQ(t.Values(2), (Ticks{"100", "", "120", "", ""}));
    EXPECT_EQ(t.Values(3), (Ticks{"200", "", "", "", ""}));

    EXPECT_EQ(AnalyzeSequences({profile, other}, Bench()).Result, TAnalysisResult::Conflict);
    EXPECT_EQ(AnalyzeSequences({other, profile}, Bench()).Result, TAnalysisResult::Conflict);
    const TSequenceAnalysis unusable = AnalyzeSequences({profile});
    EXPECT_EQ(unusable.Result, TAnalysisResult::ProfileError);
    EXPECT_NE(unusable.Error.find("attenuator 2 is not usable"), std::string::npos) << unusable.Error;
}

}  // namespace
