// The whole program against attenuators that misbehave: each fault shows in
// its own box only, the other attenuators keep working, and no link keeps
// the GUI thread from its event loop for more than 200 ms.

#include "tests/testsupport/LagProbe.h"
#include "MainFormFixture.h"
#include "sequencer/SequencerForm.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequenceFile.h"
#include "link/TovarinProtocol.h"

#include "support/TextFields.h"

#include <QListWidget>

#include <sstream>

namespace {

constexpr int kMaxLagMs = 200;

class FaultToleranceTest : public MainFormTest {
protected:
    // Two attenuators, the second one misbehaving as faults says from the
    // start; the first one must stay usable.
    void StartWithFaultySecond(const TSimFaults& faults) {
        Serve({{935, "GOOD", 100}, {935, "BAD2", 200}});
        sim.SetFaults(simIndex[1], faults);
        WriteSettings(WriteConfig({0, 1}));
        ASSERT_TRUE(Start());
        ASSERT_TRUE(WaitUsable(1, "GOOD"));
        ASSERT_TRUE(WaitSettled(1));
        probe = std::make_unique<TLagProbe>();
    }
    // The first attenuator still takes a verified set.
    void ExpectFirstStillWorks(int value) {
        Box(1)->SetValue(value);
        EXPECT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == value && !form->Link(0)->Verifying(); }));
        EXPECT_EQ(Box(1)->Value(), value);
    }

    std::unique_ptr<TLagProbe> probe;
};

TEST_F(FaultToleranceTest, ConnectionResetDuringAVerifiedSetReconnectsAndShowsTheAttenuatorsValue) {
    Serve({{935, "RSET", 100}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "RSET"));
    ASSERT_TRUE(WaitSettled(1));
    TLagProbe lag;
    const int accepted = sim.Accepted(simIndex[0]);
    const int readBacks = counting_->readBacks[0];
    std::atomic<bool> dropped{false};
    sim.SetLineObserver([&](const TSimLine& l) {
        // The set arrives; the connection goes before the read-back.
        if (l.line == "ATT 0 400" && !dropped.exchange(true)) sim.DropConnections(simIndex[0]);
    });
    std::vector<std::string> captions;
    Box(1)->SetValue(400);
    ASSERT_TRUE(WaitUntil([&] {
        if (captions.empty() || captions.back() != Caption(1)) captions.push_back(Caption(1));
        return dropped && sim.Accepted(simIndex[0]) > accepted && Box(1)->isEnabled() && Caption(1) == "RSET";
    }));
    // The box went through a state other than ready, and now shows what the
    // attenuator holds.
    EXPECT_GT(captions.size(), 1u);
    // The attenuation read on the new connection.
    EXPECT_TRUE(WaitSettled(1, readBacks + 1));
    EXPECT_EQ(Box(1)->Value(), sim.Attenuation(simIndex[0]));
    Box(1)->SetValue(300);
    EXPECT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == 300; }));
    EXPECT_LT(lag.MaxLagMs(), kMaxLagMs);
}

TEST_F(FaultToleranceTest, EndlessLineIsADialogueErrorOfItsOwnBox) {
    TSimFaults endless;
    endless.endlessLine = true;
    ASSERT_NO_FATAL_FAILURE(StartWithFaultySecond(endless));
    EXPECT_TRUE(WaitUntil([&] { return Caption(2) == "TCP Dialog Error."; }));
    EXPECT_FALSE(Box(2)->isEnabled());
    ExpectFirstStillWorks(300);
    EXPECT_LT(probe->MaxLagMs(), kMaxLagMs);
}

TEST_F(FaultToleranceTest, DrippingRepliesStillIdentifyTheAttenuator) {
    TSimFaults drip;
    drip.dripMs = 15;  // each reply takes a few hundred ms, each byte in time
    ASSERT_NO_FATAL_FAILURE(StartWithFaultySecond(drip));
    EXPECT_TRUE(WaitUsable(2, "BAD2", 20000));
    EXPECT_TRUE(WaitSettled(2, 1, 20000));
    EXPECT_EQ(Box(2)->Value(), 200);
    ExpectFirstStillWorks(300);
    EXPECT_LT(probe->MaxLagMs(), kMaxLagMs);
}

TEST_F(FaultToleranceTest, GarbageIsADialogueErrorOfItsOwnBox) {
    TSimFaults garbage;
    garbage.garbage = true;
    ASSERT_NO_FATAL_FAILURE(StartWithFaultySecond(garbage));
    EXPECT_TRUE(WaitUntil([&] { return Caption(2) == "TCP Dialog Error."; }));
    EXPECT_FALSE(Box(2)->isEnabled());
    ExpectFirstStillWorks(300);
    EXPECT_LT(probe->MaxLagMs(), kMaxLagMs);
}

TEST_F(FaultToleranceTest, AttenuatorVanishingDuringARunLeavesTheRunToTheOthers) {
    Serve({{935, "RUN1", 0}, {935, "RUN2", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "RUN1"));
    ASSERT_TRUE(WaitUsable(2, "RUN2"));
    TSequenceFileData both;
    both.Selected[0] = both.Selected[1] = true;
    both.Rows = {{1, 0, ActionRamp, 0, 500, 20}, {2, 0, ActionStep, 0, 650, 2}};
    const std::string file = home.path().toStdString() + "/both.sqc";
    std::string error;
    ASSERT_TRUE(SaveSequenceFile(file, both, error)) << error;

    bool done = false;
    long long maxLag = 0;
    WhenShown<TSequencerForm>([&](TSequencerForm* list) {
        list->AddFiles({file});
        list->LBSequence->selectAll();
        TLagProbe lag;
        list->ButtonRun->click();
        WaitUntil([&] { return !list->Analyzing(); }, 20000);  // read off the GUI thread
        ASSERT_TRUE(list->Running());
        ASSERT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[1]) >= 100; }));
        TSimFaults gone;
        gone.refuseConnections = true;  // switched off: nothing answers any more
        sim.SetFaults(simIndex[1], gone);
        sim.DropConnections(simIndex[1]);
        EXPECT_TRUE(WaitUntil([&] { return !list->Running(); }, 20000));
        maxLag = lag.MaxLagMs();
        // The record agrees with the wire: box 2's rows with a sent time are
        // the commands its attenuator received (one more at most: written
        // to a socket that was closing), and the rest say why not.
        ASSERT_TRUE(WaitUntil([&] { return list->Record()->Closed(); }));
        std::vector<std::string> sent, received;
        int notSent = 0;
        std::stringstream rows(ReadAll(list->Record()->Path()));
        for (std::string row; std::getline(rows, row);) {
            std::vector<std::string> f;
            std::stringstream fields(row.substr(0, row.size() - 1));
            for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
            if (f.size() != 9 || f[2] != "2") continue;
            if (f[8].starts_with("not sent: "))
                ++notSent;
            else
                sent.push_back(FormatAttCommand("0", std::stoi(f[6])));
        }
        for (const TSimLine& l : sim.Lines(simIndex[1]))
            if (StartsWith(l.line, "ATT")) received.push_back(l.line);
        EXPECT_GT(notSent, 0);
        ASSERT_GE(sent.size(), received.size());
        EXPECT_LE(sent.size(), received.size() + 1);
        EXPECT_TRUE(std::equal(received.begin(), received.end(), sent.begin()));
        list->reject();
        done = true;
    });
    form->miSequencer->trigger();
    ASSERT_TRUE(done);
    EXPECT_LT(maxLag, kMaxLagMs);
    // The run went on for the one still there, the vanished one shows its state.
    EXPECT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == 650 && Box(1)->Value() == 650; }));
    EXPECT_TRUE(WaitUntil([&] { return !Box(2)->isEnabled() && Caption(2) != "RUN2"; }));
    EXPECT_FALSE(Caption(2).empty());
}

}  // namespace
