// The editor's rows without widgets: reading a file, the Time column, and
// the shortened paths of the sequence list.

#include "sequencer/SequenceEditorModel.h"
#include "sequencer/SequencePaths.h"
#include "SequenceTestSupport.h"

#include <gtest/gtest.h>

TEST(SequenceEditorModel, ReaderTakesTheLastAttenuatorLineAndKeepsRowsInRange) {
    TTempFolder dir;
    const std::string file = dir.Write(
        "two.sqc",
        "ATTS SELECTED\r\n att1 att2\r\n att3\r\nACTIONS\r\n"
        "0\t0\t3\t0\t5\t5\r\n1\t0\t1\t0\t0\t0\r\n21\t0\t3\t0\t9\t9\r\n2\t7\t2\t0\t100\t30\r\n");
    TEditorFileContent content;
    std::string error;
    ASSERT_TRUE(ReadEditorSequence(file, 20, content, error)) << error;
    // The second attenuator line sets all eight boxes: only attenuator 3.
    EXPECT_EQ(content.Selected, (std::array<bool, 8>{false, false, true, false, false, false, false, false}));
    ASSERT_EQ(content.Rows.size(), 2u);
    EXPECT_EQ(content.Rows[0], (TActionRow{1, 0, 1, 0, 0, 0}));
    EXPECT_EQ(content.Rows[1], (TActionRow{2, 7, 2, 0, 100, 30}));

    // A file that cannot be read leaves what was read before.
    EXPECT_FALSE(ReadEditorSequence(dir.Path() + "/missing.sqc", 20, content, error));
    EXPECT_NE(error.find("missing.sqc"), std::string::npos);
    EXPECT_EQ(content.Rows.size(), 2u);
}

TEST(SequenceEditorModel, TimesFollowDurationsAndRepeats) {
    // Row 2 starts at 1.0, row 5 at 3.0; "Repeat" row 2 three times.
    std::vector<TActionRow> rows = {Row(1, ActionNone, 0, 0, 10), Row(2, ActionStep, 0, 50, 10),
                                    Row(3, ActionGoto, 0, 4, 7), Row(4, ActionStep, 0, 20, 10),
                                    Row(5, ActionRepeat, 0, 2, 3), Row(6, ActionReset, 0, 0, 4),
                                    Row(7, ActionRepeat, 0, 9, 5), Row(8, ActionNone, 0, 0, 0)};
    RecomputeEditorTimes(rows);
    EXPECT_EQ(rows[1].Time, 10);
    EXPECT_EQ(rows[4].Time, 30);
    EXPECT_EQ(rows[5].Time, 90);
    // "Reset" and "Goto" hold no duration.
    EXPECT_EQ(rows[2].Duration, 0);
    EXPECT_EQ(rows[5].Duration, 0);
    EXPECT_EQ(rows[3].Time, 20);
    // A forward "Repeat" takes no time in the column.
    EXPECT_EQ(rows[6].Time, 90);
    EXPECT_EQ(rows[7].Time, 90);
}

TEST(SequenceEditorModel, TimesSaturateInsteadOfWrapping) {
    // Nested loops of large counts: each pass multiplies the time by 10000.
    std::vector<TActionRow> rows = {Row(1, ActionNone, 0, 0, 0), Row(2, ActionNone, 0, 0, 9999)};
    for (int i = 3; i <= 8; ++i) rows.push_back(Row(i, ActionRepeat, 0, 1, 9999));
    rows.push_back(Row(9, ActionNone, 0, 0, 0));
    rows[0].Time = -50;  // a negative start from a file is never shown
    RecomputeEditorTimes(rows);
    EXPECT_EQ(rows[0].Time, 0);
    for (const TActionRow& r : rows) EXPECT_GE(r.Time, 0);
    EXPECT_EQ(rows[3].Time, 9999 + 9999LL * 9999);
    EXPECT_EQ(rows.back().Time, MaxEditorTime);
    EXPECT_EQ(BuildEditorFile({}, rows).Rows.back().Time, MaxEditorTime);
}

TEST(SequencePaths, LeadingFoldersGiveWayOneAtATime) {
    const auto chars = [](const std::string& s) { return static_cast<int>(s.size()); };
    const std::string path = "/home/lab/seq/run/ramp.sqc";
    EXPECT_EQ(ShortenPath(path, 100, chars), path);
    EXPECT_EQ(ShortenPath(path, 25, chars), "/.../lab/seq/run/ramp.sqc");
    EXPECT_EQ(ShortenPath(path, 21, chars), "/.../seq/run/ramp.sqc");
    EXPECT_EQ(ShortenPath(path, 17, chars), "/.../run/ramp.sqc");
    EXPECT_EQ(ShortenPath(path, 13, chars), "/.../ramp.sqc");
    EXPECT_EQ(ShortenPath(path, 12, chars), ".../ramp.sqc");
    EXPECT_EQ(ShortenPath(path, 11, chars), "ramp.sqc");
    EXPECT_EQ(ShortenPath(path, 2, chars), "ramp.sqc");
}
