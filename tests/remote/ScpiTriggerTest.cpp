// The armed start over SCPI on the bench core, against simulated
// attenuators: each command's answer, error and the run's state after it,
// and nothing on the wire before the start.

#include "benchcore/Bench.h"
#include "benchcore/BenchRemote.h"
#include "remote/ScpiSession.h"
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

#include <regex>

namespace {

using namespace std::chrono;

class ScpiTriggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        TSimAttenuator a;
        a.ip = TRackSimulator::FreeLoopbackAddress(10001, 1);
        a.port = 10001;
        a.name = "AT1";
        att = sim.Add(a);
        sim.Start();
        RackConfiguration c = RackConfiguration::Defaults();
        c.Racks[0].IPAddress = a.ip;
        c.Racks[0].AttEnabled = {true, false, false, false};
        bench.SetRecordsDir(Dir());
        ASSERT_TRUE(bench.ApplyConfiguration(c, "/bench.cfg").Applied());
        bench.Start();
        ASSERT_TRUE(WaitUntil([&] { return bench.ReadyCount() == 1 && bench.BoxState(1).Value; }));
    }
    std::string Dir() const { return home.path().toStdString() + "/"; }
    // One line as a client sends it; the response once the session is done
    // with it, and the first error of the queue (empty when none).
    std::pair<std::string, std::string> Line(const std::string& line) {
        responses.clear();
        session.Line(line);
        EXPECT_TRUE(WaitUntil([&] { return !session.Waiting(); }, 20000)) << line;
        const std::string response = responses;
        responses.clear();
        session.Line("SYST:ERR?");
        const std::string error = responses.rfind("0,", 0) == 0 ? std::string() : responses;
        while (responses.rfind("0,", 0) != 0) {  // the queue emptied
            responses.clear();
            session.Line("SYST:ERR?");
        }
        return {response, error.empty() ? error : error.substr(0, error.find(','))};
    }
    int AttLines() const {
        int n = 0;
        for (const auto& l : sim.Lines(att)) n += l.line.rfind("ATT", 0) == 0;
        return n;
    }

    QTemporaryDir home;
    TRackSimulator sim;
    int att = 0;
    TBench bench{FastTimings()};
    TBenchRemote remote{bench};
    std::string responses;
    TScpiSession session{remote.Core(), [this](const std::string& r) { responses += r.substr(0, r.size() - 1); }};
};

TEST_F(ScpiTriggerTest, ArmedRunsStartOnTriggerOrAtAnInstantAndRefuseWhatCannotBe) {
    TSequenceFileData data;
    data.Selected[0] = true;
    data.Rows = {{1, 0, ActionStep, 0, 200, 2}, {2, 0, ActionStep, 0, 300, 600}};
    std::string error;
    const std::string file = Dir() + "hold.sqc";
    ASSERT_TRUE(SaveSequenceFile(file, data, error)) << error;
    const std::string load = "SEQ:LOAD '" + file + "'";

    // {+s}: an instant s seconds from now, as a controller writes it.
    struct Case {
        std::string line;
        std::string response;  // a regular expression
        std::string error;     // its code, or empty
        int sent;              // 1: the run reached the wire; 0: nothing was sent; -1: either
    };
    const std::vector<Case> cases = {
        {"SEQ:STAT?", "IDLE", "", 0},
        {"SEQ:STAR;STAT?", "IDLE", "-221", 0},
        {"*TRG", "", "-221", 0},
        {"SEQ:LOAD '" + Dir() + "none.sqc';STAT?", "IDLE", "-200", 0},
        {"SEQ:LOAD 'relative.sqc'", "", "-224", 0},
        {load + ";STAT?", "ARM", "", 0},
        {load, "", "-221", 0},
        {"ATT1 20", "", "-221", 0},
        {"SEQ:STAR:TIME {-1}", "", "-222", 0},
        {"SEQ:STAR:TIME {+0.02}", "", "-222", 0},
        {"SEQ:STAR:TIME {+86401}", "", "-222", 0},
        {"SEQ:STAR:TIME NOW", "", "-222", 0},
        {"SEQ:STAR:TIME 'soon'", "", "-222", 0},
        {"SEQ:STAR:TIME?", "", "-221", 0},
        {"ABOR;SEQ:STAT?", "IDLE", "", 0},
        {"SEQ:STAR", "", "-221", 0},
        {load + ";*TRG;SEQ:STAT?", "ARM|RUN", "", 1},
        {"SEQ:STOP;STAT?", "IDLE", "", -1},
        {load + ";SEQ:STAR:TIME {+0.6};SEQ:STAR:TIME?;SEQ:STAT?", "\\d+\\.\\d{6};ARM", "", 0},
        {"*TRG", "", "-221", 0},
        {"SEQ:STOP;STAT?", "IDLE", "", 0},
        {"SYST:TIME:UTC?", "\\d{10}\\.\\d{6}", "", 0},
    };
    for (const Case& c : cases) {
        std::string line = c.line;
        const std::regex instant("\\{([-+][0-9.]+)\\}");
        std::smatch m;
        if (std::regex_search(line, m, instant))
            line = m.prefix().str() +
                   RemoteUtcText(system_clock::now() + duration_cast<system_clock::duration>(
                                                           duration<double>(std::stod(m[1].str())))) +
                   m.suffix().str();
        const int before = AttLines();
        const auto [response, code] = Line(line);
        EXPECT_TRUE(std::regex_match(response, std::regex(c.response))) << line << " answered " << response;
        EXPECT_EQ(code, c.error) << line;
        if (c.sent == 1) {
            EXPECT_TRUE(WaitUntil([&] { return AttLines() > before; })) << line;
        } else if (c.sent == 0) {
            EXPECT_EQ(AttLines(), before) << line;
        }
    }
    // The clock answers the bench's own time.
    const auto clock = ParseRemoteUtc(Line("SYST:TIME:UTC?").first);
    ASSERT_TRUE(clock);
    EXPECT_LT(abs(duration_cast<milliseconds>(*clock - system_clock::now()).count()), 1000);

    // Started at an instant: nothing before it, the first tick on it, and
    // the description tells both.
    EXPECT_EQ(Line(load).second, "");
    const auto at = system_clock::now() + milliseconds(400);
    const int before = AttLines();
    EXPECT_EQ(Line("SEQ:STAR:TIME " + RemoteUtcText(at)).second, "");
    EXPECT_EQ(Line("SEQ:STAR:FIRS?").second, "-221");
    ASSERT_TRUE(WaitUntil([&] { return AttLines() > before; }));
    const auto first = ParseRemoteUtc(Line("SEQ:STAR:FIRS?").first);
    ASSERT_TRUE(first);
    EXPECT_GE(*first, at);
    EXPECT_LT(*first - at, milliseconds(50));
    EXPECT_EQ(Line("ABOR").second, "");
    const TRunRecord* record = bench.Runs().Record();
    ASSERT_TRUE(record && WaitUntil([&] { return record->Closed(); }));
    QFile json(QString::fromStdString(RunDescriptionPath(record->Path())));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(json.readAll()).object();
    EXPECT_NEAR(o["startInstant"].toDouble(), duration<double>(at.time_since_epoch()).count(), 1e-5);
    EXPECT_NEAR(o["end"].toObject()["firstTick"].toDouble(), duration<double>(first->time_since_epoch()).count(), 1e-5);
}

}  // namespace
