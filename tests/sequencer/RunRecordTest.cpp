// The record of a run: its file name and rows, and a folder that cannot be
// written, which must not touch the run.

#include "SequenceTestSupport.h"
#include "tests/testsupport/TestSupport.h"
#include "support/GuiThread.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequencerThread.h"

#include <filesystem>

namespace {

class TCountingDelivery : public TSequencerDelivery {
public:
    void AdvanceTime(int) override { ++ticks; }
    bool GraphVisible() const override { return false; }
    void AddAttCommand(int, const std::string&) override {}
    bool AttEnabled(int) const override { return true; }
    void SetPendingCommand(int, const std::string&, bool) override { ++posted; }
    bool MainVisible() const override { return false; }
    void ShowLinkAnswer(int, const std::string&) override {}
    int ticks = 0, posted = 0;
};

}  // namespace

TEST(RunRecord, RowsNameTheAttenuatorAndGiveDecibelsInItsOwnUnit) {
    using namespace std::chrono;
    const auto wall = system_clock::now();
    const std::string name = RunRecordFileName(wall);
    EXPECT_TRUE(name.starts_with("run ") && name.ends_with(".csv")) << name;
    EXPECT_EQ(name.find_first_of(":/\\*?\"<>|"), std::string::npos) << name;
    EXPECT_LT(RunRecordFileName(wall), RunRecordFileName(wall + seconds(1)));
    EXPECT_LT(RunRecordFileName(wall), RunRecordFileName(wall, 2));
    EXPECT_LT(RunRecordFileName(wall, 2), RunRecordFileName(wall + seconds(1)));

    const TRecordRow row{wall, milliseconds(1234), 3, "ATT 0 045", false, wall + milliseconds(7), {}};
    const std::string tenths = RunRecordLine(row, {"A,B", "10.0.0.2", "10003", 935, "A1B2C3"});
    EXPECT_TRUE(tenths.ends_with(",1.234,3,\"A,B\",10.0.0.2,10003,45,4.5," + LocalTimeText(wall + milliseconds(7)) +
                                 ",\r\n")) << tenths;
    EXPECT_EQ(tenths.rfind(LocalTimeText(wall), 0), 0u) << tenths;
    EXPECT_EQ(tenths[10], ' ');
    EXPECT_EQ(tenths[19], '.');  // yyyy-mm-dd hh:mm:ss.mmm
    TRecordRow refused = row;
    refused.Sent.reset();
    refused.NotSent = TNotSent::LinkNotUsable;
    EXPECT_TRUE(RunRecordLine(refused, {"LAB", "", "", 110, ""}).ends_with(",45,45,not sent: link not usable,\r\n"));
    refused.NotSent = TNotSent::Replaced;  // and the unit not known
    EXPECT_TRUE(RunRecordLine(refused, {"LAB", "", "", 0, ""}).ends_with(",45,,not sent: replaced by a newer command,\r\n"));
    EXPECT_EQ(RunDescriptionPath("/r/run 2026-12-08 20-35-12_2.csv"), "/r/run 2026-12-08 20-35-12_2.json");
    // A value cut down to the attenuator's maximum is marked in the last column.
    EXPECT_TRUE(RunRecordHeader().ends_with(",Value,Attenuation (dB),Sent,Limited\r\n"));
    const TRecordRow limited{wall, milliseconds(5), 1, "ATT 0 063", true, wall, {}};
    EXPECT_TRUE(RunRecordLine(limited, {"LAB", "", "", 63, ""}).ends_with(",63,63," + LocalTimeText(wall) + ",yes\r\n"));
    EXPECT_EQ(CsvField("LAB1"), "LAB1");
    EXPECT_EQ(CsvField("a\"b,"), "\"a\"\"b,\"");
}

TEST(RunRecord, UnwritableFolderIsToldOnceOnTheGuiThreadAndTheRunGoesOn) {
    TTempFolder dir;
    const std::string notAFolder = dir.Write("plain", "x");
    const auto file = dir.Write("a.sqc", SqcText({1, 2}, {Row(1, ActionRamp, 0, 100, 10)}));
    TSequenceAnalysis a = AnalyzeSequences({file});
    ASSERT_TRUE(a.Ok()) << a.Error;

    std::vector<std::string> told;
    bool onGui = true;
    TRunRecord record(notAFolder + "/records", TRunStart{}, [&](const std::string& text) {
        told.push_back(text);
        onGui = onGui && IsGuiThread();
    });
    TCountingDelivery inner;
    TRunRecordDelivery delivery(inner, record);
    bool ended = false;
    TSequencerThread engine(delivery, TSequenceRun(std::move(a.Scripts), a.Assignment), 5);
    engine.SetOnTerminate([&] { ended = true; });
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return ended; }, 20000));
    record.Finish(TRunEnding::Completed);
    ASSERT_TRUE(WaitUntil([&] { return record.Closed(); }));
    PumpEvents(50);
    EXPECT_EQ(inner.ticks, 10);
    EXPECT_EQ(inner.posted, 20);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(notAFolder + "/records"), std::string::npos) << told[0];
    EXPECT_TRUE(onGui);
    EXPECT_TRUE(record.Path().empty());
}

TEST(RunRecord, RunsStartedInTheSameSecondKeepFilesOfTheirOwnAndNothingIsOverwritten) {
    TTempFolder dir;
    // A description left without its record takes the name from both files.
    std::vector<std::string> decoys;
    const auto now = std::chrono::system_clock::now();
    for (int s = 0; s < 2; ++s)
        decoys.push_back(dir.Write(RunDescriptionPath(RunRecordFileName(now + std::chrono::seconds(s))), "decoy"));
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        TRunRecord record(dir.Path(), TRunStart{}, [](const std::string& text) { ADD_FAILURE() << text; });
        record.Add(1, "ATT 0 01" + std::to_string(i), false);
        record.Finish(TRunEnding::Completed);
        ASSERT_TRUE(WaitUntil([&] { return record.Closed(); }));
        paths.push_back(record.Path());
    }
    PumpEvents(20);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(std::unique(paths.begin(), paths.end()), paths.end());
    std::string all;
    for (const auto& p : paths) {
        EXPECT_EQ(std::find(decoys.begin(), decoys.end(), RunDescriptionPath(p)), decoys.end()) << p;
        EXPECT_NE(ReadAll(RunDescriptionPath(p)).find("\"ended\": \"completed\""), std::string::npos) << p;
        const std::string text = ReadAll(p);
        EXPECT_TRUE(text.starts_with(RunRecordHeader())) << p;
        all += text.substr(RunRecordHeader().size());
    }
    for (const auto& d : decoys) {
        EXPECT_EQ(ReadAll(d), "decoy");
        EXPECT_FALSE(std::filesystem::exists(d.substr(0, d.size() - 5) + ".csv")) << d;
    }
    // A ticket let go without an outcome is a command that was never sent.
    for (const char* value : {",10,,not sent: dropped at stop,\r\n", ",11,,", ",12,,"})
        EXPECT_NE(all.find(value), std::string::npos) << value << " in " << all;
}
