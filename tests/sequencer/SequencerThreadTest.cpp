// The run engine: what it delivers on the GUI thread tick by tick, its stop
// and its end, and a run over real links to the rack simulator.

#include "SequenceTestSupport.h"
#include "SimulatorRunSupport.h"
#include "tests/testsupport/TestSupport.h"
#include "support/GuiThread.h"
#include "support/TextFields.h"
#include "tools/simulator/RackSimulator.h"
#include "sequencer/SequencerThread.h"
#include "sequencer/RunRecord.h"
#include "link/TovarinThread.h"

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <memory>
#include <thread>

namespace {

// Records every call of the engine, one entry per tick.
class TRecordingDelivery : public TSequencerDelivery {
public:
    struct TTick {
        std::array<std::string, 8> posted, shown, plotted;
    };
    void AdvanceTime(int elapsedMs) override {
        onGui = onGui && IsGuiThread();
        advanced.push_back(elapsedMs);
        ticks.emplace_back();
    }
    bool GraphVisible() const override { return graphVisible; }
    void AddAttCommand(int att, const std::string& text) override { Last().plotted[att - 1] = text; }
    bool AttEnabled(int att) const override { return enabled[att - 1]; }
    void SetPendingCommand(int att, const std::string& command, bool) override { Last().posted[att - 1] = command; }
    bool MainVisible() const override { return mainVisible; }
    void ShowLinkAnswer(int att, const std::string& command) override { Last().shown[att - 1] = command; }

    std::vector<std::string> Posted(int att) const {
        std::vector<std::string> v;
        for (const auto& t : ticks) v.push_back(t.posted[att - 1].empty() ? "" : t.posted[att - 1].substr(6));
        return v;
    }
    TTick& Last() {
        if (ticks.empty()) ticks.emplace_back();  // a delivery without AdvanceTime shows up as an extra tick
        return ticks.back();
    }

    std::vector<TTick> ticks;
    std::vector<int> advanced;
    bool onGui = true;
    bool graphVisible = true;
    bool mainVisible = true;
    std::array<bool, 8> enabled{true, true, true, true, true, true, true, true};
};

TSequenceRun RunOf(const std::vector<std::string>& files) {
    TSequenceAnalysis a = AnalyzeSequences(files);
    EXPECT_TRUE(a.Ok()) << a.Error;
    return TSequenceRun(std::move(a.Scripts), a.Assignment);
}

struct TEndProbe {
    int calls = 0;
    bool onGui = false;
    std::function<void()> Handler() {
        return [this] {
            ++calls;
            onGui = IsGuiThread();
        };
    }
};

TEST(SequencerThread, DeliversTheWorkedExampleThenNotifiesTheEndOnTheGuiThread) {
    TTempFolder dir;
    const auto file = dir.Write("w.sqc", SqcText({1, 5}, WorkedExampleRows()));
    TRecordingDelivery d;
    TEndProbe end;
    TSequencerThread engine(d, RunOf({file}), 5);
    engine.SetOnTerminate(end.Handler());
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }, 20000));
    PumpEvents(30);
    EXPECT_EQ(end.calls, 1);
    EXPECT_TRUE(end.onGui);
    EXPECT_TRUE(d.onGui);
    EXPECT_TRUE(engine.Ended());
    EXPECT_EQ(engine.DeliveredTicks(), 62);
    EXPECT_EQ(d.advanced, std::vector<int>(62, 100));
    EXPECT_EQ(d.Posted(1), WorkedExampleValues());
    EXPECT_EQ(d.Posted(5), WorkedExampleValues());
    EXPECT_EQ(d.ticks[0].posted[0], "ATT 0 935");
    EXPECT_EQ(d.ticks[0].shown[4], "ATT 0 935");
    EXPECT_EQ(d.ticks[0].plotted[4], "ATT 0 935");
    for (int att : {2, 3, 4, 6, 7, 8}) EXPECT_EQ(d.Posted(att), std::vector<std::string>(62, "")) << att;
}

TEST(SequencerThread, DisabledAttenuatorGetsNothingButKeepsTheRunAliveAndHiddenWindowsAreSkipped) {
    TTempFolder dir;
    const auto a = dir.Write("a.sqc", SqcText({1}, {Row(1, ActionStep, 0, 100, 2)}));
    const auto b = dir.Write("b.sqc", SqcText({2}, {Row(1, ActionStep, 0, 200, 1), Row(2, ActionStep, 0, 250, 5)}));
    TRecordingDelivery d;
    d.enabled[1] = false;
    d.mainVisible = false;
    d.graphVisible = false;
    TEndProbe end;
    TSequencerThread engine(d, RunOf({a, b}), 5);
    engine.SetOnTerminate(end.Handler());
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }));
    ASSERT_EQ(d.ticks.size(), 6u);  // as long as the disabled attenuator's sequence
    EXPECT_EQ(d.advanced.size(), 6u);  // the graph moves on even when hidden
    EXPECT_EQ(d.Posted(1), (std::vector<std::string>{"100", "", "", "", "", ""}));
    EXPECT_EQ(d.Posted(2), std::vector<std::string>(6, ""));
    for (const auto& t : d.ticks)
        for (int i = 0; i < 8; ++i) EXPECT_TRUE(t.shown[i].empty() && t.plotted[i].empty());
}

// Asks the engine to stop from inside the delivery of tick stopAt, as a
// "Stop" click handled while the engine waits for the GUI thread.
class TStoppingDelivery : public TRecordingDelivery {
public:
    void AdvanceTime(int elapsedMs) override {
        TRecordingDelivery::AdvanceTime(elapsedMs);
        if (ticks.size() == stopAt && engine != nullptr) engine->Terminate();
    }
    std::size_t stopAt = 0;
    TSequencerThread* engine = nullptr;
};

TEST(SequencerThread, StopInTheMiddleOfARampDeliversAtMostOneMoreTick) {
    // Ten ramp ticks, then the reset (935) as tick 11. Stopped at tick 9, at
    // most the ramp's last value may still go out; the reset never does.
    TTempFolder dir;
    const auto file = dir.Write("r.sqc", SqcText({3}, {Row(1, ActionRamp, 0, 100, 10), Row(2, ActionReset, 0, 0, 0)}));
    const std::vector<std::string> expected = PlayFiles({file}).Values(3);
    ASSERT_EQ(expected.size(), 11u);
    ASSERT_EQ(expected.back(), "935");
    TStoppingDelivery d;
    TEndProbe end;
    TSequencerThread engine(d, RunOf({file}), 20);
    d.stopAt = 9;
    d.engine = &engine;
    engine.SetOnTerminate(end.Handler());
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }));
    PumpEvents(100);
    const std::vector<std::string> posted = d.Posted(3);
    ASSERT_GE(posted.size(), 9u);
    ASSERT_LE(posted.size(), 10u);
    // The attenuator stays at the last ramp value sent.
    EXPECT_EQ(posted, std::vector<std::string>(expected.begin(), expected.begin() + static_cast<long>(posted.size())));
}

TEST(SequencerThread, NothingToPlayEndsWithoutAnyDelivery) {
    TTempFolder dir;
    const auto file = dir.Write("e.sqc", SqcText({1}, {Row(1, ActionNone, 0, 0, 0)}));
    TRecordingDelivery d;
    TEndProbe end;
    TSequencerThread engine(d, RunOf({file}), 5);
    engine.SetOnTerminate(end.Handler());
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }));
    EXPECT_TRUE(d.ticks.empty());
    EXPECT_EQ(engine.DeliveredTicks(), 0);
}

TEST(SequencerThread, DestroyingARunningEngineReleasesItAndSilencesItsNotification) {
    TTempFolder dir;
    const auto file = dir.Write("l.sqc", SqcText({1}, {Row(1, ActionRamp, 0, 900, 5000)}));
    TRecordingDelivery d;
    TEndProbe end;
    auto engine = std::make_unique<TSequencerThread>(d, RunOf({file}), 10);
    engine->SetOnTerminate(end.Handler());
    engine->Start();
    ASSERT_TRUE(WaitUntil([&] { return d.ticks.size() >= 3; }));
    // Hold the GUI thread so that the engine is left waiting for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    engine.reset();
    const std::size_t ticks = d.ticks.size();
    PumpEvents(200);
    EXPECT_EQ(d.ticks.size(), ticks);
    EXPECT_EQ(end.calls, 0);
}

TEST(SequencerThread, EndHandlerMayDestroyTheEngine) {
    TTempFolder dir;
    const auto file = dir.Write("s.sqc", SqcText({1}, {Row(1, ActionStep, 0, 100, 2)}));
    TRecordingDelivery d;
    auto engine = std::make_unique<TSequencerThread>(d, RunOf({file}), 5);
    bool ended = false;
    engine->SetOnTerminate([&] {
        EXPECT_TRUE(engine->Ended());
        engine.reset();
        ended = true;
    });
    engine->Start();
    ASSERT_TRUE(WaitUntil([&] { return ended; }));
    EXPECT_EQ(engine, nullptr);
    EXPECT_EQ(d.Posted(1), (std::vector<std::string>{"100", ""}));
}

// A GUI thread that holds one delivery back for several periods: the engine
// goes on from then instead of delivering the lost ticks in a burst.
class TStallingDelivery : public TRecordingDelivery {
public:
    void AdvanceTime(int elapsedMs) override {
        TRecordingDelivery::AdvanceTime(elapsedMs);
        times.push_back(std::chrono::steady_clock::now());
        if (ticks.size() == 3) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (ticks.size() == 3) stalledUntil = std::chrono::steady_clock::now();
    }
    std::vector<std::chrono::steady_clock::time_point> times;
    std::chrono::steady_clock::time_point stalledUntil;
};

TEST(SequencerThread, BlockedGuiThreadDoesNotCauseABurstOfTicks) {
    TTempFolder dir;
    const auto file = dir.Write("b.sqc", SqcText({1}, {Row(1, ActionRamp, 0, 100, 8)}));
    TStallingDelivery d;
    TEndProbe end;
    TSequencerThread engine(d, RunOf({file}), 40);
    engine.SetOnTerminate(end.Handler());
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }));
    ASSERT_EQ(d.ticks.size(), 8u);  // nothing is lost either
    EXPECT_EQ(d.Posted(1), PlayFiles({file}).Values(1));
    EXPECT_GE(engine.RebasedTicks(), 1);
    // The tick after the stall waits a whole period from the stall's end.
    EXPECT_GE(d.times[3] - d.stalledUntil, std::chrono::milliseconds(39));
}

TEST(SequencerThread, ARunStartedAtAnInstantKeepsItsGridThroughAStall) {
    TTempFolder dir;
    const auto file = dir.Write("g.sqc", SqcText({1}, {Row(1, ActionRamp, 0, 100, 12)}));
    TStallingDelivery d;
    TEndProbe end;
    TSequencerThread engine(d, RunOf({file}), 40);
    engine.SetOnTerminate(end.Handler());
    const auto first = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
    engine.StartAt(first);
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }));
    EXPECT_EQ(engine.RebasedTicks(), 0);
    ASSERT_GE(engine.SkippedTicks(), 2);  // the 200 ms stall cost at least two of the 40 ms ticks
    // Each delivery sends the value of its own grid tick (the ticks the
    // graph was moved on by say which), and the run ends on time.
    const std::vector<std::string> played = PlayFiles({file}).Values(1);
    std::size_t tick = 0;
    for (std::size_t k = 0; k < d.ticks.size(); ++k) {
        tick += static_cast<std::size_t>(d.advanced[k] / TickPeriod);
        ASSERT_LE(tick, played.size());
        EXPECT_EQ(d.Posted(1)[k], played[tick - 1]) << "delivery " << k;
    }
    EXPECT_EQ(tick, played.size());
    EXPECT_EQ(d.ticks.size() + static_cast<std::size_t>(engine.SkippedTicks()), played.size());
    EXPECT_GE(d.times.back() - first, std::chrono::milliseconds(40 * static_cast<int>(played.size() - 1)));
}

// --- A run over real links to the rack simulator ---

// Three simulated attenuators on ports 10001..10003 of an address of their own.
std::string ServeThree(TRackSimulator& sim, int attenuation) {
    const std::string ip = TRackSimulator::FreeLoopbackAddress(10001, 3);
    for (int k = 0; k < 3; ++k) {
        TSimAttenuator a;
        a.ip = ip;
        a.port = 10001 + k;
        a.attenuation = attenuation;
        sim.Add(a);
    }
    return ip;
}

TEST(SequencerThread, RunOverRealLinksReachesTheSimulatorAsCompiledAndIsRecorded) {
    TRackSimulator sim;
    const std::string ip = ServeThree(sim, 500);
    sim.Start();

    TTempFolder dir;
    const auto a = dir.Write("a.sqc", SqcText({1, 3}, {Row(1, ActionReset, 0, 0, 0), Row(2, ActionRamp, 0, 100, 8),
                                                       Row(3, ActionStep, 0, 50, 2)}));
    const auto b = dir.Write("b.sqc", SqcText({2}, {Row(1, ActionStep, 0, 200, 3), Row(2, ActionRamp, 300, 250, 4),
                                                    Row(3, ActionRepeat, 0, 1, 1)}));
    const TTimeline timeline = PlayFiles({a, b});

    TLinkDelivery d;
    TLinkTimings timings;
    timings.ReadTimeout = 1000;
    timings.ConnectTimeout = 3000;
    d.StartLinks(ip, 3, timings);
    ASSERT_TRUE(WaitUntil([&] { return d.ready.size() >= 3; }, 20000));
    sim.ClearLines();

    std::array<TRecordedAtt, 9> atts;
    for (int k = 1; k <= 3; ++k) atts[k] = {"A" + std::to_string(k), ip, std::to_string(10000 + k), 935, "A1B2C3"};
    TRunRecord record(dir.Path(), atts, [](const std::string& text) { ADD_FAILURE() << text; });
    TRunRecordDelivery recorded(d, record);
    TEndProbe end;
    TSequencerThread engine(recorded, RunOf({a, b}));
    engine.SetOnTerminate(end.Handler());
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }, 20000));
    EXPECT_EQ(d.ticks, static_cast<int>(timeline.ticks.size()));

    for (int att = 1; att <= 3; ++att) {
        std::vector<std::string> want;
        for (const auto& t : timeline.ticks)
            if (!t[att - 1].empty()) want.push_back(t[att - 1]);
        ASSERT_FALSE(want.empty());
        auto received = [&] {
            std::vector<std::string> got;
            for (const auto& l : sim.Lines(att - 1))
                if (StartsWith(l.line, "ATT")) got.push_back(l.line);
            return got;
        };
        WaitUntil([&] { return received().size() >= want.size(); }, 5000);
        PumpEvents(150);  // nothing more may arrive
        EXPECT_EQ(received(), want) << "attenuator " << att;
    }
    EXPECT_EQ(sim.Attenuation(0), 50);
    EXPECT_EQ(sim.Attenuation(1), 250);

    // The record: one row per command, in order, each stamped within a tick
    // of the moment the attenuator received it.
    record.Finish(TRunEnding::Completed);
    ASSERT_TRUE(WaitUntil([&] { return record.Closed(); }));
    std::ifstream in(record.Path(), std::ios::binary);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line + "\n", RunRecordHeader());
    std::array<std::size_t, 3> next{};
    double lastSeconds = -1;
    int rows = 0;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line.substr(0, line.size() - 1));
        for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
        ASSERT_EQ(f.size(), 9u) << line;
        const int box = std::stoi(f[2]);
        ASSERT_TRUE(box >= 1 && box <= 3) << line;
        EXPECT_EQ(f[3] + f[4] + ":" + f[5], "A" + f[2] + ip + ":" + std::to_string(10000 + box));
        const double seconds = std::stod(f[1]);
        EXPECT_GE(seconds, lastSeconds) << line;
        lastSeconds = seconds;
        std::vector<TSimLine> got;
        for (const auto& l : sim.Lines(box - 1))
            if (StartsWith(l.line, "ATT")) got.push_back(l);
        ASSERT_LT(next[box - 1], got.size()) << line;
        const TSimLine& sent = got[next[box - 1]++];
        EXPECT_EQ("ATT 0 " + std::string(3 - std::min<std::size_t>(3, f[6].size()), '0') + f[6], sent.line);
        EXPECT_EQ(std::stod(f[7]) * 10, std::stod(f[6])) << line;
        const auto stamped = record.Start() + std::chrono::milliseconds(std::llround(seconds * 1000));
        EXPECT_LE(std::abs(std::chrono::duration_cast<std::chrono::milliseconds>(sent.time - stamped).count()), 100)
            << line;
        // Written to the socket no earlier than handed over (both stamped to
        // the millisecond in the same format, so they compare as texts).
        EXPECT_EQ(f[8].size(), f[0].size()) << line;
        EXPECT_GE(f[8], f[0]) << line;
        ++rows;
    }
    for (int k = 0; k < 3; ++k) {
        int want = 0;
        for (const auto& l : sim.Lines(k)) want += StartsWith(l.line, "ATT");
        EXPECT_EQ(next[k], static_cast<std::size_t>(want)) << "attenuator " << k + 1;
    }
    EXPECT_GT(rows, 10);
    for (auto& link : d.owned) link.reset();
    sim.Stop();
}

// Commands that never reached an attenuator: replaced in the slot before the
// link took them, posted to a link that cannot send, or still waiting when
// the run ended. The record says so, and the wire agrees.
TEST(RunRecord, RowsTellWhichCommandsNeverReachedTheWire) {
    TRackSimulator sim;
    const std::string ip = ServeThree(sim, 0);
    TSimFaults refused;
    refused.refuseConnections = true;
    sim.SetFaults(1, refused);
    sim.Start();
    TLinkDelivery d;
    TLinkTimings timings;
    timings.ConnectTimeout = 3000;
    d.StartLinks(ip, 3, timings);
    ASSERT_TRUE(WaitUntil([&] { return d.ready.size() >= 2 && d.links[1]->LinkStatus() == 6; }, 20000));

    // Link 3 is busy reading its attenuation back: what is posted meanwhile waits.
    TSimFaults slow;
    slow.replyDelayMs = 1500;
    sim.SetFaults(2, slow);
    sim.ClearLines();
    d.links[2]->SetPendingCommand("READATT");
    ASSERT_TRUE(WaitUntil([&] { return !sim.Lines(2).empty(); }));

    TTempFolder dir;
    TRunRecord record(dir.Path(), TRunStart{}, [](const std::string& text) { ADD_FAILURE() << text; });
    TRunRecordDelivery recorded(d, record);
    recorded.SetPendingCommand(1, "ATT 0 100", false);
    recorded.SetPendingCommand(1, "ATT 0 200", false);
    recorded.SetPendingCommand(2, "ATT 0 300", false);
    recorded.SetPendingCommand(3, "ATT 0 400", false);
    ASSERT_TRUE(WaitUntil([&] { return !sim.Lines(0).empty(); }));
    recorded.WithdrawPending();
    record.Finish(TRunEnding::Stopped);
    ASSERT_TRUE(WaitUntil([&] { return record.Closed(); }));
    ASSERT_TRUE(WaitUntil([&] { return d.links[2]->PendingCommand().empty() && sim.Lines(2).size() == 1; }, 5000));
    PumpEvents(2500);  // the read-back has come, the link is idle again

    std::vector<std::string> wire;
    for (const TSimLine& l : sim.AllLines()) wire.push_back(l.line);
    EXPECT_EQ(wire, (std::vector<std::string>{"STA?", "ATT 0 200"}));
    std::ifstream in(record.Path(), std::ios::binary);
    std::vector<std::string> sent;
    for (std::string line; std::getline(in, line);) {
        const std::string withoutLimited = line.substr(0, line.rfind(','));
        sent.push_back(withoutLimited.substr(withoutLimited.rfind(',') + 1) + "\r");
    }
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[1], "not sent: replaced by a newer command\r");
    EXPECT_EQ(sent[2].size(), std::string("2026-12-08 20:35:12.345\r").size()) << sent[2];
    EXPECT_EQ(sent[3], "not sent: link not usable\r");
    EXPECT_EQ(sent[4], "not sent: dropped at stop\r");
    const std::string json = ReadAll(RunDescriptionPath(record.Path()));
    for (const char* field : {"\"ended\": \"stopped\"", "\"commandsSent\": 1,", "\"commandsNotSent\": 3,"})
        EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
    for (auto& link : d.owned) link.reset();
    sim.Stop();
}

std::vector<std::string> AttLines(const TRackSimulator& sim, int att) {
    std::vector<std::string> got;
    for (const auto& l : sim.Lines(att))
        if (StartsWith(l.line, "ATT")) got.push_back(l.line);
    return got;
}

TEST(SequencerThread, TenthsRunReachesAWholeDecibelAttenuatorRoundedUpAndWithinItsMaximum) {
    // A run in tenths (the bench's common unit when it started) on a
    // whole-decibel attenuator of maximum 63 beside a tenths one.
    const std::string ip = TRackSimulator::FreeLoopbackAddress(10001, 2);
    TRackSimulator sim;
    for (int k = 0; k < 2; ++k) {
        TSimAttenuator a;
        a.ip = ip;
        a.port = 10001 + k;
        a.maxAtt = k == 0 ? 63 : 935;
        sim.Add(a);
    }
    sim.Start();
    TTempFolder dir;
    const auto file = dir.Write("t.sqc", SqcText({1, 2}, {Row(1, ActionReset, 0, 0, 0), Row(2, ActionRamp, 205, 245, 5)}));
    TLinkDelivery d;
    ASSERT_TRUE(d.Connect(ip, 2));
    TEndProbe end;
    TSequencerThread engine(d, RunOf({file}));
    engine.SetOnTerminate(end.Handler());
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return end.calls > 0; }, 20000));
    WaitUntil([&] { return AttLines(sim, 0).size() >= 6 && AttLines(sim, 1).size() >= 6; }, 5000);
    // 20.5 dB goes out as 21 dB, never as less attenuation; "Reset" (93.5 dB)
    // as the attenuator's maximum.
    EXPECT_EQ(AttLines(sim, 0), (std::vector<std::string>{"ATT 0 063", "ATT 0 021", "ATT 0 022", "ATT 0 023",
                                                           "ATT 0 024", "ATT 0 025"}));
    EXPECT_EQ(AttLines(sim, 1), (std::vector<std::string>{"ATT 0 935", "ATT 0 205", "ATT 0 215", "ATT 0 225",
                                                           "ATT 0 235", "ATT 0 245"}));
    EXPECT_EQ(d.limited, std::vector<std::string>{"ATT 0 063"});
    for (auto& link : d.owned) link.reset();
    sim.Stop();
}

}  // namespace
