// The whole program against the simulated racks: a sequence written and
// saved in the editor runs with a second one from the sequence list, and its
// values reach the attenuators, the front-panel boxes and the graph.

#include "MainFormFixture.h"
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
