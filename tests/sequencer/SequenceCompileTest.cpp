// Compiling action rows into steps, the compact long runs, and the analysis
// of several files into one run.

#include "SequenceTestSupport.h"
#include "link/TovarinProtocol.h"

#include <climits>
#include <random>

namespace {

std::vector<SequenceStep> Steps(const TSequenceScript& s) {
    std::vector<SequenceStep> v;
    for (std::int64_t i = 0; i < s.StepCount(); ++i) v.push_back(s.StepAt(i));
    return v;
}

std::vector<SequenceStep> Compile(const std::vector<TActionRow>& rows) {
    TSequenceScript s;
    for (const auto& r : rows) CompileActionRow(s, r);
    return Steps(s);
}

SequenceStep Set(int line, int v) { return {static_cast<std::uint16_t>(line), StepKind::Set, v, 0, 0}; }
SequenceStep Wait(int line) { return {static_cast<std::uint16_t>(line), StepKind::Wait, 0, 0, 0}; }

// What a ramp sends, tick by tick ("" for a silent tick).
std::vector<std::string> RampTicks(int from, int to, int d) {
    TSequenceScript s;
    CompileActionRow(s, Row(1, ActionRamp, from, to, d));
    std::vector<std::string> out;
    for (Advance(s); !s.Finished; Advance(s)) out.push_back(s.Output);
    return out;
}

TEST(SequenceCompile, RampsOfShortDurationsTakeTwoTicks) {
    for (int d : {-4, 0, 1, 2}) EXPECT_EQ(Compile({Row(7, ActionRamp, 10, 20, d)}), (std::vector{Set(6, 10), Set(6, 20)})) << d;
    // Duration 3: the middle value is From + trunc((To - From) / 2), rounded.
    EXPECT_EQ(Compile({Row(1, ActionRamp, 100, 0, 3)}), (std::vector{Set(0, 100), Set(0, 50), Set(0, 0)}));
    EXPECT_EQ(Compile({Row(1, ActionRamp, 0, 25, 3)}), (std::vector{Set(0, 0), Set(0, 10), Set(0, 25)}));
    EXPECT_EQ(Compile({Row(1, ActionRamp, 0, 4, 3)}), (std::vector{Set(0, 0), Wait(0), Set(0, 5)}));
}

TEST(SequenceCompile, RampValuesAreTruncatedTowardTheStartThenRounded) {
    EXPECT_EQ(RampTicks(0, 100, 6), (std::vector<std::string>{"000", "020", "040", "060", "080", "100"}));
    EXPECT_EQ(RampTicks(0, 10, 6), (std::vector<std::string>{"000", "", "005", "", "010", "010"}));
    EXPECT_EQ(RampTicks(100, 0, 10), (std::vector<std::string>{"100", "090", "080", "065", "055", "045", "035",
                                                               "025", "010", "000"}));
    // Falling: -10/3 x k = -3.33, -6.67 truncate to -3, -6 (toward From).
    EXPECT_EQ(RampTicks(20, 10, 4), (std::vector<std::string>{"020", "015", "", "010"}));
    EXPECT_EQ(Compile({Row(1, ActionRamp, 20, 10, 4)}), (std::vector{Set(0, 20), Set(0, 15), Wait(0), Set(0, 10)}));
}

TEST(SequenceCompile, StepResetNoActionAndUnknownCodes) {
    EXPECT_EQ(Compile({Row(2, ActionStep, 999, 43, 0)}), (std::vector{Set(1, 45)}));
    EXPECT_EQ(Compile({Row(2, ActionStep, 0, 43, 1)}), (std::vector{Set(1, 45)}));
    EXPECT_EQ(Compile({Row(2, ActionStep, 0, 48, 3)}), (std::vector{Set(1, 50), Wait(1), Wait(1)}));
    EXPECT_EQ(Compile({Row(1, ActionReset, 7, 3, 12)}), (std::vector{Set(0, ResetLevel)}));
    EXPECT_EQ(Compile({Row(3, ActionNone, 0, 0, 2)}), (std::vector{Wait(2), Wait(2)}));
    EXPECT_TRUE(Compile({Row(3, ActionNone, 0, 0, 0), Row(4, ActionNone, 0, 0, -3)}).empty());
    EXPECT_TRUE(Compile({Row(3, 6, 0, 0, 5), Row(4, ActionUnset, 0, 10, 5), Row(5, -1, 0, 10, 5)}).empty());
}

TEST(SequenceCompile, JumpsKeepTargetAndCountAndLinesWrapAt16Bits) {
    EXPECT_EQ(Compile({Row(5, ActionGoto, 9, 2, 9)}), (std::vector{SequenceStep{4, StepKind::Goto, 1, 0, 0}}));
    EXPECT_EQ(Compile({Row(5, ActionRepeat, 9, 2, 3)}), (std::vector{SequenceStep{4, StepKind::Repeat, 1, 3, 3}}));
    EXPECT_EQ(Compile({Row(0, ActionReset, 0, 0, 0)}), (std::vector{Set(65535, 935)}));
    EXPECT_EQ(Compile({Row(65538, ActionReset, 0, 0, 0)}), (std::vector{Set(1, 935)}));
    EXPECT_EQ(Compile({Row(INT_MIN, ActionGoto, 0, INT_MIN, 0)}),
              (std::vector{SequenceStep{65535, StepKind::Goto, INT_MIN, 0, 0}}));
}

TEST(SequenceCompile, ValuesBeyondTheWireAreClamped) {
    EXPECT_EQ(Compile({Row(1, ActionStep, 0, -40, 1), Row(2, ActionStep, 0, 5000, 1), Row(3, ActionStep, 0, 998, 1)}),
              (std::vector{Set(0, 0), Set(1, 999), Set(2, 999)}));
    EXPECT_EQ(RampTicks(INT_MIN, INT_MAX, 5), (std::vector<std::string>{"000", "", "", "999", "999"}));
    EXPECT_EQ(RampTicks(INT_MAX, INT_MIN, 3), (std::vector<std::string>{"999", "000", "000"}));
    EXPECT_EQ(WireValue(-2), 0);
    EXPECT_EQ(WireValue(997), 995);
    EXPECT_EQ(WireValue(937), 935);
    EXPECT_EQ(WireValue(938), 940);
    EXPECT_EQ(WireValue(INT64_MAX), 999);
}

TEST(SequenceCompile, FindLineIsTheFirstStepAtOrAfterTheLine) {
    TSequenceScript s;
    CompileActionRow(s, Row(3, ActionStep, 0, 10, 2));   // steps 0,1, line 2
    CompileActionRow(s, Row(9, ActionNone, 0, 0, 0));    // nothing
    CompileActionRow(s, Row(2, ActionReset, 0, 0, 0));   // step 2, line 1 (not sorted)
    CompileActionRow(s, Row(12, ActionRamp, 0, 50, 6));  // steps 3..8, line 11
    EXPECT_EQ(FindLine(s, INT_MIN), 0);
    EXPECT_EQ(FindLine(s, 0), 0);
    EXPECT_EQ(FindLine(s, 1), 0);   // line 2 comes first in list order
    EXPECT_EQ(FindLine(s, 2), 0);
    EXPECT_EQ(FindLine(s, 3), 3);   // over the empty row to line 11
    EXPECT_EQ(FindLine(s, 11), 3);
    EXPECT_EQ(FindLine(s, 12), 9);  // none: the number of steps
    EXPECT_EQ(FindLine(s, 70000), 9);
    EXPECT_EQ(s.StepCount(), 9);
}

TEST(SequenceCompile, HugeDurationsStayCompactAndExact) {
    TSequenceScript s;
    CompileActionRow(s, Row(1, ActionNone, 0, 0, INT_MAX));
    CompileActionRow(s, Row(2, ActionStep, 0, 100, INT_MAX));
    CompileActionRow(s, Row(3, ActionRamp, 0, 999, INT_MAX));
    CompileActionRow(s, Row(4, ActionReset, 0, 0, 0));
    const std::int64_t m = INT_MAX;
    EXPECT_EQ(s.StepCount(), m + m + m + 1);
    EXPECT_EQ(s.FindLine(2), 2 * m);
    EXPECT_EQ(s.FindLine(3), 3 * m);
    EXPECT_EQ(s.StepAt(m - 1), Wait(0));
    EXPECT_EQ(s.StepAt(m), Set(1, 100));
    EXPECT_EQ(s.StepAt(2 * m - 1), Wait(1));
    EXPECT_EQ(s.StepAt(2 * m), Set(2, 0));
    EXPECT_EQ(s.StepAt(3 * m - 1), Set(2, 999));  // the end value rounds to 1000, clamped
    EXPECT_EQ(s.StepAt(3 * m), Set(3, 935));
    // Deep inside the ramp: the first step whose offset reaches 503 sends 505,
    // the one before it waits at 500. Inner step k has index 2m + k.
    const double slope = 999.0 / static_cast<double>(m - 1);
    std::int64_t k = static_cast<std::int64_t>(503 / slope) - 3;
    while (static_cast<std::int64_t>(slope * static_cast<double>(k)) < 503) ++k;
    EXPECT_EQ(s.StepAt(2 * m + k), Set(2, 505));
    EXPECT_EQ(s.StepAt(2 * m + k - 1), Wait(2));
    // Executing there gives the same: jump close to it and advance.
    s.Position = 2 * m + k - 1;
    Advance(s);
    EXPECT_EQ(s.Output, "");
    Advance(s);
    EXPECT_EQ(s.Output, "505");
}

// The straightforward expansion of rows into steps, for cross-checking the
// compact form on small durations.
std::vector<SequenceStep> Expand(const std::vector<TActionRow>& rows) {
    std::vector<SequenceStep> v;
    for (const auto& r : rows) {
        const auto line = static_cast<std::uint16_t>(r.Num - 1);
        auto add = [&](StepKind k, int value, int count) { v.push_back({line, k, value, count, count}); };
        if (r.Action == ActionNone) {
            for (int i = 0; i < r.Duration; ++i) add(StepKind::Wait, 0, 0);
        } else if (r.Action == ActionReset) {
            add(StepKind::Set, 935, 0);
        } else if (r.Action == ActionRamp) {
            int prev = RoundToHalfStep(r.From);
            add(StepKind::Set, prev, 0);
            for (int k = 1; k <= r.Duration - 2; ++k) {
                const double x = static_cast<double>(r.To - r.From) / (r.Duration - 1) * k;
                const int value = RoundToHalfStep(r.From + static_cast<int>(x));
                if (value == prev) add(StepKind::Wait, 0, 0); else add(StepKind::Set, value, 0);
                prev = value;
            }
            add(StepKind::Set, RoundToHalfStep(r.To), 0);
        } else if (r.Action == ActionStep) {
            add(StepKind::Set, RoundToHalfStep(r.To), 0);
            for (int i = 0; i < r.Duration - 1; ++i) add(StepKind::Wait, 0, 0);
        } else if (r.Action == ActionGoto) {
            add(StepKind::Goto, r.To - 1, 0);
        } else if (r.Action == ActionRepeat) {
            add(StepKind::Repeat, r.To - 1, r.Duration);
        }
    }
    return v;
}

TEST(SequenceCompile, CompactStepsMatchTheExpandedListOnRandomRows) {
    std::mt19937 rng(12345);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<TActionRow> rows;
        const int n = 1 + static_cast<int>(rng() % 8);
        for (int i = 1; i <= n; ++i) {
            const int action = static_cast<int>(rng() % 6);
            rows.push_back(Row(i, action, static_cast<int>(rng() % 996), static_cast<int>(rng() % 996),
                               static_cast<int>(rng() % 40) - 3));
        }
        const auto expected = Expand(rows);
        TSequenceScript s;
        for (const auto& r : rows) CompileActionRow(s, r);
        ASSERT_EQ(Steps(s), expected) << "trial " << trial;
        for (int t = -1; t <= n + 1; ++t) {
            std::int64_t want = static_cast<std::int64_t>(expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i)
                if (expected[i].Line >= t) { want = static_cast<std::int64_t>(i); break; }
            ASSERT_EQ(s.FindLine(t), want) << "trial " << trial << " target " << t;
        }
    }
}

// --- Attenuator claims and the analysis of several files ---

TEST(SequenceAnalysis, ClaimsTakeFreeAttenuatorsAndReportTakenOnes) {
    TBaieScripts assignment;
    TSequenceScript a, b;
    EXPECT_TRUE(ClaimAttenuators(assignment, &a, " att1 att1 att3"));  // named twice, claimed once
    EXPECT_FALSE(ClaimAttenuators(assignment, &b, " att2 att3 att4"));
    EXPECT_EQ(assignment.Slot(1), &a);
    EXPECT_EQ(assignment.Slot(2), &b);  // free ones are still claimed
    EXPECT_EQ(assignment.Slot(3), &a);
    EXPECT_EQ(assignment.Slot(4), &b);
    EXPECT_EQ(assignment.Slot(5), nullptr);
    EXPECT_EQ(assignment.Slot(0), nullptr);
    EXPECT_EQ(assignment.Slot(9), nullptr);
}

TEST(SequenceAnalysis, FilesAreCompiledInOrderOntoTheirAttenuators) {
    TTempFolder dir;
    const auto f1 = dir.Write("one.sqc", SqcText({1, 5}, {Row(1, ActionReset, 0, 0, 0)}));
    const auto f2 = dir.Write("none.sqc", "ACTIONS\r\n1\t0\t3\t0\t200\t1\r\n");  // no attenuator section
    const auto f3 = dir.Write("two.sqc", SqcText({2}, {Row(1, ActionStep, 0, 300, 2)}));
    TSequenceAnalysis a = AnalyzeSequences({f1, f2, f3});
    ASSERT_TRUE(a.Ok()) << a.Error;
    ASSERT_EQ(a.Scripts.size(), 3u);
    EXPECT_EQ(a.Assignment.Slot(1), a.Scripts[0].get());
    EXPECT_EQ(a.Assignment.Slot(5), a.Scripts[0].get());
    EXPECT_EQ(a.Assignment.Slot(2), a.Scripts[2].get());
    for (int att : {3, 4, 6, 7, 8}) EXPECT_EQ(a.Assignment.Slot(att), nullptr);
    EXPECT_EQ(Steps(*a.Scripts[1]), (std::vector{Set(0, 200)}));
    EXPECT_EQ(Steps(*a.Scripts[2]), (std::vector{Set(0, 300), Wait(0)}));
}

TEST(SequenceAnalysis, ConflictsBetweenFilesAndWithinOneFileRefuseTheRun) {
    TTempFolder dir;
    const auto a = dir.Write("a.sqc", SqcText({1}, {Row(1, ActionReset, 0, 0, 0)}));
    const auto b = dir.Write("b.sqc", SqcText({2, 3}, {Row(1, ActionReset, 0, 0, 0)}));
    const auto c = dir.Write("c.sqc", SqcText({3}, {Row(1, ActionReset, 0, 0, 0)}));
    const auto twice = dir.Write("twice.sqc", "ATTS SELECTED\r\n att4\r\nACTIONS\r\n1\t0\t1\t0\t0\t0\r\nATTS\r\natt4\r\n");
    const auto tens = dir.Write("tens.sqc", "ATTS SELECTED\r\n att10\r\n");

    EXPECT_TRUE(AnalyzeSequences({a, b}).Ok());
    for (const auto& files : std::vector<std::vector<std::string>>{{a, b, c}, {twice}, {a, tens}}) {
        TSequenceAnalysis r = AnalyzeSequences(files);
        EXPECT_EQ(r.Result, TAnalysisResult::Conflict);
        EXPECT_EQ(r.Error, "Attenuators interferences !");
        EXPECT_TRUE(r.Scripts.empty());
        for (int att = 1; att <= 8; ++att) EXPECT_EQ(r.Assignment.Slot(att), nullptr);
    }
}

TEST(SequenceAnalysis, ConflictStopsBeforeAnyLaterFileIsRead) {
    TTempFolder dir;
    const auto a = dir.Write("a.sqc", SqcText({1}, {}));
    const auto b = dir.Write("b.sqc", SqcText({1}, {}));
    // A later file that does not exist would fail differently if it were read.
    EXPECT_EQ(AnalyzeSequences({a, b, dir.Path() + "/gone.sqc"}).Result, TAnalysisResult::Conflict);
    EXPECT_EQ(AnalyzeSequences({a, dir.Path() + "/gone.sqc", b}).Result, TAnalysisResult::FileError);
}

TEST(SequenceAnalysis, UnreadableFileAbortsWithItsNameAndNothingBuilt) {
    TTempFolder dir;
    const auto a = dir.Write("a.sqc", SqcText({1}, {Row(1, ActionReset, 0, 0, 0)}));
    const std::string gone = dir.Path() + "/no such sequence.sqc";
    TSequenceAnalysis r = AnalyzeSequences({a, gone});
    EXPECT_EQ(r.Result, TAnalysisResult::FileError);
    EXPECT_EQ(r.Error.rfind("Cannot open file \"" + gone + "\".", 0), 0u) << r.Error;
    EXPECT_TRUE(r.Scripts.empty());
    EXPECT_EQ(r.Assignment.Slot(1), nullptr);
}

}  // namespace
