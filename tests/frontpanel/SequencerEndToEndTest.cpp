// The whole program against the simulated racks: a sequence written and
// saved in the editor runs with a second one from the sequence list, and its
// values reach the attenuators, the front-panel boxes and the graph.

#include "MainFormFixture.h"
#include "SequencerRunFiles.h"
#include "sequencer/SequenceLine.h"
#include "sequencer/SequencerEditForm.h"
#include "sequencer/SequencerForm.h"
#include "sequencer/SequenceCompiler.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/SequenceRun.h"
#include "sequencer/SequencerThread.h"
#include "sequencer/RunRecord.h"

#include "support/TextFields.h"

#include <QCheckBox>
#include <QLabel>
#include <QFileDialog>
#include <QListWidget>

namespace {

// The value texts of attenuator att in the compiled run, with their ticks
// (1-based), for the first maxTicks ticks.
std::vector<std::pair<int, std::string>> Expected(const std::vector<std::string>& files, int att, int maxTicks) {
    TSequenceAnalysis a = AnalyzeSequences(files);
    EXPECT_TRUE(a.Ok()) << a.Error;
    TSequenceRun run(std::move(a.Scripts), a.Assignment);
    std::vector<std::pair<int, std::string>> values;
    for (int tick = 1; tick <= maxTicks && run.Step(); ++tick)
        if (!run.Command(att).empty()) values.emplace_back(tick, run.Command(att));
    return values;
}

}  // namespace

TEST_F(MainFormTest, SequenceWrittenInTheEditorRunsWithAnotherOnTheRacks) {
    Serve({{935, "LAB1", 300}, {935, "LAB2", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "LAB1"));
    ASSERT_TRUE(WaitUsable(2, "LAB2"));
    ASSERT_TRUE(WaitSettled(1));
    ASSERT_TRUE(WaitSettled(2));

    const std::string written = home.path().toStdString() + "/written.sqc";
    TSequenceFileData other;
    other.Selected[1] = true;
    other.Rows = {{1, 0, ActionStep, 0, 200, 3}, {2, 0, ActionRamp, 200, 300, 6}, {3, 0, ActionStep, 0, 400, 9999}};
    const std::string second = home.path().toStdString() + "/second.sqc";
    std::string error;
    ASSERT_TRUE(SaveSequenceFile(second, other, error)) << error;

    bool done = false;
    WhenShown<TSequencerForm>([&](TSequencerForm* list) {
        WhenShown<TSequencerEditForm>([&](TSequencerEditForm* editor) {
            EXPECT_EQ(editor->AttCheckBoxes[0]->text(), "LAB1");
            TSequenceLine** rows = editor->Rows.data();
            rows[1]->SetAction(ActionStep);
            rows[1]->SetToValue(100);
            rows[1]->SetDurationValue(5);
            rows[2]->SetAction(ActionRamp);
            rows[2]->SetFromValue(100);
            rows[2]->SetToValue(0);
            rows[2]->SetDurationValue(10);
            rows[3]->SetAction(ActionStep);
            rows[3]->SetToValue(50);
            rows[3]->SetDurationValue(9999);
            EXPECT_EQ(rows[4]->TimeText->text(), "1001.4");
            editor->AttCheckBoxes[0]->setChecked(true);
            WhenShown<QFileDialog>([&](QFileDialog* d) {
                d->selectFile(QString::fromStdString(home.path().toStdString() + "/written"));
                static_cast<QDialog*>(d)->accept();
            });
            editor->OkButton->click();
        });
        list->ButtonEdit->click();
        list->AddFiles({written, second});
        list->LBSequence->selectAll();
        list->GraphButton->click();
        const int before1 = CountOnWire(0, "ATT 0 935");
        ASSERT_EQ(before1, 0);
        list->ButtonRun->click();
        WaitUntil([&] { return !list->Analyzing(); }, 20000);  // read off the GUI thread
        ASSERT_TRUE(list->Running());

        const auto expected1 = Expected({written, second}, 1, 20);
        const auto expected2 = Expected({written, second}, 2, 20);
        auto received = [&](int att) {
            std::vector<TSimLine> lines;
            for (const TSimLine& l : sim.Lines(simIndex[att]))
                if (StartsWith(l.line, "ATT 0 ")) lines.push_back(l);
            return lines;
        };
        ASSERT_TRUE(WaitUntil([&] {
            return received(0).size() >= expected1.size() && received(1).size() >= expected2.size();
        }, 20000));
        for (int att = 0; att < 2; ++att) {
            const auto& expected = att == 0 ? expected1 : expected2;
            const auto lines = received(att);
            ASSERT_EQ(lines.size(), expected.size());
            const auto start = lines[0].time - std::chrono::milliseconds(100 * expected[0].first);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].line, expected[i].second) << "attenuator " << att + 1 << " value " << i;
                // Each value arrives in its own tick (one tick of slack for a busy machine).
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(lines[i].time - start).count();
                EXPECT_NEAR(static_cast<double>(ms) / 100.0, expected[i].first, 1.0) << "value " << i;
            }
        }
        EXPECT_TRUE(WaitUntil([&] { return Box(1)->Value() == 50 && Box(2)->Value() == 400; }));
        const TSeries* curve1 = list->GraphForm()->AttCurves[1];
        const TSeries* curve2 = list->GraphForm()->AttCurves[2];
        ASSERT_GT(curve1->Count(), 0);
        EXPECT_EQ(curve1->GetPoint(curve1->Count() - 1).Y, -50);
        EXPECT_EQ(curve2->GetPoint(curve2->Count() - 1).Y, -400);

        list->ButtonStop->click();
        EXPECT_TRUE(WaitUntil([&] { return !list->Running(); }));
        // The run's record, in the folder the editor saved into, names each
        // attenuator as the front panel knows it, with its value in decibels.
        ASSERT_TRUE(WaitUntil([&] { return list->Record()->Closed(); }));
        EXPECT_EQ(list->Record()->Path().rfind(home.path().toStdString() + "/run ", 0), 0u);
        const std::string record = ReadAll(list->Record()->Path());
        // Every command reached its attenuator, and the record says when.
        EXPECT_NE(record.find(",1,LAB1," + ip1 + ",10001,50,5.0,20"), std::string::npos) << record;
        EXPECT_NE(record.find(",2,LAB2," + ip1 + ",10002,400,40.0,20"), std::string::npos) << record;
        EXPECT_EQ(record.find("not sent"), std::string::npos) << record;
        EXPECT_NE(ReadAll(RunDescriptionPath(list->Record()->Path())).find("\"deviceId\": \"A1B2C3\""),
                  std::string::npos);
        list->reject();
        done = true;
    });
    form->miSequencer->trigger();
    EXPECT_TRUE(done);
    EXPECT_FALSE(form->SequencerOpen());
    // Nothing more reaches the attenuators once stopped.
    const std::size_t after = sim.Lines(simIndex[0]).size();
    PumpEvents(400);
    int att = 0;
    for (std::size_t i = after; i < sim.Lines(simIndex[0]).size(); ++i)
        att += StartsWith(sim.Lines(simIndex[0])[i].line, "ATT");
    EXPECT_EQ(att, 0);
}

TEST_F(MainFormTest, MixedBenchPlaysEachAttenuatorInItsOwnUnitAndShowsDecibels) {
    // 63 dB counting whole decibels beside 93.5 dB counting tenths: the
    // common unit, the editor's and the file's, is whole decibels.
    Serve({{63, "LAB1", 10}, {935, "LAB2", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "LAB1") && WaitUsable(2, "LAB2"));
    ASSERT_TRUE(WaitSettled(1) && WaitSettled(2));
    ASSERT_EQ(form->CommonMaxAtt(), 63);
    const std::string file =
        WriteSequence(home, "ramp.sqc", {1, 2}, {{1, 0, ActionReset, 0, 0, 0}, {2, 0, ActionRamp, 20, 40, 5}});
    const std::string csv = home.path().toStdString() + "/values.csv";

    bool done = false;
    WhenShown<TSequencerForm>([&](TSequencerForm* list) {
        RunWithGraph(list, {file});
        ASSERT_TRUE(WaitUntil([&] { return !list->Running(); }, 20000));
        // Not an ASSERT: the list must still be closed below, or the test hangs.
        EXPECT_TRUE(WaitUntil([&] { return AttLines(sim, simIndex[1]).size() >= 6; }, 20000));
        // "Reset" within each maximum; 20..40 dB as 20..40 dB on both.
        EXPECT_EQ(AttLines(sim, simIndex[0]), (std::vector<std::string>{"ATT 0 063", "ATT 0 020", "ATT 0 025",
                                                                         "ATT 0 030", "ATT 0 035", "ATT 0 040"}));
        EXPECT_EQ(AttLines(sim, simIndex[1]), (std::vector<std::string>{"ATT 0 935", "ATT 0 200", "ATT 0 250",
                                                                         "ATT 0 300", "ATT 0 350", "ATT 0 400"}));
        // The last tick's values are written after the run's end: the box and
        // the curve show them once the link has told so, moments after the
        // attenuator took them.
        TSequencerGraphForm* graph = list->GraphForm();
        const auto last = [&](int n) {
            const TSeries* c = graph->AttCurves[n];
            return c->Count() > 0 ? c->GetPoint(c->Count() - 1).Y : 1;
        };
        EXPECT_TRUE(WaitUntil([&] { return Box(2)->Value() == 400 && last(1) == -400 && last(2) == -400; }));
        EXPECT_EQ(Box(1)->Value(), 40);
        EXPECT_EQ(Box(2)->Value(), 400);
        EXPECT_EQ(graph->xyGraph->YAxis().Min(), -630);
        for (int n : {1, 2}) EXPECT_EQ(last(n), -400);
        ASSERT_TRUE(graph->SaveValuesCsv(csv));
        ASSERT_TRUE(WaitUntil([&] { return list->Record()->Closed(); }));
        const std::string record = ReadAll(list->Record()->Path());
        // Each row: the value sent, in dB, when it was written, and the limit mark.
        const std::pair<std::string, std::string> rows[] = {{",1,LAB1," + ip1 + ",10001,63,63,", ",yes"},
                                                            {",2,LAB2," + ip1 + ",10002,935,93.5,", ",yes"},
                                                            {",1,LAB1," + ip1 + ",10001,40,40,", ","},
                                                            {",2,LAB2," + ip1 + ",10002,400,40.0,", ","}};
        for (const auto& [head, tail] : rows) {
            const std::size_t at = record.find(head);
            if (at == std::string::npos) {
                ADD_FAILURE() << head << " in " << record;
                continue;
            }
            const std::string rest = record.substr(at + head.size(), record.find("\r\n", at) - at - head.size());
            EXPECT_EQ(rest.substr(0, 2), "20") << rest;  // the time it was sent
            EXPECT_TRUE(rest.ends_with(tail) && rest.find(',') == rest.size() - tail.size()) << rest;
        }
        list->reject();
        done = true;
    });
    form->miSequencer->trigger();
    ASSERT_TRUE(done);
    const std::string values = ReadAll(csv);
    EXPECT_TRUE(values.starts_with("Time (s),1 LAB1 (dB),2 LAB2 (dB),3 (dB),")) << values.substr(0, 80);
    EXPECT_TRUE(values.ends_with("\r\n0.0,-40.0,-40.0,,,,,,\r\n"));
}

TEST_F(MainFormTest, BoxOfALinkThatIsDownIsLeftAloneAndShowsTheReadBackOnceItIsBack) {
    Serve({{935, "LAB1", 300}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "LAB1") && WaitSettled(1));
    const std::string file =
        WriteSequence(home, "long.sqc", {1}, {{1, 0, ActionRamp, 100, 500, 30}, {2, 0, ActionStep, 0, 50, 1}});

    bool done = false;
    WhenShown<TSequencerForm>([&](TSequencerForm* list) {
        list->AddFiles({file});
        list->LBSequence->selectAll();
        list->ButtonRun->click();
        WaitUntil([&] { return !list->Analyzing(); }, 20000);  // read off the GUI thread
        ASSERT_TRUE(WaitUntil([&] { return Box(1)->Value() >= 150; }));
        TSimFaults down;
        down.refuseConnections = true;
        sim.SetFaults(simIndex[0], down);
        sim.DropConnections(simIndex[0]);
        ASSERT_TRUE(WaitUntil([&] { return !Box(1)->isEnabled(); }));
        const int shown = Box(1)->Value();
        sim.SetAttenuation(simIndex[0], 105);
        const std::size_t sent = AttLines(sim, simIndex[0]).size();
        // The run goes on to its end without touching the box.
        WaitUntil([&] { return Box(1)->Value() != shown || !list->Running(); }, 20000);
        EXPECT_EQ(Box(1)->Value(), shown);
        ASSERT_TRUE(WaitUntil([&] { return !list->Running(); }, 20000));
        // Back: the box shows what the attenuator holds, and nothing is sent to it.
        sim.SetFaults(simIndex[0], {});
        EXPECT_TRUE(WaitUntil([&] { return Box(1)->isEnabled() && Box(1)->Value() == 105; }));
        list->reject();
        PumpEvents(600);  // past the box's change delay: the read-back is no change to send
        EXPECT_EQ(AttLines(sim, simIndex[0]).size(), sent);
        EXPECT_EQ(sim.Attenuation(simIndex[0]), 105);
        done = true;
    });
    form->miSequencer->trigger();
    ASSERT_TRUE(done);
    EXPECT_EQ(Box(1)->Value(), 105);
}
