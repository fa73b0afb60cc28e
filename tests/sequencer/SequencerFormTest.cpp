// The sequence list window with real widgets and a real engine.

#include "SequenceWindowsTestSupport.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequencerEditForm.h"

#include <QCryptographicHash>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <unistd.h>

namespace {

struct TListFiles {
    TTempFolder dir;
    std::string a = dir.Write("a.sqc", SqcText({1}, {Row(1, ActionStep, 0, 100, 5000)}));
    std::string b = dir.Write("b.sqc", SqcText({2, 3}, {Row(1, ActionStep, 0, 200, 5000)}));
    std::string c = dir.Write("c.sqc", SqcText({3}, {Row(1, ActionStep, 0, 300, 5)}));
};

void Select(TSequencerForm& form, std::initializer_list<int> rows) {
    form.LBSequence->clearSelection();
    for (int r : rows) form.LBSequence->item(r)->setSelected(true);
}

}  // namespace

TEST(SequencerForm, ListsEachFileOnceRefusesConflictsAndLocksWhileRunning) {
    TTestSequencerHost host;
    TListFiles files;
    TSequencerForm form(host);
    form.show();
    // Two rows are one file when they name it, however: a hard link, a
    // symbolic link, another spelling. Letter case makes another file here.
    const std::string hard = files.dir.Path() + "/hard.sqc", soft = files.dir.Path() + "/soft.sqc";
    ASSERT_EQ(::link(files.a.c_str(), hard.c_str()), 0);
    ASSERT_EQ(::symlink(files.a.c_str(), soft.c_str()), 0);
    const std::string upper = files.dir.Write("A.sqc", SqcText({4}, {Row(1, ActionStep, 0, 400, 5)}));
    form.AddFiles({files.a, hard, files.a, files.b, files.dir.Path() + "/./a.sqc"});
    form.AddFiles({files.c, soft, files.b, upper});
    EXPECT_EQ(form.Files(), (std::vector<std::string>{files.a, files.b, files.c, upper}));
    const QStringList log = form.MemoLog->toPlainText().split('\n');
    ASSERT_EQ(log.size(), 5) << form.MemoLog->toPlainText().toStdString();
    EXPECT_EQ(log[0].toStdString(), "Already listed, not added: " + hard + " (the same file as " + files.a + ")");
    EXPECT_EQ(log[1].toStdString(), "Already listed, not added: " + files.a);
    EXPECT_EQ(log[3].toStdString(), "Already listed, not added: " + soft + " (the same file as " + files.a + ")");
    EXPECT_EQ(form.frameGeometry().height(), 354);  // the log shows

    std::string message;
    AnswerMessage(message);
    ClickRun(form);
    EXPECT_EQ(message, "Select sequence before running !");

    // b and c both name attenuator 3.
    Select(form, {0, 1, 2});
    message.clear();
    AnswerMessage(message);
    ClickRun(form);
    EXPECT_EQ(message, "Attenuators interferences !");
    EXPECT_FALSE(form.Running());
    EXPECT_EQ(form.windowTitle(), "Sequence List");

    Select(form, {0, 1});
    ClickRun(form);
    ASSERT_TRUE(form.Running());
    EXPECT_EQ(form.windowTitle(), "Sequence List [Running...]");
    for (QWidget* w : {static_cast<QWidget*>(form.ButtonRun), static_cast<QWidget*>(form.ButtonLoad),
                       static_cast<QWidget*>(form.ButtonEdit), static_cast<QWidget*>(form.ButtonRemove),
                       static_cast<QWidget*>(form.LBSequence)})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(form.ButtonStop->isEnabled());
    EXPECT_TRUE(form.GraphButton->isEnabled());
    EXPECT_TRUE(form.ButtonMainVisible->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return !host.delivery->sent[3].empty(); }));
    EXPECT_EQ(host.delivery->sent[1].front(), "ATT 0 100");
    EXPECT_EQ(host.delivery->sent[3].front(), "ATT 0 200");

    message.clear();
    AnswerMessage(message);
    form.reject();
    EXPECT_EQ(message, "STOP before leaving !");
    EXPECT_TRUE(form.isVisible());

    form.ButtonStop->click();
    ASSERT_TRUE(WaitUntil([&] { return !form.Running(); }));
    EXPECT_TRUE(form.ButtonRun->isEnabled());
    EXPECT_FALSE(form.ButtonStop->isEnabled());

    // A script arms a run: the window waits with it, "&Stop" disarms it and
    // nothing of it is sent.
    const std::size_t sentBefore = host.delivery->sent[1].size();
    bool armed = false;
    host.runs.back()->run.Load({files.a}, [&](std::optional<TBenchRunRefusal> refusal) { armed = !refusal; });
    ASSERT_TRUE(WaitUntil([&] { return armed; }));
    EXPECT_EQ(form.windowTitle(), "Sequence List [Armed...]");
    EXPECT_FALSE(form.ButtonRun->isEnabled());
    EXPECT_TRUE(form.ButtonStop->isEnabled());
    message.clear();
    AnswerMessage(message);
    form.reject();
    EXPECT_EQ(message, "STOP before leaving !");
    int ended = 0;
    QObject::connect(&form, qOverload<>(&TSequencerForm::RunEnded), [&] { ++ended; });
    form.ButtonStop->click();
    ASSERT_TRUE(WaitUntil([&] { return form.windowTitle() == "Sequence List"; }));
    EXPECT_TRUE(form.ButtonRun->isEnabled());
    EXPECT_EQ(ended, 1);  // what a window opened for a script closes on
    EXPECT_EQ(host.delivery->sent[1].size(), sentBefore);

    Select(form, {1});
    form.ButtonRemove->click();
    EXPECT_EQ(form.Files(), (std::vector<std::string>{files.a, files.c, upper}));
}

TEST(SequencerForm, EditsTheFocusedRowAndClosingBringsTheMainWindowBack) {
    TTestSequencerHost host;
    TListFiles files;
    host.main.show();
    TSequencerForm form(host);
    form.show();
    EXPECT_EQ(form.frameGeometry().height(), 229);
    form.AddFiles({files.a, files.b});
    Select(form, {0});
    // The focus on the unselected second row.
    form.LBSequence->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    std::string opened = "none";
    WhenModal<TSequencerEditForm>([&](TSequencerEditForm* editor) {
        opened = editor->FileName();
        editor->reject();
    });
    form.ButtonEdit->click();
    EXPECT_EQ(opened, files.b);

    form.ButtonMainVisible->click();
    form.GraphButton->click();
    EXPECT_FALSE(host.main.isVisible());
    EXPECT_TRUE(form.GraphForm()->isVisible());
    EXPECT_TRUE(form.isVisible());
    form.reject();
    EXPECT_TRUE(host.main.isVisible());
    EXPECT_FALSE(form.GraphForm()->isVisible());
}

TEST(SequencerForm, EachLoadStartsWithAnEmptyNameBox) {
    // The operator types a name at each "&Load..."; a name left from the
    // previous choice would be typed onto.
    TTestSequencerHost host;
    TListFiles files;
    host.dir = files.dir.Path() + "/";
    TSequencerForm form(host);
    form.show();
    std::vector<std::string> boxes;
    for (const std::string& file : {files.a, files.b}) {
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            boxes.push_back(name->text().toStdString());
            name->setText(QString::fromStdString(file));
            static_cast<QDialog*>(d)->accept();
        });
        form.ButtonLoad->click();
    }
    EXPECT_EQ(boxes, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(form.Files(), (std::vector<std::string>{files.a, files.b}));
}

TEST(SequencerForm, RunsAreRecordedAndAnUnwritableFolderIsToldWithoutStoppingTheRun) {
    TTestSequencerHost host;
    TTempFolder dir;
    const std::string seq = dir.Write("s.sqc", SqcText({1, 2}, {Row(1, ActionRamp, 0, 100, 4)}));
    host.dir = dir.Path() + "/";
    host.config = dir.Write("bench.cfg", "x");
    TSequencerForm form(host);
    form.show();
    form.AddFiles({seq});
    Select(form, {0});

    ClickRun(form);
    ASSERT_TRUE(WaitUntil([&] { return !form.Running(); }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return form.Record()->Closed(); }));
    const std::string path = form.Record()->Path();
    EXPECT_EQ(path.rfind(host.dir + "run ", 0), 0u) << path;
    const std::string text = ReadAll(path);
    const std::size_t sent = host.delivery->sent[1].size() + host.delivery->sent[2].size();
    ASSERT_GT(sent, 0u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), sent + 1) << text;
    EXPECT_NE(text.find(",1,ATT1,"), std::string::npos) << text;

    // Its description: what played where, from which files, and how it ended.
    auto description = [](const TRunRecord& record) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(ReadAll(RunDescriptionPath(record.Path())))).object();
    };
    const QJsonObject run = description(*form.Record());
    EXPECT_FALSE(run["version"].toString().isEmpty());
    EXPECT_FALSE(run["host"].toString().isEmpty());
    EXPECT_TRUE(QDateTime::fromString(run["start"].toString(), Qt::ISODateWithMs).isValid());
    EXPECT_NE(run["start"].toString().indexOf(QRegularExpression("T\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$")), -1)
        << run["start"].toString().toStdString();
    EXPECT_EQ(run["configuration"]["path"].toString().toStdString(), host.config);
    EXPECT_EQ(run["configuration"]["sha256"].toString(), "2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881");
    ASSERT_EQ(run["attenuators"].toArray().size(), 8);
    EXPECT_EQ(run["attenuators"][7]["box"].toInt(), 8);
    EXPECT_EQ(run["attenuators"][7]["name"].toString(), "ATT8");
    EXPECT_TRUE(run["attenuators"][7]["maximum"].isNull());
    ASSERT_EQ(run["sequences"].toArray().size(), 1);
    EXPECT_EQ(run["sequences"][0]["path"].toString().toStdString(), seq);
    EXPECT_EQ(run["sequences"][0]["sha256"].toString(),
              QCryptographicHash::hash(QByteArray::fromStdString(ReadAll(seq)), QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(run["sequences"][0]["attenuators"].toArray(), (QJsonArray{1, 2}));
    EXPECT_EQ(run["end"]["ended"].toString().toStdString(), "completed");
    EXPECT_EQ(run["end"]["ticks"].toInt(), host.delivery->ticks);
    EXPECT_EQ(run["end"]["commandsSent"].toInt() + run["end"]["commandsNotSent"].toInt(), static_cast<int>(sent));
    EXPECT_GE(run["end"]["time"].toString(), run["start"].toString());


    host.dir = dir.Write("plain", "x") + "/";
    ClickRun(form);
    ASSERT_TRUE(form.Running());
    ASSERT_TRUE(WaitUntil([&] { return !form.Running(); }, 20000));
    EXPECT_EQ(host.delivery->sent[1].size() + host.delivery->sent[2].size(), 2 * sent);
    QMessageBox* told = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (told = form.findChild<QMessageBox*>("RecordMessage")) && told->isVisible(); }));
    EXPECT_FALSE(told->isModal());
    EXPECT_NE(told->text().toStdString().find(dir.Path() + "/plain"), std::string::npos);
    EXPECT_EQ(form.findChildren<QMessageBox*>("RecordMessage").size(), 1);
    told->close();

    // Stopped, then closed with the program while running.
    const std::string hold = dir.Write("hold.sqc", SqcText({3}, {Row(1, ActionStep, 0, 100, 5000)}));
    host.dir = dir.Path() + "/";
    form.AddFiles({hold});
    Select(form, {1});
    const int ticks = host.delivery->ticks;
    ClickRun(form);
    ASSERT_TRUE(WaitUntil([&] { return host.delivery->ticks > ticks + 2; }));
    form.ButtonStop->click();
    ASSERT_TRUE(WaitUntil([&] { return !form.Running() && form.Record()->Closed(); }));
    EXPECT_EQ(description(*form.Record()).value("end")["ended"].toString().toStdString(), "stopped");
    {
        TSequencerForm closing(host);
        closing.AddFiles({hold});
        Select(closing, {0});
        ClickRun(closing);
        ASSERT_TRUE(WaitUntil([&] { return !closing.Record()->Path().empty(); }));
        const QJsonObject started = description(*closing.Record());
        EXPECT_EQ(started["sequences"][0]["attenuators"].toArray(), (QJsonArray{3}));
        EXPECT_TRUE(started["end"].isNull());
        host.config = closing.Record()->Path();  // where to look once the window has gone
    }
    // The bench's run ended it; its writer completes the record in moments.
    EXPECT_TRUE(WaitUntil([&] {
        return QJsonDocument::fromJson(QByteArray::fromStdString(ReadAll(RunDescriptionPath(host.config))))["end"]
                   ["ended"].toString().toStdString() == "program closed";
    }));
}

TEST(SequencerForm, ProfilesAreLoadedRunBesideSequencesShowTheirErrorsAndAreEditedElsewhere) {
    TTestSequencerHost host;
    host.profiles[2] = {true, 60};  // whole dB
    host.profiles[4] = {true, 60};
    TListFiles files;
    host.dir = files.dir.Path() + "/";
    // Its columns in reverse order, beside a sequence on other boxes.
    const std::string profile = files.dir.Write("p.csv", "time_s,att4,att2\n0,22,12\n0.1,23,13\n");
    const std::string bad = files.dir.Write("bad.csv", "time_s,att3\n0,12\n0.15,13\n");
    const std::string sqc = files.dir.Write("s.sqc", SqcText({1, 3}, {Row(1, ActionStep, 0, 100, 3)}));
    TSequencerForm form(host);
    form.show();
    QStringList filters;
    WhenModal<QFileDialog>([&](QFileDialog* d) {
        filters = d->nameFilters();
        d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(profile));
        static_cast<QDialog*>(d)->accept();
    });
    form.ButtonLoad->click();
    EXPECT_EQ(filters, (QStringList{"Sequence files (*.sqc)", "Profiles (*.csv)"}));
    form.AddFiles({sqc, bad});
    ASSERT_EQ(form.Files(), (std::vector<std::string>{profile, sqc, bad}));

    std::string title, text;
    auto answer = [&] {
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle().toStdString();
            text = box->text().toStdString();
            box->accept();
        });
    };
    Select(form, {2});
    form.LBSequence->setCurrentRow(2, QItemSelectionModel::NoUpdate);
    answer();
    form.ButtonEdit->click();
    EXPECT_EQ(title, "Profile.");
    EXPECT_NE(text.find("Profiles are edited outside the program"), std::string::npos) << text;

    answer();
    ClickRun(form);
    EXPECT_EQ(title, "Profile error.");
    EXPECT_EQ(text, "\"" + bad + "\", line 3, column 1 (time_s): 0.15 s is not on the 0.1 s grid of the tick.");
    EXPECT_FALSE(form.Running());

    Select(form, {0, 1});
    ClickRun(form);
    ASSERT_TRUE(form.Running());
    ASSERT_TRUE(WaitUntil([&] { return !form.Running(); }, 20000));
    EXPECT_EQ(host.delivery->sent[2], (std::vector<std::string>{"ATT 0 012", "ATT 0 013"}));
    EXPECT_EQ(host.delivery->sent[1], (std::vector<std::string>{"ATT 0 100"}));
    // The run's description names for each file exactly the boxes it drove.
    ASSERT_TRUE(WaitUntil([&] { return form.Record()->Closed(); }));
    const QJsonObject run =
        QJsonDocument::fromJson(QByteArray::fromStdString(ReadAll(RunDescriptionPath(form.Record()->Path())))).object();
    ASSERT_EQ(run["sequences"].toArray().size(), 2);
    EXPECT_EQ(run["sequences"][0]["attenuators"].toArray(), (QJsonArray{2, 4}));
    EXPECT_EQ(run["sequences"][1]["attenuators"].toArray(), (QJsonArray{1, 3}));
}

TEST(SequencerForm, ALargeProfileIsReadWhileTheWindowKeepsTurningAndStopOrClosingGivesItsStartUp) {
    TTestSequencerHost host;
    TTempFolder dir;
    host.dir = dir.Path() + "/";
    // A million states on two attenuators: a second or so of reading.
    std::string text = "time_s,att1,att2\n";
    char line[64];
    for (long i = 0; i < 1000000; ++i) {
        const long v = i % 120 * 5;
        std::snprintf(line, sizeof line, "%ld.%ld,%ld.%ld,%ld.%ld\n", i / 10, i % 10, v / 10, v % 10, v / 10, v % 10);
        text += line;
    }
    const std::string big = dir.Write("big.csv", text);
    auto locked = [](const TSequencerForm& f) {
        return !f.ButtonRun->isEnabled() && !f.ButtonLoad->isEnabled() && !f.ButtonEdit->isEnabled() &&
               !f.ButtonRemove->isEnabled() && !f.LBSequence->isEnabled() && f.ButtonStop->isEnabled();
    };
    {
        // "&Stop" while the files are read: the run never starts, nothing is
        // sent and no record is made; a second "&Run" meanwhile does nothing.
        TSequencerForm form(host);
        form.show();
        form.AddFiles({big});
        Select(form, {0});
        form.ButtonRun->click();
        EXPECT_TRUE(form.Analyzing());
        EXPECT_FALSE(form.Running());
        EXPECT_EQ(form.windowTitle(), "Sequence List [Analyzing...]");
        EXPECT_TRUE(locked(form));
        form.ButtonRunClick();
        form.ButtonStop->click();
        EXPECT_FALSE(form.Analyzing());
        EXPECT_EQ(form.windowTitle(), "Sequence List");
        EXPECT_TRUE(form.ButtonRun->isEnabled());
        EXPECT_FALSE(form.ButtonStop->isEnabled());
        PumpEvents(300);
        EXPECT_FALSE(form.Running());
        EXPECT_EQ(form.Record(), nullptr);
        EXPECT_EQ(host.delivery->ticks, 0);

        // The run starts while the event loop keeps turning.
        int turns = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] { turns += form.Analyzing() ? 1 : 0; });
        probe.start(1);
        form.ButtonRun->click();
        EXPECT_EQ(form.windowTitle(), "Sequence List [Analyzing...]");
        ASSERT_TRUE(WaitUntil([&] { return form.Running(); }, 60000));
        probe.stop();
        EXPECT_GE(turns, 3);
        EXPECT_EQ(form.windowTitle(), "Sequence List [Running...]");
        EXPECT_TRUE(WaitUntil([&] { return host.delivery->sent[2].size() >= 2; }));
        EXPECT_EQ(host.delivery->sent[2].front(), "ATT 0 000");
        form.ButtonStop->click();
        ASSERT_TRUE(WaitUntil([&] { return !form.Running() && form.Record()->Closed(); }));
    }
    {
        // Closing the window while the files are read gives the start up.
        TSequencerForm form(host);
        form.show();
        form.AddFiles({big});
        Select(form, {0});
        form.ButtonRun->click();
        ASSERT_TRUE(form.Analyzing());
        form.reject();
        EXPECT_FALSE(form.isVisible());
        EXPECT_FALSE(form.Analyzing());
        PumpEvents(300);
        EXPECT_EQ(form.Record(), nullptr);
        EXPECT_EQ(host.delivery->ticks, 0);
        // And a window destroyed meanwhile leaves no reader behind.
        form.ButtonRun->click();
        ASSERT_TRUE(form.Analyzing());
    }
}
