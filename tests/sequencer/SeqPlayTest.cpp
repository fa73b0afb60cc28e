// The timeline tool: exact output, refusals and the tick limit.

#include "tools/seqplay/SeqPlay.h"
#include "SequenceTestSupport.h"

#include <climits>
#include <sstream>

namespace {

struct TPlayed {
    int status;
    std::string out, err;
};

TPlayed PlayTool(const std::vector<std::string>& files, TSeqPlayOptions options = {}) {
    std::ostringstream out, err;
    const int status = PlaySequences(files, options, out, err);
    return {status, out.str(), err.str()};
}

TEST(SeqPlay, PrintsEveryCommandWithItsTickAndTheRunLength) {
    TTempFolder dir;
    const auto w = dir.Write("w.sqc", SqcText({1, 5}, WorkedExampleRows()));
    const auto n = dir.Write("n.sqc", "ACTIONS\r\n1\t0\t3\t0\t700\t1\r\n");
    const TPlayed p = PlayTool({w, n});
    EXPECT_EQ(p.status, 0) << p.err;
    std::string want = "# sequence 1: " + w + " -> att 1 att 5\n# sequence 2: " + n + " -> no attenuator\n";
    const auto values = WorkedExampleValues();
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (values[k].empty()) continue;
        const int tick = static_cast<int>(k) + 1;
        const std::string time = std::to_string(tick / 10) + "." + std::to_string(tick % 10);
        for (int att : {1, 5})
            want += std::to_string(tick) + "\t" + time + "\tatt" + std::to_string(att) + "\tATT 0 " + values[k] + "\n";
    }
    want += "run length: 62 ticks (6.2 s)\n";
    EXPECT_EQ(p.out, want);
}

TEST(SeqPlay, AllShowsSilentTicksAndLongWaitsArePassedQuickly) {
    TTempFolder dir;
    const auto f = dir.Write("f.sqc", SqcText({2}, {Row(1, ActionStep, 0, 40, 3)}));
    TSeqPlayOptions all;
    all.ShowSilentTicks = true;
    EXPECT_EQ(PlayTool({f}, all).out, "# sequence 1: " + f + " -> att 2\n1\t0.1\tatt2\tATT 0 040\n2\t0.2\t-\n3\t0.3\t-\n"
                                      "run length: 3 ticks (0.3 s)\n");

    const auto longWait = dir.Write("l.sqc", SqcText({1}, {Row(1, ActionNone, 0, 0, INT_MAX), Row(2, ActionReset, 0, 0, 0)}));
    TSeqPlayOptions wide;
    wide.MaxTicks = INT64_MAX;
    const TPlayed p = PlayTool({longWait}, wide);
    EXPECT_EQ(p.status, 0);
    EXPECT_NE(p.out.find("2147483648\t214748364.8\tatt1\tATT 0 935\n"), std::string::npos) << p.out;
    EXPECT_NE(p.out.find("run length: 2147483648 ticks"), std::string::npos);
}

TEST(SeqPlay, RefusesConflictsAndUnreadableFilesAndStopsEndlessRuns) {
    TTempFolder dir;
    const auto a = dir.Write("a.sqc", SqcText({1}, {Row(1, ActionReset, 0, 0, 0)}));
    const auto b = dir.Write("b.sqc", SqcText({1, 2}, {Row(1, ActionReset, 0, 0, 0)}));
    TPlayed p = PlayTool({a, b});
    EXPECT_EQ(p.status, 2);
    EXPECT_NE(p.err.find("Attenuators interferences !"), std::string::npos);
    EXPECT_TRUE(p.out.empty());

    p = PlayTool({dir.Path() + "/nope.sqc"});
    EXPECT_EQ(p.status, 2);
    EXPECT_NE(p.err.find("nope.sqc"), std::string::npos);

    const auto loop = dir.Write("loop.sqc", SqcText({1}, {Row(1, ActionStep, 0, 10, 5), Row(2, ActionGoto, 0, 1, 0)}));
    TSeqPlayOptions limit;
    limit.MaxTicks = 1000;
    p = PlayTool({loop}, limit);
    EXPECT_EQ(p.status, 3);
    EXPECT_NE(p.out.find("run not ended after 1000 ticks (100.0 s)"), std::string::npos) << p.out;
}

}  // namespace

TEST(SeqPlay, PrintsAProfilesTicksInEachAttenuatorsOwnUnit) {
    TTempFolder dir;
    const auto p = dir.Write("p.csv", "time_s,att1,att2\n0,10,20.5\n10,,21\n10.1,12,21\n");
    TSeqPlayOptions options;
    options.Bench[1] = {true, 60};
    const TPlayed played = PlayTool({p}, options);
    EXPECT_EQ(played.status, 0) << played.err;
    EXPECT_EQ(played.out, "# profile 1: " + p +
                              " -> att 1 att 2\n"
                              "1\t0.1\tatt1\tATT 0 010\n1\t0.1\tatt2\tATT 0 205\n"
                              "101\t10.1\tatt2\tATT 0 210\n102\t10.2\tatt1\tATT 0 012\n"
                              "run length: 102 ticks (10.2 s)\n");
    options.Bench[2] = {};
    const TPlayed refused = PlayTool({p}, options);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "seqplay: Profile error. \"" + p +
                               "\", line 1, column 3 (att2): attenuator 2 is not usable (not connected or not "
                               "identified).\n");
}
