// Records left open by a run that never ended are closed at the next start;
// everything else in the folder stays as it is.

#include "SequenceTestSupport.h"
#include "tests/testsupport/TestSupport.h"
#include "sequencer/InterruptedRecords.h"
#include "sequencer/RunRecord.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

QJsonObject Json(const std::string& path) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(ReadAll(path))).object();
}

}  // namespace

TEST(InterruptedRecords, OnlyDescriptionsWithoutEndAreClosedAtTheirLastRowAndRecordsStayAsTheyAre) {
    using namespace std::chrono;
    const auto start = time_point_cast<milliseconds>(system_clock::now()) - hours(1);
    TRunStart run;
    run.Atts[1] = {"LAB1", "127.0.0.1", "10001", 935, "A1B2C3"};
    const TRunHashes hashes{};
    const TRunEnd completed{start + seconds(9), TRunEnding::Completed, 90, 4, {}, {}};
    auto row = [&](milliseconds at) {
        return RunRecordLine({start + at, at, 1, "ATT 0 045", false, start + at, {}}, run.Atts[1]);
    };
    const std::string rows = RunRecordHeader() + row(milliseconds(1000)) + row(milliseconds(2500));
    const std::string open = RunDescriptionJson(run, start, hashes, nullptr);

    struct TCase {
        const char* name;
        std::string json, csv;
        std::string closedAt;  // empty: the description stays as it is
        bool leftAlone;
    };
    const TCase cases[] = {
        {"complete", RunDescriptionJson(run, start, hashes, &completed), rows, "", false},
        {"rows", open, rows, IsoLocalTime(start + milliseconds(2500)), false},
        {"cut row", open, rows + "2026-12-0", IsoLocalTime(start + milliseconds(2500)), false},
        {"no row", open, RunRecordHeader(), IsoLocalTime(start), false},
        {"corrupt", open.substr(0, open.size() / 2), rows, "", true},
        {"foreign", "{\"end\": null}", "", "", false},
    };
    TTempFolder dir;
    for (const TCase& c : cases) {
        dir.Write(std::string("run ") + c.name + ".json", c.json);
        dir.Write(std::string("run ") + c.name + ".csv", c.csv);
    }
    // A run going on in this folder is not one that never ended.
    TRunRecord live(dir.Path(), run, [](const std::string& text) { ADD_FAILURE() << text; });
    ASSERT_TRUE(WaitUntil([&] { return !live.Path().empty(); }));
    const std::string liveJson = RunDescriptionPath(live.Path());
    ASSERT_TRUE(WaitUntil([&] { return Json(liveJson).contains("end"); }));

    const TInterruptedRecords result = CloseInterruptedRecords(dir.Path());

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string json = dir.Path() + "/run " + c.name + ".json";
        EXPECT_EQ(ReadAll(dir.Path() + "/run " + c.name + ".csv"), c.csv);
        const bool closed = std::any_of(result.Closed.begin(), result.Closed.end(),
                                        [&](const TInterruptedRecord& r) { return r.Description == json; });
        const bool leftAlone = std::any_of(result.LeftAlone.begin(), result.LeftAlone.end(),
                                           [&](const TRecordLeftAlone& r) { return r.Description == json; });
        EXPECT_EQ(closed, !c.closedAt.empty());
        EXPECT_EQ(leftAlone, c.leftAlone);
        if (c.closedAt.empty()) {
            EXPECT_EQ(ReadAll(json), c.json);
            continue;
        }
        const QJsonObject description = Json(json);
        const QJsonObject end = description["end"].toObject();
        EXPECT_EQ(end["ended"].toString().toStdString(), "interrupted");
        EXPECT_EQ(end["time"].toString().toStdString(), c.closedAt);
        // Everything the run's start said is kept.
        QJsonObject before = QJsonDocument::fromJson(QByteArray::fromStdString(c.json)).object();
        before.remove("end");
        for (const QString& key : before.keys()) EXPECT_EQ(description[key], before[key]) << key.toStdString();
    }
    EXPECT_EQ(result.Closed.size(), 3u);
    EXPECT_TRUE(Json(liveJson)["end"].isNull());
    live.Finish(TRunEnding::Completed);
    ASSERT_TRUE(WaitUntil([&] { return live.Closed(); }));
    EXPECT_EQ(Json(liveJson)["end"].toObject()["ended"].toString().toStdString(), "completed");
    // Closed once: a second start finds nothing left to close.
    EXPECT_TRUE(CloseInterruptedRecords(dir.Path()).Closed.empty());
}
