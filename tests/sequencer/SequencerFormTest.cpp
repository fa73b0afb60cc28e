// The sequence list window with real widgets and a real engine.

#include "SequenceWindowsTestSupport.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequencerEditForm.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

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
    std::string upper = files.a;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    form.AddFiles({files.a, upper, files.a, files.b});
    form.AddFiles({files.c, files.b});
    EXPECT_EQ(form.Files(), (std::vector<std::string>{files.a, files.b, files.c}));

    std::string message;
    AnswerMessage(message);
    form.ButtonRun->click();
    EXPECT_EQ(message, "Select sequence before running !");

    // b and c both name attenuator 3.
    Select(form, {0, 1, 2});
    message.clear();
    AnswerMessage(message);
    form.ButtonRun->click();
    EXPECT_EQ(message, "Attenuators interferences !");
    EXPECT_FALSE(form.Running());
    EXPECT_EQ(form.windowTitle(), "Sequence List");

    Select(form, {0, 1});
    form.ButtonRun->click();
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

    Select(form, {1});
    form.ButtonRemove->click();
    EXPECT_EQ(form.Files(), (std::vector<std::string>{files.a, files.c}));
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
    TSequencerForm form(host);
    form.show();
    form.AddFiles({seq});
    Select(form, {0});

    form.ButtonRun->click();
    ASSERT_TRUE(WaitUntil([&] { return !form.Running(); }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return form.Record()->Closed(); }));
    const std::string path = form.Record()->Path();
    EXPECT_EQ(path.rfind(host.dir + "run ", 0), 0u) << path;
    const std::string text = ReadAll(path);
    const std::size_t sent = host.delivery->sent[1].size() + host.delivery->sent[2].size();
    ASSERT_GT(sent, 0u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), sent + 1) << text;
    EXPECT_NE(text.find(",1,ATT1,"), std::string::npos) << text;

    host.dir = dir.Write("plain", "x") + "/";
    form.ButtonRun->click();
    ASSERT_TRUE(form.Running());
    ASSERT_TRUE(WaitUntil([&] { return !form.Running(); }, 20000));
    EXPECT_EQ(host.delivery->sent[1].size() + host.delivery->sent[2].size(), 2 * sent);
    QMessageBox* told = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (told = form.findChild<QMessageBox*>("RecordMessage")) && told->isVisible(); }));
    EXPECT_FALSE(told->isModal());
    EXPECT_NE(told->text().toStdString().find(dir.Path() + "/plain"), std::string::npos);
    EXPECT_EQ(form.findChildren<QMessageBox*>("RecordMessage").size(), 1);
    told->close();
}

TEST(SequencerForm, ProfilesAreLoadedRunBesideSequencesShowTheirErrorsAndAreEditedElsewhere) {
    TTestSequencerHost host;
    host.profiles[2] = {true, 60};  // whole dB
    TListFiles files;
    host.dir = files.dir.Path() + "/";
    const std::string profile = files.dir.Write("p.csv", "time_s,att2\n0,12\n0.1,13\n");
    const std::string bad = files.dir.Write("bad.csv", "time_s,att3\n0,12\n0.15,13\n");
    const std::string sqc = files.dir.Write("s.sqc", SqcText({1}, {Row(1, ActionStep, 0, 100, 3)}));
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
    form.ButtonRun->click();
    EXPECT_EQ(title, "Profile error.");
    EXPECT_EQ(text, "\"" + bad + "\", line 3, column 1 (time_s): 0.15 s is not on the 0.1 s grid of the tick.");
    EXPECT_FALSE(form.Running());

    Select(form, {0, 1});
    form.ButtonRun->click();
    ASSERT_TRUE(form.Running());
    ASSERT_TRUE(WaitUntil([&] { return !form.Running(); }, 20000));
    EXPECT_EQ(host.delivery->sent[2], (std::vector<std::string>{"ATT 0 012", "ATT 0 013"}));
    EXPECT_EQ(host.delivery->sent[1], (std::vector<std::string>{"ATT 0 100"}));
}
