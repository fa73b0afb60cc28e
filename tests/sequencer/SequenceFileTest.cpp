// The sequence file: exact written layout, and the reading rules.

#include "SequenceTestSupport.h"
#include "tests/testsupport/TestSupport.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct TReadLine {
    TSequenceSection section;
    std::string line;
    bool operator==(const TReadLine&) const = default;
};

std::vector<TReadLine> ReadAll(const std::string& text, std::size_t chunk = 0) {
    std::vector<TReadLine> lines;
    TSequenceLineReader reader([&](TSequenceSection s, std::string_view l) {
        lines.push_back({s, std::string(l)});
        return true;
    });
    if (chunk == 0) {
        reader.Feed(text);
    } else {
        for (std::size_t i = 0; i < text.size(); i += chunk) reader.Feed(text.substr(i, chunk));
    }
    reader.Finish();
    return lines;
}

const auto Att = TSequenceSection::Attenuators;
const auto Act = TSequenceSection::Actions;

TEST(SequenceFile, WriterProducesTheExactLayout) {
    TSequenceFileData data;
    data.Selected[0] = data.Selected[2] = data.Selected[7] = true;
    data.Rows = {Row(1, ActionReset, 0, 0, 0), {2, 0, ActionRamp, -5, 100, 30}, {3, 30, ActionGoto, 0, 0, 0},
                 {4, 30, ActionRepeat, 0, -7, 5}, {5, 30, ActionUnset, 0, 0, 0}};
    EXPECT_EQ(FormatSequenceFile(data),
              "ATTS SELECTED\r\n\r\n att1 att3 att8\r\n\r\nACTIONS\r\n"
              "#Num\tTime\tAction\tFrom\tTo\tDuration\r\n"
              "1\t0\t1\t0\t0\t0\r\n"
              "2\t0\t2\t-5\t100\t30\r\n"
              "3\t30\t4\t0\t1\t0\r\n"   // a jump target below 1 is written as 1
              "4\t30\t5\t0\t1\t5\r\n"
              "5\t30\t255\t0\t0\t0\r\n");
}

TEST(SequenceFile, SaveThenLoadGivesTheSameSequenceAndLeavesNoTemporaryFile) {
    TTempFolder dir;
    TSequenceFileData data;
    data.Selected[4] = true;
    for (int n = 1; n <= 400; ++n) data.Rows.push_back(Row(n, n == 1 ? ActionReset : ActionNone, 0, 0, 0));
    data.Rows[1] = {2, 0, ActionRamp, 935, 0, 600};
    const std::string file = dir.Path() + "/fade.sqc";
    std::string error;
    ASSERT_TRUE(SaveSequenceFile(file, data, error)) << error;
    // Saving again over the same file replaces it.
    data.Rows[2] = {3, 600, ActionStep, 0, 450, 12};
    ASSERT_TRUE(SaveSequenceFile(file, data, error)) << error;

    TSequenceFileData back;
    ASSERT_TRUE(LoadSequenceFile(file, back, error)) << error;
    EXPECT_EQ(back.Selected, data.Selected);
    EXPECT_EQ(back.Rows, data.Rows);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

TEST(SequenceFile, FailedSaveReportsTheFileAndLeavesNothingBehind) {
    TTempFolder dir;
    // The target is a folder holding a file: the final replace must fail.
    const std::string target = dir.Path() + "/keep.sqc";
    std::filesystem::create_directory(target);
    const std::string inner = target + "/inner.txt";
    std::ofstream(inner) << "old contents";
    std::string error;
    TSequenceFileData data;
    data.Selected[0] = true;
    EXPECT_FALSE(SaveSequenceFile(target, data, error));
    EXPECT_NE(error.find(target), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_TRUE(std::filesystem::exists(inner));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 1);  // no temporary file left

    // A folder that does not exist.
    EXPECT_FALSE(SaveSequenceFile(dir.Path() + "/none/x.sqc", data, error));
    EXPECT_NE(error.find("/none/x.sqc"), std::string::npos) << error;
}

// The operator's file must survive a save that fails half-way (a full disk
// or quota): the new text goes to a temporary file, never over the old one.
TEST(SequenceFile, SaveThatFailsHalfWayLeavesTheOldFileWhole) {
    TTempFolder dir;
    const std::string file = dir.Path() + "/keep.sqc";
    TSequenceFileData old;
    old.Selected[1] = true;
    old.Rows = {Row(1, ActionReset, 0, 0, 0)};
    std::string error;
    ASSERT_TRUE(SaveSequenceFile(file, old, error)) << error;
    const std::string oldText = ::ReadAll(file);

    TSequenceFileData big = old;
    for (int n = 2; n <= 400; ++n) big.Rows.push_back({n, n * 10, ActionRamp, 0, 900, 50});
    // Files of this process may not grow past 1000 bytes: the write fails
    // with EFBIG part-way through the new text.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = SaveSequenceFile(file, big, error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved1);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_EQ(::ReadAll(file), oldText);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 1);  // no temporary file left
}

TEST(SequenceFile, AnyLineEndIsAcceptedEvenAcrossChunks) {
    const std::string body = "ATTS\n att2\rACTIONS\r\n1\t0\t1\t0\t0\t0\r\r\n2\t0\t3\t0\t50\t4";
    const std::vector<TReadLine> expected = {{Att, "att2"}, {Act, "1\t0\t1\t0\t0\t0"}, {Act, "2\t0\t3\t0\t50\t4"}};
    for (std::size_t chunk : {0u, 1u, 2u, 3u, 7u}) EXPECT_EQ(ReadAll(body, chunk), expected) << chunk;
}

TEST(SequenceFile, MarkersCommentsAndLinesBeforeTheFirstSection) {
    const std::string text =
        "att1 before any section\r\n"
        "   ATTS SELECTED and more\r\n"      // marker after trimming, trailing text ignored
        "#att2 is a comment\r\n"
        " \t \r\n"
        " att3 att3\r\n"
        "\tACTIONS whatever\r\n"
        "# header\r\n"
        "1\t0\t1\t0\t0\t0   \r\n"
        "atts lower case is not a marker\r\n"
        "ATTS\r\n"                          // sections may repeat
        "att4\r\n";
    const std::vector<TReadLine> expected = {{Att, "att3 att3"},
                                             {Act, "1\t0\t1\t0\t0\t0"},
                                             {Act, "atts lower case is not a marker"},
                                             {Att, "att4"}};
    EXPECT_EQ(ReadAll(text), expected);
}

TEST(SequenceFile, TrimmingRemovesControlCharactersButNotHighBytes) {
    EXPECT_EQ(TrimSequenceLine(std::string("\x01\x1f \tabc\x7f\x20\x00", 10)), "abc\x7f");
    EXPECT_EQ(TrimSequenceLine("\xe9t\xe9"), "\xe9t\xe9");
    EXPECT_EQ(TrimSequenceLine(" \r\n\t"), "");
}

TEST(SequenceFile, AttenuatorNamesAreSubstrings) {
    EXPECT_EQ(NamedAttenuators(" att1 att3 att8"), 0b10000101u);
    EXPECT_EQ(NamedAttenuators("att10"), 0b1u);      // "att10" contains "att1"
    EXPECT_EQ(NamedAttenuators("xatt5y"), 0b10000u);
    EXPECT_EQ(NamedAttenuators("ATT1 att0 att9 att"), 0u);
    EXPECT_EQ(NamedAttenuators("att1att2att3att4att5att6att7att8"), 0xffu);
}

TEST(SequenceFile, ActionFieldsThatDoNotConvertCountAsZero) {
    EXPECT_EQ(ParseActionRow("3\t10\t2\t+100\t-5\t30"), (TActionRow{3, 10, 2, 100, -5, 30}));
    EXPECT_EQ(ParseActionRow("3\tx\t2\t1.5\t7 \t"), (TActionRow{3, 0, 2, 0, 0, 0}));
    EXPECT_EQ(ParseActionRow("4\t0\t3"), (TActionRow{4, 0, 3, 0, 0, 0}));
    EXPECT_EQ(ParseActionRow("4\t0\t3\t1\t2\t3\t99\t98"), (TActionRow{4, 0, 3, 1, 2, 3}));
    EXPECT_EQ(ParseActionRow("5\t\t3\t\t60\t2"), (TActionRow{5, 0, 3, 0, 60, 2}));
    EXPECT_EQ(ParseActionRow("2147483648\t0\t-2147483648\t0x10\t--1\t 5"), (TActionRow{0, 0, INT32_MIN, 0, 0, 0}));
}

TEST(SequenceFile, UnreadableFileNamesItselfAndTheReason) {
    TTempFolder dir;
    std::string error;
    TSequenceFileData data;
    data.Rows.push_back(Row(9, 9, 9, 9, 9));
    EXPECT_FALSE(LoadSequenceFile(dir.Path() + "/missing.sqc", data, error));
    EXPECT_NE(error.find("missing.sqc"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_EQ(data.Rows.size(), 1u);  // untouched

    EXPECT_FALSE(LoadSequenceFile(dir.Path(), data, error));  // a folder
    EXPECT_NE(error.find(dir.Path()), std::string::npos) << error;

    // A pipe nobody writes to must not hang the reader.
    const std::string fifo = dir.Path() + "/pipe.sqc";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadSequenceFile(fifo, data, error));
    EXPECT_NE(error.find("pipe.sqc"), std::string::npos) << error;
}

// Files are read on the GUI thread: one too large to read at once is refused
// with a message instead of freezing the window.
TEST(SequenceFile, FileAboveTheSizeLimitIsRefusedWithAClearMessage) {
    TTempFolder dir;
    std::string text = SqcText({2}, {Row(1, ActionStep, 0, 100, 2)});
    const std::string comment = "# padding\r\n";
    while (text.size() + comment.size() <= MaxSequenceFileBytes) text += comment;
    text.append(MaxSequenceFileBytes - text.size(), ' ');
    const std::string atLimit = dir.Write("limit.sqc", text);
    std::string bigger = text + " ";
    bigger.replace(bigger.find("att2"), 4, "att3");  // no conflict with the first file
    const std::string above = dir.Write("huge.sqc", bigger);
    std::string error;
    TSequenceFileData data;
    EXPECT_TRUE(LoadSequenceFile(atLimit, data, error)) << error;
    EXPECT_EQ(data.Rows.size(), 1u);
    EXPECT_TRUE(AnalyzeSequences({atLimit}).Ok());

    EXPECT_FALSE(LoadSequenceFile(above, data, error));
    const std::string message = "Cannot open file \"" + above + "\". File too large: a sequence file may hold at most 512 KB.";
    EXPECT_EQ(error, message);
    const TSequenceAnalysis run = AnalyzeSequences({atLimit, above});
    EXPECT_EQ(run.Result, TAnalysisResult::FileError);
    EXPECT_EQ(run.Error, message);
}

}  // namespace
