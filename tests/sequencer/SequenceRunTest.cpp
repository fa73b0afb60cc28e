// Playing compiled sequences tick by tick: the values each attenuator is
// sent, jumps and repeats, jump cycles, and the tick schedule.

#include "SequenceTestSupport.h"
#include "link/TovarinProtocol.h"

#include <climits>
#include <random>

namespace {

using Values = std::vector<std::string>;

Values Play(const std::vector<TActionRow>& rows, std::size_t maxTicks = 100000) {
    TTempFolder dir;
    return PlayFiles({dir.Write("s.sqc", SqcText({1}, rows))}, maxTicks).Values(1);
}

Values Silent(int n) { return Values(static_cast<std::size_t>(n), ""); }
Values Join(std::initializer_list<Values> parts) {
    Values v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

TEST(SequenceRun, WorkedExampleTickByTick) {
    const Values got = Play(WorkedExampleRows());
    EXPECT_EQ(got.size(), 62u);  // tick 63 finds the sequence finished and delivers nothing
    EXPECT_EQ(got, WorkedExampleValues());
}

TEST(SequenceRun, RepeatWithCountZeroRunsOnceAndCostsOneSilentTick) {
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 100, 1), Row(2, ActionRepeat, 0, 1, 0), Row(3, ActionStep, 0, 200, 1)}),
              (Values{"100", "", "200"}));
}

TEST(SequenceRun, RepeatIsReArmedForEveryPassOfAnOuterLoop) {
    // Rows 1-2 run 2 times per pass of the outer loop; the outer loop runs twice.
    const Values got = Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionRepeat, 0, 1, 1), Row(3, ActionStep, 0, 20, 1),
                             Row(4, ActionRepeat, 0, 1, 1)});
    const Values pass = {"010", "010", "", "020"};
    EXPECT_EQ(got, Join({pass, pass, Silent(1)}));
}

TEST(SequenceRun, GotoSkipsRowsWithoutLosingATick) {
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionGoto, 0, 5, 0), Row(3, ActionStep, 0, 30, 1),
                    Row(4, ActionStep, 0, 40, 1), Row(5, ActionStep, 0, 50, 2)}),
              (Values{"010", "050", ""}));
    // A target row without steps continues at the next row that has some; a
    // target past the last row ends the sequence.
    EXPECT_EQ(Play({Row(1, ActionGoto, 0, 2, 0), Row(2, ActionNone, 0, 0, 0), Row(3, ActionStep, 0, 30, 1)}),
              (Values{"030"}));
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionGoto, 0, 9, 0), Row(3, ActionStep, 0, 30, 1)}),
              (Values{"010"}));
}

TEST(SequenceRun, GotoCyclesEndTheSequenceInsteadOfHanging) {
    // A goto onto its own row.
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 2), Row(2, ActionGoto, 0, 2, 0), Row(3, ActionStep, 0, 30, 1)}),
              (Values{"010", ""}));
    // A backward goto over rows that produce nothing.
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionNone, 0, 0, 0), Row(3, ActionGoto, 0, 2, 0)}),
              (Values{"010"}));
    // Two gotos pointing at each other, reached after a repeat jump.
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionRepeat, 0, 1, 1), Row(3, ActionGoto, 0, 4, 0),
                    Row(4, ActionGoto, 0, 3, 0)}),
              (Values{"010", "010", ""}));
    // A goto back to a row that takes a tick is an endless loop that keeps sending.
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionStep, 0, 20, 1), Row(3, ActionGoto, 0, 1, 0)}, 7),
              (Values{"010", "020", "010", "020", "010", "020", "010"}));
}

TEST(SequenceRun, RepeatOntoItsOwnRowIsBoundedByItsCount) {
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionRepeat, 0, 2, 3), Row(3, ActionStep, 0, 20, 1)}),
              (Values{"010", "", "020"}));
    // Even with the largest count the tick's work stays small.
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionRepeat, 0, 2, INT_MAX), Row(3, ActionStep, 0, 20, 1)}),
              (Values{"010", "", "020"}));
    // Two repeats that jump to each other without a tick between them.
    EXPECT_EQ(Play({Row(1, ActionStep, 0, 10, 1), Row(2, ActionRepeat, 0, 3, 1000000000),
                    Row(3, ActionRepeat, 0, 2, 2000000000), Row(4, ActionStep, 0, 40, 1)}),
              (Values{"010", "", "", "040"}));
}

TEST(SequenceRun, SequencesSideBySideAndOneSequenceOnTwoAttenuators) {
    TTempFolder dir;
    const auto a = dir.Write("a.sqc", SqcText({1, 5}, {Row(1, ActionReset, 0, 0, 0), Row(2, ActionRamp, 0, 20, 4)}));
    const auto b = dir.Write("b.sqc", SqcText({2}, {Row(1, ActionStep, 0, 300, 7), Row(2, ActionStep, 0, 400, 1)}));
    const TTimeline t = PlayFiles({a, b});
    EXPECT_EQ(t.ticks.size(), 8u);  // as long as the longer one
    EXPECT_EQ(t.Values(1), (Values{"935", "000", "005", "015", "020", "", "", ""}));
    EXPECT_EQ(t.Values(5), t.Values(1));
    EXPECT_EQ(t.Values(2), (Values{"300", "", "", "", "", "", "", "400"}));
    for (int att : {3, 4, 6, 7, 8}) EXPECT_EQ(t.Values(att), Silent(8));
    EXPECT_EQ(t.ticks[0][0], "ATT 0 935");
}

TEST(SequenceRun, RunsWithoutAnythingToPlayEndAtTheFirstTick) {
    TTempFolder dir;
    const auto empty = dir.Write("e.sqc", SqcText({3}, {Row(1, ActionNone, 0, 0, 0), Row(2, ActionNone, 0, 0, 0)}));
    const auto unassigned = dir.Write("u.sqc", "ACTIONS\r\n1\t0\t3\t0\t100\t50\r\n");
    EXPECT_TRUE(PlayFiles({empty}).ticks.empty());
    EXPECT_TRUE(PlayFiles({unassigned}).ticks.empty());  // sends nothing, keeps nothing alive
    EXPECT_TRUE(PlayFiles({empty, unassigned}).ticks.empty());
}

// Attenuator 1 set at ticks 1 and 81, attenuator 2 at tick 66, silent
// otherwise.
TSequenceRun SparseRun(const TTempFolder& dir) {
    const auto a = dir.Write("a.sqc", SqcText({1}, {Row(1, ActionStep, 0, 10, 50), Row(2, ActionNone, 0, 0, 30),
                                                     Row(3, ActionStep, 0, 20, 1)}));
    const auto b = dir.Write("b.sqc", SqcText({2}, {Row(1, ActionNone, 0, 0, 65), Row(2, ActionStep, 0, 30, 1)}));
    TSequenceAnalysis an = AnalyzeSequences({a, b});
    EXPECT_TRUE(an.Ok());
    return TSequenceRun(std::move(an.Scripts), an.Assignment);
}

TEST(SequenceRun, SkippingSilentTicksLandsWhereSteppingDoes) {
    TTempFolder dir;
    TSequenceRun run = SparseRun(dir);
    std::vector<std::pair<std::int64_t, std::string>> sent;
    std::int64_t tick = 0;
    while (run.Step()) {
        ++tick;
        for (int att = 1; att <= 2; ++att)
            if (!run.Command(att).empty()) sent.emplace_back(tick, std::to_string(att) + run.Command(att));
        const std::int64_t skip = run.SilentTicksAhead();
        run.SkipSilentTicks(skip);
        tick += skip;
    }
    EXPECT_EQ(sent, (std::vector<std::pair<std::int64_t, std::string>>{
                        {1, "1ATT 0 010"}, {66, "2ATT 0 030"}, {81, "1ATT 0 020"}}));
    EXPECT_EQ(tick, 81);
}

TEST(SequenceRun, SteppingOverTicksSendsTheLatestValueOfEachAttenuator) {
    TTempFolder dir;
    TSequenceRun run = SparseRun(dir);
    // Ticks 1..3 hold attenuator 1's first set; 4..73 attenuator 2's;
    // 74..173 attenuator 1's second, and the run ends among them.
    const struct {
        std::int64_t ticks;
        bool going;
        std::string att1, att2;
    } cases[] = {{3, true, "ATT 0 010", ""},
                 {70, true, "", "ATT 0 030"},
                 {100, true, "ATT 0 020", ""},
                 {1, false, "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(run.StepOver(c.ticks), c.going) << c.ticks;
        EXPECT_EQ(run.Command(1), c.att1) << c.ticks;
        EXPECT_EQ(run.Command(2), c.att2) << c.ticks;
    }
}

// The jump rules written out plainly on a fully expanded list, with the
// cycle rule counted as "Goto" jumps since the last "Repeat" jump.
struct TPlainScript {
    std::vector<SequenceStep> steps;
    std::size_t pos = 0;
    bool finished = false;
    std::size_t Find(int target) const {
        for (std::size_t i = 0; i < steps.size(); ++i)
            if (steps[i].Line >= target) return i;
        return steps.size();
    }
    std::string Tick() {
        std::size_t gotos = 0;
        for (;;) {
            if (pos >= steps.size()) { finished = true; return ""; }
            SequenceStep& s = steps[pos];
            if (s.Kind == StepKind::Wait) { ++pos; return ""; }
            if (s.Kind == StepKind::Set) { ++pos; return FormatAttValue(s.Value); }
            if (s.Kind == StepKind::Goto) {
                if (++gotos > steps.size()) { pos = steps.size(); finished = true; return ""; }
                pos = Find(s.Value);
            } else if (s.Counter <= 0) {
                s.Counter = s.Count;
                ++pos;
                return "";
            } else {
                --s.Counter;
                gotos = 0;
                pos = Find(s.Value);
            }
        }
    }
};

TEST(SequenceRun, JumpsMatchThePlainRulesOnRandomSequences) {
    std::mt19937 rng(777);
    for (int trial = 0; trial < 400; ++trial) {
        TSequenceScript script;
        TPlainScript plain;
        const int rows = 2 + static_cast<int>(rng() % 7);
        for (int i = 1; i <= rows; ++i) {
            const int pick = static_cast<int>(rng() % 10);
            const int action = pick < 3 ? ActionGoto : pick < 6 ? ActionRepeat : pick - 6;  // 0..3 otherwise
            const TActionRow row = Row(i, action, static_cast<int>(rng() % 200), 1 + static_cast<int>(rng() % (rows + 1)),
                                       static_cast<int>(rng() % 4));
            CompileActionRow(script, row);
            // The plain list is built by the compiler one step at a time.
            TSequenceScript one;
            CompileActionRow(one, row);
            for (std::int64_t k = 0; k < one.StepCount(); ++k) plain.steps.push_back(one.StepAt(k));
        }
        for (int tick = 0; tick < 300 && !plain.finished; ++tick) {
            const std::string want = plain.Tick();
            Advance(script);
            ASSERT_EQ(script.Finished, plain.finished) << "trial " << trial << " tick " << tick;
            if (!plain.finished) {
                ASSERT_EQ(script.Output, want) << "trial " << trial << " tick " << tick;
            }
        }
    }
}

TEST(TickSchedule, DeadlinesDoNotDriftAndLateTicksDoNotBurst) {
    using namespace std::chrono;
    const TTickSchedule::Clock::time_point t0{};
    TTickSchedule s(t0, milliseconds(100));
    EXPECT_EQ(s.Deadline(), t0 + milliseconds(100));
    // Delivered a little late each time: the next deadline keeps its place.
    s.Next(t0 + milliseconds(103));
    EXPECT_EQ(s.Deadline(), t0 + milliseconds(200));
    s.Next(t0 + milliseconds(290));  // 90 ms late: the next tick is due 10 ms later
    EXPECT_EQ(s.Deadline(), t0 + milliseconds(300));
    s.Next(t0 + milliseconds(400));  // exactly one period lost: still keeps it
    EXPECT_EQ(s.Deadline(), t0 + milliseconds(400));
    EXPECT_EQ(s.Rebased(), 0);
    // More than a whole period lost: go on from now, one period later.
    s.Next(t0 + milliseconds(950));
    EXPECT_EQ(s.Deadline(), t0 + milliseconds(1050));
    EXPECT_EQ(s.Rebased(), 1);
    s.Next(t0 + milliseconds(1051));
    EXPECT_EQ(s.Deadline(), t0 + milliseconds(1150));
}

TEST(TickSchedule, AGridScheduleSkipsWhatItMissedAndStaysOnItsGrid) {
    using namespace std::chrono;
    const TTickSchedule::Clock::time_point t0{};
    TTickSchedule s(t0, milliseconds(100), TTickSchedule::TLate::KeepGrid);
    const struct {
        int deliveredAt, skipped, nextDue;
    } cases[] = {{103, 0, 200},   // a little late: the grid holds, as in a free schedule
                 {390, 0, 300},   // 190 ms late: the next grid tick is due, delivered at once
                 {950, 5, 900},   // 650 ms late: 400..800 are skipped, 900 has come
                 {901, 0, 1000}};
    for (const auto& c : cases) {
        EXPECT_EQ(s.Next(t0 + milliseconds(c.deliveredAt)), c.skipped) << c.deliveredAt;
        EXPECT_EQ(s.Deadline(), t0 + milliseconds(c.nextDue)) << c.deliveredAt;
    }
    EXPECT_EQ(s.Skipped(), 5);
    EXPECT_EQ(s.Rebased(), 0);
}

}  // namespace
