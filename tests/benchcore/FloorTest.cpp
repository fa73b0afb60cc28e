// The floors on a mixed bench against simulated attenuators: a tenths
// attenuator with a 20 dB floor, found below it at connection, and a
// whole-decibel one with a 21 dB floor. Whatever path asks (SCPI, the
// remote core the D-Bus adaptor calls, the hand path, a sequence, a
// profile, a replayed record, parking, *RST, a reconfiguration), the wire
// never carries a value below the floor, and each refusal says why; the
// run's description lists the floors.

#include "benchcore/Bench.h"
#include "benchcore/BenchRemote.h"
#include "BenchTestSupport.h"
#include "remote/ScpiServer.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequenceFile.h"
#include "tests/remote/ScpiClient.h"
#include "tests/testsupport/FastLinkTimings.h"
#include "tests/testsupport/TestSupport.h"
#include "tools/simulator/RackSimulator.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

namespace {

class FloorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        ip = TRackSimulator::FreeLoopbackAddress(10001, 2);
        const int maxima[] = {935, 63};
        const int held[] = {100, 30};  // 10.0 dB, below the first floor; 30 dB
        for (int k = 0; k < 2; ++k) {
            TSimAttenuator a;
            a.ip = ip;
            a.port = 10001 + k;
            a.maxAtt = maxima[k];
            a.name = "AT" + std::to_string(k + 1);
            a.attenuation = held[k];
            atts.push_back(sim.Add(a));
        }
        sim.Start();
        bench.SetRecordsDir(Dir());
        ASSERT_TRUE(bench.ApplyConfiguration(Config("20", "21"), "/bench.cfg").Applied());
        bench.Start();
        ASSERT_TRUE(WaitUntil([&] { return bench.ReadyCount() == 2 && bench.BoxState(1).Value && bench.BoxState(2).Value; }));
    }
    RackConfiguration Config(const std::string& floor1, const std::string& floor2) const {
        RackConfiguration c = RackConfiguration::Defaults();
        c.Racks[0].IPAddress = ip;
        c.Racks[0].AttEnabled = {true, true, false, false};
        c.Racks[0].AttMinDb = {floor1, floor2, "", ""};
        return c;
    }
    std::string Dir() const { return home.path().toStdString() + "/"; }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Dir() + name, std::ios::binary) << text;
        return Dir() + name;
    }
    std::string Sequence(const char* name, int box, std::vector<TActionRow> rows) const {
        return SaveSequence(Dir() + name, {box}, std::move(rows));
    }
    std::optional<TRemoteRefusal> Run(const std::vector<std::string>& files) { return RunByScript(remote.Core(), files); }
    // Every value attenuator k (0, 1) was sent, in its own unit.
    std::vector<int> Sent(int k) const {
        std::vector<int> values;
        for (const auto& l : sim.Lines(atts[static_cast<std::size_t>(k)]))
            if (l.line.rfind("ATT 0 ", 0) == 0) values.push_back(std::stoi(l.line.substr(6)));
        return values;
    }
    // Runs body on a thread of its own while this thread serves.
    void Script(const std::function<void()>& body) {
        std::atomic<bool> done{false};
        std::thread script([&] {
            body();
            done = true;
        });
        const bool finished = WaitUntil([&] { return done.load(); }, 60000);
        script.join();
        ASSERT_TRUE(finished);
    }
    bool Settled(int n, int value) {
        return WaitUntil([&] { return bench.BoxState(n).Value == value && !bench.Link(n - 1)->Verifying(); });
    }

    QTemporaryDir home;
    TRackSimulator sim;
    std::string ip;
    std::vector<int> atts;
    TBench bench{FastTimings()};
    TBenchRemote remote{bench};
};

TEST_F(FloorTest, NoPathSendsBelowTheFloor) {
    // At connection: the floors in each unit; the attenuator found below its
    // floor is told and left as it is.
    EXPECT_EQ(bench.BoxState(1).Floor, 200);
    EXPECT_EQ(bench.BoxState(2).Floor, 21);
    EXPECT_TRUE(bench.BoxState(1).BelowFloor);
    EXPECT_FALSE(bench.BoxState(2).BelowFloor);
    EXPECT_EQ(remote.Core().Status(1).Text, "Below floor");
    EXPECT_TRUE(Sent(0).empty());

    // SCPI: the floors read, refusals with their reasons, MINimum is the floor.
    TScpiServer server(remote.Core());
    TScpiSettings settings;
    ASSERT_EQ(server.Start(settings, true), "");
    std::vector<std::string> answers;
    Script([&] {
        TScpiClient c("127.0.0.1", server.Port());
        for (const char* q : {"ATT1:LIM:LOW?", "ATT2:LIM:LOW?", "ATT3:LIM:LOW?", "ATT1:STAT?"})
            answers.push_back(c.Query(q));
        c.Send("ATT1 19.7\nATT2 20\nATT2:LIM:LOW 5\n");
        for (int i = 0; i < 3; ++i) answers.push_back(c.Query("SYST:ERR?"));
        answers.push_back(c.Query("ATT1 MIN;*OPC?"));
    });
    const std::vector<std::string> want = {
        "20.0", "21", "0", "\"Below floor\"",
        "-222,\"Data out of range; 19.5 dB is below the floor of attenuator 1 (20.0 dB): nothing was sent.\"",
        "-222,\"Data out of range; 20 dB is below the floor of attenuator 2 (21 dB): nothing was sent.\"",
        "-113,\"Undefined header; ATT2:LIM:LOW is a query only\"", "1"};
    EXPECT_EQ(answers, want);
    ASSERT_TRUE(Settled(1, 200));
    EXPECT_FALSE(bench.BoxState(1).BelowFloor);

    // The remote core, as the D-Bus adaptor calls it: the same refusal.
    const TRemoteSetResult refused = remote.Core().SetAttenuation(2, "0");
    ASSERT_TRUE(refused.Refusal);
    EXPECT_EQ(refused.Refusal->Message, "0 dB is below the floor of attenuator 2 (21 dB): nothing was sent.");
    EXPECT_EQ(remote.Core().Floor(2).Text, "21");

    // The hand path: a value below becomes the floor, shown as sent.
    bench.SetByHand(2, 5);
    EXPECT_EQ(bench.BoxState(2).Value, 21);
    ASSERT_TRUE(Settled(2, 21));

    // Runs: each refusal names the file, the line, the box and the floor,
    // and nothing of the run goes out. The bench counts whole decibels.
    const std::size_t before[] = {Sent(0).size(), Sent(1).size()};
    struct Case {
        std::string file;
        std::string says;
    } runs[] = {
        {Sequence("ramp.sqc", 1, {{1, 0, ActionReset, 0, 0, 1}, {2, 0, ActionRamp, 40, 17, 5}}),
         "ramp.sqc\", line 2: 15.0 dB is below the floor of attenuator 1 (20.0 dB)."},
        {Sequence("step.sqc", 2, {{1, 0, ActionStep, 0, 15, 2}}),
         "step.sqc\", line 1: 15 dB is below the floor of attenuator 2 (21 dB)."},
        {Sequence("tenths.sqc", 2, {{1, 0, ActionReset, 0, 0, 1}, {2, 0, ActionStep, 0, 300, 2}}),
         "tenths.sqc\", line 2: the file's values exceed the bench's maximum: 300 is above 63 dB"},
        {Write("p.csv", "time_s;att1;att2\r\n0;30;30\r\n0.2;19.5;\r\n"),
         "p.csv\", line 3, column 2 (att1): 19.5 dB is below the floor of attenuator 1 (20.0 dB)."},
        {Write("replay.csv", "Time,Seconds,Box,Name,Address,Port,Value,Attenuation (dB),Sent,Limited\r\n"
                             "10:00:00.000,0.000,2,AT2,,,30,30,yes,no\r\n"
                             "10:00:00.100,0.100,2,AT2,,,20,20,yes,no\r\n"),
         "replay.csv\", line 3, column 8 (Attenuation (dB)): 20 dB is below the floor of attenuator 2 (21 dB)."},
    };
    for (const Case& c : runs) {
        SCOPED_TRACE(c.file);
        const auto refusal = Run({c.file});
        ASSERT_TRUE(refusal);
        EXPECT_NE(refusal->Message.find(c.says), std::string::npos) << refusal->Message;
    }
    EXPECT_EQ(Sent(0).size(), before[0]);
    EXPECT_EQ(Sent(1).size(), before[1]);

    // A reconfiguration that raises a floor above the present value moves
    // nothing; the next change goes to the floor.
    ASSERT_TRUE(bench.ApplyConfiguration(Config("90", "40"), "/bench.cfg").Applied());
    EXPECT_TRUE(bench.BoxState(2).BelowFloor);
    EXPECT_EQ(Sent(1).size(), before[1]);
    bench.SetByHand(2, 30);
    ASSERT_TRUE(Settled(2, 40));

    // A run that keeps to the floors plays; its description lists them.
    ASSERT_FALSE(Run({Sequence("ok.sqc", 2, {{1, 0, ActionStep, 0, 45, 2}})}));
    const TRunRecord* record = bench.Runs().Record();
    ASSERT_TRUE(record && WaitUntil([&] { return record->Closed(); }, 20000));
    QFile description(QString::fromStdString(RunDescriptionPath(record->Path())));
    ASSERT_TRUE(description.open(QIODevice::ReadOnly));
    const QJsonArray described = QJsonDocument::fromJson(description.readAll()).object()["attenuators"].toArray();
    EXPECT_EQ(described[0].toObject()["floor"].toInt(), 900);
    EXPECT_EQ(described[1].toObject()["floor"].toInt(), 40);
    EXPECT_TRUE(described[2].toObject()["floor"].isNull());

    // *RST and the parking go to the common maximum (63 dB), never below a
    // floor: 90 dB stays on the tenths attenuator.
    std::optional<std::vector<std::string>> unparked;
    remote.Core().Park([&](std::optional<TRemoteRefusal>, const std::vector<std::string>& u) { unparked = u; });
    ASSERT_TRUE(WaitUntil([&] { return unparked.has_value(); }, 20000));
    EXPECT_TRUE(unparked->empty());
    bool parked = false;
    bench.Park([&] { parked = true; });
    ASSERT_TRUE(WaitUntil([&] { return parked; }, 20000));
    for (int k = 0; k < 2; ++k) {
        const int floor = k == 0 ? 200 : 21;
        for (int v : Sent(k)) EXPECT_GE(v, floor) << "attenuator " << k + 1;
    }
    EXPECT_EQ(Sent(0).back(), 900);
    EXPECT_EQ(Sent(1).back(), 63);
}

// No floor and a floor of 0 send exactly what was sent before.
TEST_F(FloorTest, NoFloorChangesNothing) {
    for (const char* floor : {"", "0"}) {
        SCOPED_TRACE(floor);
        ASSERT_TRUE(bench.ApplyConfiguration(Config(floor, floor), "/bench.cfg").Applied());
        EXPECT_FALSE(bench.BoxState(1).Floor);
        EXPECT_FALSE(bench.BoxState(1).BelowFloor);
        EXPECT_EQ(remote.Core().Floor(1).Text, "0");
        ASSERT_FALSE(remote.Core().SetAttenuation(1, "0").Refusal);
        ASSERT_TRUE(Settled(1, 0));
        bench.SetByHand(2, 0);
        ASSERT_TRUE(Settled(2, 0));
        EXPECT_EQ(Sent(0).back(), 0);
        EXPECT_EQ(Sent(1).back(), 0);
    }
}

}  // namespace
