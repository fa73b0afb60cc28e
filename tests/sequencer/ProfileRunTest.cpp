// Profiles over real links to the rack simulator: beside a sequence, each
// value on its tick and in its attenuator's own unit; and a recorded run
// replayed as a profile.

#include "SequenceTestSupport.h"
#include "SimulatorRunSupport.h"
#include "tests/testsupport/TestSupport.h"
#include "sequencer/ProfileFile.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequenceCompiler.h"

#include <map>

namespace {

using TPosted = std::map<int, std::array<std::string, 8>>;  // tick -> commands, ticks that sent

// A bench of simulated attenuators with the given maxima on a loopback
// address of its own, and links to each, identified.
struct TBench {
    explicit TBench(const std::vector<int>& maxima) {
        ip = TRackSimulator::FreeLoopbackAddress(10001, static_cast<int>(maxima.size()));
        for (std::size_t k = 0; k < maxima.size(); ++k) {
            TSimAttenuator a;
            a.ip = ip;
            a.port = 10001 + static_cast<int>(k);
            a.maxAtt = maxima[k];
            sim.Add(a);
        }
        sim.Start();
        d.Connect(ip, static_cast<int>(maxima.size()));
        EXPECT_TRUE(WaitUntil([&] { return d.ready.size() >= maxima.size(); }, 20000));
        sim.ClearLines();
    }
    ~TBench() {
        for (auto& link : d.owned) link.reset();
        sim.Stop();
    }
    // What a run reads profiles for: each link's attenuator as it identified.
    TProfileBench Profiles() const {
        TProfileBench bench;
        for (std::size_t k = 0; k < d.links.size(); ++k) bench[k + 1] = {true, d.links[k]->MaxAtt()};
        return bench;
    }
    // Runs files to the end through delivery (d, or one wrapping it); the
    // ticks that sent something.
    TPosted Run(const std::vector<std::string>& files, TSequencerDelivery* delivery = nullptr) {
        TSequenceAnalysis a = AnalyzeSequences(files, Profiles());
        EXPECT_TRUE(a.Ok()) << a.Error;
        d.posted.clear();
        bool ended = false;
        TSequencerThread engine(delivery ? *delivery : d, TSequenceRun(std::move(a.Scripts), a.Assignment));
        engine.SetOnTerminate([&] { ended = true; });
        engine.Start();
        EXPECT_TRUE(WaitUntil([&] { return ended; }, 30000));
        TPosted sent;
        for (std::size_t t = 0; t < d.posted.size(); ++t)
            for (int att = 1; att <= 8; ++att)
                if (!d.posted[t][att - 1].empty()) sent[static_cast<int>(t) + 1][att - 1] = d.posted[t][att - 1];
        return sent;
    }
    // Waits for every posted command to reach the simulator, then checks
    // that each attenuator received exactly them, in order, a tick apart
    // where they were posted a tick apart (within one tick).
    void ExpectReceived(const TPosted& sent) {
        for (std::size_t k = 0; k < d.links.size(); ++k) {
            std::vector<std::pair<int, std::string>> want;
            for (const auto& [tick, commands] : sent)
                if (!commands[k].empty()) want.emplace_back(tick, commands[k]);
            WaitUntil([&] { return ReceivedCommands(sim, static_cast<int>(k)).size() >= want.size(); }, 5000);
            PumpEvents(150);  // nothing more may arrive
            const std::vector<TSimLine> got = ReceivedCommands(sim, static_cast<int>(k));
            ASSERT_EQ(got.size(), want.size()) << "attenuator " << k + 1;
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].line, want[i].second) << "attenuator " << k + 1 << ", tick " << want[i].first;
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(got[i].time - got[0].time);
                EXPECT_NEAR(static_cast<double>(ms.count()), (want[i].first - want[0].first) * 100.0, 100.0)
                    << "attenuator " << k + 1 << ", tick " << want[i].first;
            }
        }
        sim.ClearLines();
    }

    TRackSimulator sim;
    TLinkDelivery d;
    std::string ip;
};

TEST(ProfileRun, PlaysBesideASequenceEachValueOnItsTickInItsAttenuatorsUnit) {
    // Attenuator 1 counts tenths (sequence), 2 whole dB and 3 tenths (profile).
    TBench bench({935, 63, 935});
    TTempFolder dir;
    const auto sqc = dir.Write("s.sqc", SqcText({1}, {Row(1, ActionReset, 0, 0, 0), Row(2, ActionRamp, 0, 100, 4)}));
    const auto profile = dir.Write("p.csv", "time_s;att2;att3\r\n0;10;10\r\n0.2;;12.5\r\n0.3;63;\r\n0.5;0;0\r\n");
    const TPosted sent = bench.Run({sqc, profile});
    const TPosted want = {
        {1, {"ATT 0 935", "ATT 0 010", "ATT 0 100"}},
        {2, {"ATT 0 000"}},
        {3, {"ATT 0 035", "", "ATT 0 125"}},
        {4, {"ATT 0 065", "ATT 0 063"}},
        {5, {"ATT 0 100"}},
        {6, {"", "ATT 0 000", "ATT 0 000"}},
    };
    EXPECT_EQ(sent, want);
    bench.ExpectReceived(sent);
}

TEST(ProfileRun, ARecordedRunReplaysWithTheSameValuesOnTheSameRelativeTicks) {
    TBench bench({935, 60});
    TTempFolder dir;
    // Silent ticks first, a value sent twice, both attenuators on one tick.
    const auto a = dir.Write("a.sqc", SqcText({1}, {Row(1, ActionNone, 0, 0, 3), Row(2, ActionStep, 0, 200, 2),
                                                    Row(3, ActionRamp, 300, 250, 4), Row(4, ActionRepeat, 0, 2, 1)}));
    const auto b = dir.Write("b.sqc", SqcText({2}, {Row(1, ActionStep, 0, 40, 4), Row(2, ActionStep, 0, 40, 3),
                                                    Row(3, ActionStep, 0, 55, 1)}));
    std::array<TRecordedAtt, 9> atts;
    for (int k = 1; k <= 2; ++k) atts[k] = {"A" + std::to_string(k), bench.ip, std::to_string(10000 + k), k == 1 ? 935 : 60, {}, 0};
    TRunRecord record(dir.Path(), atts, [](const std::string& text) { ADD_FAILURE() << text; });
    TRunRecordDelivery recorded(bench.d, record);
    const TPosted original = bench.Run({a, b}, &recorded);
    bench.ExpectReceived(original);
    record.Finish(TRunEnding::Completed);
    ASSERT_TRUE(WaitUntil([&] { return record.Closed(); }));

    const TPosted replayed = bench.Run({record.Path()});
    EXPECT_EQ(replayed, original);
    EXPECT_EQ(original.at(4)[0], "ATT 0 200");  // after three silent ticks
    bench.ExpectReceived(replayed);
}

}  // namespace
