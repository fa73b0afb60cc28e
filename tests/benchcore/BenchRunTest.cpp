// Runs on the bench core without any window, against simulated
// attenuators: exactly the files asked for are played and recorded, the
// refusals come back with their texts, hand changes wait for the run's
// end, and a link that comes back during a hold is sent the run's present
// value again.

#include "benchcore/Bench.h"
#include "benchcore/BenchRemote.h"
#include "BenchTestSupport.h"
#include "remote/RemoteRequests.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequenceFile.h"
#include "tests/testsupport/FastLinkTimings.h"
#include "tests/testsupport/TestSupport.h"
#include "tools/simulator/RackSimulator.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class BenchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        const std::string ip = TRackSimulator::FreeLoopbackAddress(10001, 2);
        for (int k = 0; k < 2; ++k) {
            TSimAttenuator a;
            a.ip = ip;
            a.port = 10001 + k;
            a.name = "AT" + std::to_string(k + 1);
            a.attenuation = 100;
            atts.push_back(sim.Add(a));
        }
        sim.Start();
        RackConfiguration c = RackConfiguration::Defaults();
        c.Racks[0].IPAddress = ip;
        c.Racks[0].AttEnabled = {true, true, false, false};
        bench.SetRecordsDir(Dir());
        ASSERT_TRUE(bench.ApplyConfiguration(c, "/bench.cfg").Applied());
        bench.Start();
        ASSERT_TRUE(WaitUntil([&] { return bench.ReadyCount() == 2 && bench.BoxState(2).Value; }));
    }
    std::string Dir() const { return home.path().toStdString() + "/"; }
    // A sequence on the given boxes: each row a step to a value (tenths)
    // held for a number of ticks.
    std::string Write(const char* name, std::initializer_list<int> boxes, std::vector<std::pair<int, int>> steps) {
        std::vector<TActionRow> rows;
        for (const auto& [value, ticks] : steps)
            rows.push_back({static_cast<int>(rows.size()) + 1, 0, ActionStep, 0, value, ticks});
        return SaveSequence(Dir() + name, boxes, std::move(rows));
    }
    std::optional<TRemoteRefusal> Run(const std::vector<std::string>& files) { return RunByScript(remote.Core(), files); }
    std::vector<std::string> AttLines(int k) const {
        std::vector<std::string> lines;
        for (const auto& l : sim.Lines(atts[k]))
            if (l.line.rfind("ATT", 0) == 0) lines.push_back(l.line);
        return lines;
    }
    // How the last run's description says it ended, once it is closed.
    std::string Ended() {
        const TRunRecord* record = bench.Runs().Record();
        if (!record || !WaitUntil([&] { return record->Closed(); })) return "not closed";
        QFile file(QString::fromStdString(RunDescriptionPath(record->Path())));
        if (!file.open(QIODevice::ReadOnly)) return "no description";
        return QJsonDocument::fromJson(file.readAll()).object()["end"].toObject()["ended"].toString().toStdString();
    }
    std::string Csv() const {
        QFile file(QString::fromStdString(bench.Runs().Record()->Path()));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    QTemporaryDir home;
    TRackSimulator sim;
    std::vector<int> atts;
    TBench bench{FastTimings()};
    TBenchRemote remote{bench};
};

TEST_F(BenchRunTest, ExactFilesRunAndAreRecordedRefusalsSayWhyAndHandChangesWait) {
    const std::string lower = Write("a.sqc", {1}, {{450, 3}, {300, 2}});
    Write("A.sqc", {1}, {{120, 2}});  // another file, one letter's case apart
    const std::string linked = Dir() + "link.sqc";
    ASSERT_EQ(::symlink(lower.c_str(), linked.c_str()), 0);
    const std::string clash = Write("b.sqc", {1, 2}, {{200, 2}});

    struct Refused {
        std::vector<std::string> files;
        std::string text;
    } refused[] = {
        {{lower, clash}, "Attenuators interferences !"},
        {{Dir() + "missing.sqc"}, Dir() + "missing.sqc"},
    };
    for (const Refused& r : refused) {
        const auto refusal = Run(r.files);
        ASSERT_TRUE(refusal);
        EXPECT_NE(refusal->Message.find(r.text), std::string::npos) << refusal->Message;
        EXPECT_FALSE(bench.Runs().Busy());
    }
    std::optional<TBenchRunRefusal> none;
    bench.Runs().Run({}, [&](std::optional<TBenchRunRefusal> r) { none = r; });
    ASSERT_TRUE(none);
    EXPECT_EQ(none->Text, "Select sequence before running !");
    EXPECT_TRUE(AttLines(0).empty());

    // The link names a.sqc: a.sqc plays, A.sqc never does.
    ASSERT_FALSE(Run({linked}));
    EXPECT_TRUE(remote.Core().SequencesRunning());
    const auto hand = remote.Core().SetAttenuation(2, "20");
    ASSERT_TRUE(hand.Refusal);
    EXPECT_EQ(hand.Refusal->Message, RemoteSequencerOpenMessage);
    const auto again = Run({lower});
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Kind, TRemoteRefusalKind::Conflict);
    ASSERT_TRUE(WaitUntil([&] { return !bench.Runs().Busy(); }));
    EXPECT_EQ(Ended(), "completed");
    EXPECT_EQ(AttLines(0), (std::vector<std::string>{"ATT 0 450", "ATT 0 300"}));
    EXPECT_TRUE(AttLines(1).empty());
    // The box shows the run's last value; the record names the file and box.
    EXPECT_EQ(remote.Core().Attenuation(1).Text, "30.0");
    EXPECT_NE(Csv().find(",1,AT1,"), std::string::npos) << Csv();

    // Stopped mid-hold: answered once ended, nothing more goes out.
    ASSERT_FALSE(Run({clash}));
    ASSERT_TRUE(WaitUntil([&] { return AttLines(1).size() == 1; }));
    std::optional<std::optional<TRemoteRefusal>> stopped;
    remote.Core().StopSequences([&](std::optional<TRemoteRefusal> r) { stopped = r; });
    ASSERT_TRUE(WaitUntil([&] { return stopped.has_value(); }));
    EXPECT_FALSE(*stopped);
    EXPECT_FALSE(bench.Runs().Busy());
    EXPECT_EQ(Ended(), "stopped");
    EXPECT_FALSE(remote.Core().SetAttenuation(2, "20").Refusal);
}

TEST_F(BenchRunTest, ALinkBackDuringAHoldIsSentThePresentValueAgain) {
    ASSERT_FALSE(Run({Write("hold.sqc", {1}, {{450, 300}})}));
    ASSERT_TRUE(WaitUntil([&] { return AttLines(0).size() == 1; }));
    // The attenuator is power-cycled during the hold: its value is lost and
    // its link drops.
    sim.SetAttenuation(atts[0], 0);
    sim.DropConnections(atts[0]);
    ASSERT_TRUE(WaitUntil([&] { return AttLines(0).size() == 2; }));
    EXPECT_EQ(AttLines(0).back(), "ATT 0 450");
    EXPECT_EQ(sim.Attenuation(atts[0]), 450);
    bench.Park({});  // the service's stop: the run ends first
    ASSERT_TRUE(WaitUntil([&] { return bench.Parked(); }));
    EXPECT_EQ(Ended(), "program closed");
    const std::string csv = Csv();
    EXPECT_NE(csv.find(",450,45.0,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",catch-up\r\n"), std::string::npos) << csv;
}

}  // namespace
