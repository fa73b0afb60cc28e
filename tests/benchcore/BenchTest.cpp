// The bench core without any window against simulated attenuators: the
// hand path (rounding, the verified set, the read-back), parking (two
// verified sets at the common maximum in each attenuator's unit), and a
// reconfiguration that reconnects only the links whose target changed.

#include "benchcore/Bench.h"
#include "benchcore/BenchRemote.h"
#include "tests/testsupport/FastLinkTimings.h"
#include "tests/testsupport/TestSupport.h"
#include "tools/simulator/RackSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Records what the bench tells its observers.
struct TRecorder : TBenchObserver {
    std::vector<std::pair<int, TSetOutcome>> ends;
    int parkingEnded = 0;
    void SetEnded(int n, const TSetOutcome& outcome) override { ends.emplace_back(n, outcome); }
    void ParkingEnded() override { ++parkingEnded; }
};

class BenchTest : public ::testing::Test {
protected:
    // Attenuators 1..maxima.size() of one simulated rack, with those maxima.
    void StartRack(const std::vector<int>& maxima, std::array<bool, 4> enabled) {
        ip = TRackSimulator::FreeLoopbackAddress(10001, 4);
        for (size_t k = 0; k < maxima.size(); ++k) {
            TSimAttenuator a;
            a.ip = ip;
            a.port = 10001 + static_cast<int>(k);
            a.maxAtt = maxima[k];
            a.name = "AT" + std::to_string(k + 1);
            a.attenuation = 100;
            atts.push_back(sim.Add(a));
        }
        sim.Start();
        bench.AddObserver(&recorder);
        ASSERT_TRUE(bench.ApplyConfiguration(Config(enabled), "/bench.cfg").Applied());
        bench.Start();
    }
    RackConfiguration Config(std::array<bool, 4> enabled) const {
        RackConfiguration c = RackConfiguration::Defaults();
        c.Racks[0].IPAddress = ip;
        for (int k = 0; k < 4; ++k) c.Racks[0].AttEnabled[k] = enabled[k];
        return c;
    }
    // count attenuators usable, each with its first value read back.
    bool Usable(int count) {
        return WaitUntil([&] {
            for (int n = 1; n <= count; ++n)
                if (!bench.BoxState(n).Value) return false;
            return bench.ReadyCount() == count && bench.ConfiguredCount() == count;
        });
    }
    // Lines of attenuator att received so far that start with "ATT".
    std::vector<std::string> AttLines(int att) const {
        std::vector<std::string> lines;
        for (const auto& l : sim.Lines(att))
            if (l.line.rfind("ATT", 0) == 0) lines.push_back(l.line);
        return lines;
    }
    void TearDown() override { bench.RemoveObserver(&recorder); }

    TRackSimulator sim;
    std::string ip;
    std::vector<int> atts;
    TRecorder recorder;
    TBench bench{FastTimings()};
};

TEST_F(BenchTest, HandSetsAreRoundedVerifiedAndReadBack) {
    StartRack({935, 63}, {true, true, false, false});
    TBenchRemote remote(bench);
    ASSERT_TRUE(Usable(2));
    EXPECT_EQ(bench.CommonMaxAtt(), 63);
    EXPECT_TRUE(bench.BoxState(1).Decimal);
    EXPECT_FALSE(bench.BoxState(2).Decimal);
    // Nothing but queries went out at start.
    EXPECT_TRUE(AttLines(atts[0]).empty());

    struct Case {
        int box;
        std::string dB;
        std::string wire;  // what reaches the attenuator
        std::string shown;  // read back, as the box shows it
    } cases[] = {
        {1, "57.3", "ATT 0 575", "57.5"},
        {1, "57.2", "ATT 0 570", "57.0"},
        {1, "57.8", "ATT 0 580", "58.0"},
        {2, "13", "ATT 0 013", "13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dB);
        recorder.ends.clear();
        const TRemoteSetResult result = remote.Core().SetAttenuation(c.box, c.dB);
        ASSERT_FALSE(result.Refusal) << result.Refusal->Message;
        EXPECT_EQ(result.Sent, c.shown);
        ASSERT_TRUE(WaitUntil([&] { return !recorder.ends.empty(); }));
        EXPECT_EQ(recorder.ends[0].first, c.box);
        EXPECT_EQ(recorder.ends[0].second.Serial, result.Set.Serial);
        EXPECT_TRUE(recorder.ends[0].second.Confirmed());
        EXPECT_EQ(AttLines(atts[c.box - 1]).back(), c.wire);
        EXPECT_EQ(remote.Core().Attenuation(c.box).Text, c.shown);
        // The read-back followed the set on the wire.
        EXPECT_EQ(sim.Lines(atts[c.box - 1]).back().line, "STA?");
    }
    EXPECT_EQ(remote.Core().Name(1).Text, "AT1");

    // A run of a file that cannot be read is refused with the reason.
    std::optional<std::optional<TRemoteRefusal>> answer;
    remote.Core().RunSequences({"/nonexistent/a.sqc"}, [&](std::optional<TRemoteRefusal> r) { answer = r; });
    ASSERT_TRUE(WaitUntil([&] { return answer.has_value(); }));
    ASSERT_TRUE(*answer);
    EXPECT_EQ((*answer)->Kind, TRemoteRefusalKind::Failed);
    EXPECT_NE((*answer)->Message.find("/nonexistent/a.sqc"), std::string::npos) << (*answer)->Message;
    EXPECT_FALSE(bench.Runs().Busy());
}

TEST_F(BenchTest, ParkingSendsTwoVerifiedSetsAtTheCommonMaximumThenHoldsInput) {
    StartRack({935, 63, 935}, {true, true, true, false});
    TBenchRemote remote(bench);
    ASSERT_TRUE(Usable(3));
    sim.ClearLines();
    bool done = false;
    bench.Park([&] { done = true; });
    EXPECT_TRUE(bench.HoldsInput());
    ASSERT_TRUE(WaitUntil([&] { return done; }, 5000));
    EXPECT_TRUE(bench.Parked());
    EXPECT_EQ(recorder.parkingEnded, 1);
    // A 63 dB attenuator beside 93.5 dB ones: every one parks at 63 dB, each
    // in its own unit, twice, each set read back.
    const std::string level[] = {"ATT 0 630", "ATT 0 063", "ATT 0 630"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(AttLines(atts[i]), (std::vector<std::string>{level[i], level[i]}));
        std::vector<std::string> wire;
        for (const auto& l : sim.Lines(atts[i])) wire.push_back(l.line);
        EXPECT_EQ(wire, (std::vector<std::string>{level[i], "STA?", level[i], "STA?"}));
    }
    EXPECT_EQ(std::count_if(recorder.ends.begin(), recorder.ends.end(),
                            [](const auto& e) { return e.second.Confirmed(); }),
              6);
    // From then on nothing else goes out.
    const TRemoteSetResult refused = remote.Core().SetAttenuation(1, "10");
    ASSERT_TRUE(refused.Refusal);
    EXPECT_EQ(refused.Refusal->Kind, TRemoteRefusalKind::Conflict);
    EXPECT_EQ(bench.SetByHand(1, 100), 0u);
    bench.RequestLinkRefresh(1);
    PumpEvents(200);
    EXPECT_EQ(AttLines(atts[0]).size(), 2u);
    EXPECT_EQ(sim.Accepted(atts[0]), 1);
}

TEST_F(BenchTest, ReconfigurationReconnectsOnlyChangedTargets) {
    StartRack({935, 935, 935, 935}, {true, true, true, false});
    ASSERT_TRUE(Usable(3));
    // Att 2 out: Att 1 keeps its slot, Att 3 moves into slot 2, slot 3 empties.
    TBenchConfigResult result = bench.ApplyConfiguration(Config({true, false, true, true}), "/b.cfg");
    ASSERT_TRUE(result.Applied());
    EXPECT_EQ(result.Reconnected, (std::vector<int>{2, 3}));
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(atts[3]) == 1 && sim.Accepted(atts[2]) == 2 && sim.OpenConnections(atts[1]) == 0; }));
    ASSERT_TRUE(Usable(3));
    EXPECT_EQ(sim.Accepted(atts[0]), 1);  // never dropped
    EXPECT_EQ(sim.Accepted(atts[2]), 2);  // slot 3 -> slot 2, so reconnected once
    EXPECT_EQ(bench.Slots().ConfigFile(), "/b.cfg");

    // A configuration that fails a rule changes nothing.
    RackConfiguration bad = Config({true, true, true, true});
    bad.Racks[1].AttEnabled[0] = true;  // an attenuator in a rack without IP
    result = bench.ApplyConfiguration(bad, "/bad.cfg");
    EXPECT_EQ(result.Errors, (std::vector<std::string>{AttsHaveIPMessage}));
    EXPECT_EQ(bench.Slots().ConfigFile(), "/b.cfg");
    EXPECT_EQ(bench.ConfiguredCount(), 3);

    // The same configuration again reconnects nothing.
    result = bench.ApplyConfiguration(Config({true, false, true, true}), "/b.cfg");
    EXPECT_TRUE(result.Reconnected.empty());
    PumpEvents(300);
    EXPECT_EQ(sim.Accepted(atts[0]), 1);
    EXPECT_EQ(sim.Accepted(atts[2]), 2);
}

}  // namespace
