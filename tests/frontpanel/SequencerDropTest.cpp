// A run whose attenuator closes its connection: what the record says was
// sent is what the attenuator received, and the box and the graph show what
// it holds, its read-back once the link is back.

#include "MainFormFixture.h"
#include "SequencerRunFiles.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequencerForm.h"

#include <QListWidget>
#include <QPushButton>

#include <sstream>

namespace {

// The values of the record's rows for box that were written to its link.
std::vector<std::string> SentValues(const std::string& record, int box) {
    std::vector<std::string> sent;
    std::istringstream lines(record);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
        // Time, Seconds, Box, Name, Address, Port, Value, dB, Sent, Limited
        if (f.size() >= 9 && f[2] == std::to_string(box) && !f[8].empty() && !StartsWith(f[8], "not sent"))
            sent.push_back(f[6]);
    }
    return sent;
}

}  // namespace

TEST_F(MainFormTest, ConnectionClosedDuringARunIsRecordedAsItHappenedAndTheReadBackIsDrawn) {
    Serve({{935, "LAB1", 300}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "LAB1") && WaitSettled(1));
    // 10.0 dB, two silent seconds, 20.0 dB, four silent seconds, 30.0 dB.
    const std::string file = WriteSequence(
        home, "steps.sqc", {1},
        {{1, 0, ActionStep, 0, 100, 20}, {2, 0, ActionStep, 0, 200, 40}, {3, 0, ActionStep, 0, 300, 1}});
    const std::string csv = home.path().toStdString() + "/values.csv";

    bool done = false;
    WhenShown<TSequencerForm>([&](TSequencerForm* list) {
        RunWithGraph(list, {file});
        TSequencerGraphForm* graph = list->GraphForm();
        const auto lastGain = [&] {
            const TSeries* c = graph->AttCurves[1];
            return c->Count() > 0 ? c->GetPoint(c->Count() - 1).Y : 1;
        };
        EXPECT_TRUE(WaitUntil([&] { return Box(1)->Value() == 100 && lastGain() == -100; }));
        // The attenuator is set by hand to 10.5 dB and closes the
        // connection while the run is silent.
        sim.SetAttenuation(simIndex[0], 105);
        sim.DropConnections(simIndex[0]);
        // The link notices and is back before the run sends again: the curve
        // shows the read-back, also in the graph's values; at the next tick
        // the run catches the attenuator up, and the box and the curve show
        // the run's value again.
        const auto readBackDrawn = [&] {
            const TSeries* c = graph->AttCurves[1];
            for (int i = 0; i < c->Count(); ++i)
                if (c->GetPoint(i).Y == -105) return true;
            return false;
        };
        EXPECT_TRUE(WaitUntil(readBackDrawn, 20000));
        EXPECT_TRUE(graph->SaveValuesCsv(csv));
        // The graph's values give each time's last point: the read-back is
        // there unless the catch-up was drawn at the same time (a slow turn
        // of the event loop).
        const TSeries* curve = graph->AttCurves[1];
        bool lastAtItsTime = false;
        for (int i = 0; i < curve->Count(); ++i)
            if (curve->GetPoint(i).Y == -105)
                lastAtItsTime = i + 1 == curve->Count() || curve->GetPoint(i + 1).X != curve->GetPoint(i).X;
        if (lastAtItsTime) {
            EXPECT_NE(ReadAll(csv).find(",-10.5,,,,,,,\r\n"), std::string::npos) << ReadAll(csv);
        }
        EXPECT_TRUE(WaitUntil([&] { return Box(1)->Value() == 100 && lastGain() == -100; }, 20000));
        EXPECT_TRUE(WaitUntil([&] { return !list->Running(); }, 20000));
        EXPECT_TRUE(WaitUntil([&] { return list->Record() && list->Record()->Closed(); }));
        // What the record says was sent is what the attenuator received.
        const std::string record = list->Record() ? ReadAll(list->Record()->Path()) : std::string();
        std::vector<std::string> received;
        for (const std::string& line : AttLines(sim, simIndex[0]))
            received.push_back(std::to_string(std::stoi(line.substr(6))));
        EXPECT_EQ(SentValues(record, 1), received) << record;
        // The link came back during the hold: the run's present value went
        // out again at the next tick (its catch-up row).
        EXPECT_EQ(received, (std::vector<std::string>{"100", "100", "200", "300"}));
        const std::string description = ReadAll(RunDescriptionPath(list->Record()->Path()));
        EXPECT_NE(description.find("\"commandsSent\": " + std::to_string(received.size())), std::string::npos)
            << description;
        list->reject();
        done = true;
    });
    form->miSequencer->trigger();
    ASSERT_TRUE(done);
}
