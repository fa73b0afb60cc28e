// The action row and the sequence editor, with real widgets.

#include "sequencer/SequenceEditorModel.h"
#include "sequencer/SequenceLine.h"
#include "SequenceWindowsTestSupport.h"
#include "sequencer/SequencerEditForm.h"
#include "controls/SpinNum.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QFileDialog>
#include <QPushButton>

namespace {

TSequenceLine* NewRow(bool tenths) {
    auto* row = new TSequenceLine;
    row->MaxLevel = tenths ? 935 : 110;
    row->LevelTenths = tenths;
    row->Loaded();
    return row;
}

// The text the editor writes for its untouched rows and the given boxes.
std::string UntouchedFile(std::initializer_list<int> atts) {
    std::vector<TActionRow> rows = {Row(1, ActionReset, 0, 0, 0)};
    for (int i = 2; i <= TSequencerEditForm::RowCount; ++i) rows.push_back(Row(i, ActionNone, 0, 0, 0));
    return SqcText(atts, rows);
}

// Chooses a file in a file dialog as a user types it. (selectFile leaves
// the name box alone while it has the keyboard focus.)
void TypeFileName(QFileDialog* d, const std::string& path) {
    auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
}

}  // namespace

TEST(SequenceLine, ActionsSetFieldsRangesAndChanges) {
    std::unique_ptr<TSequenceLine> row(NewRow(true));
    std::vector<QObject*> changes;
    row->OnChange = [&](QObject* sender) { changes.push_back(sender); };
    row->SetAction(ActionRamp);
    row->SetToValue(100);
    row->DurationEdit->setText("0.1");
    EXPECT_EQ(row->ToEdit->text(), "10.0");
    // Choosing "Ramp" again raises the duration to its minimum of 0.3 s.
    row->ActionBox->setCurrentIndex(ActionRamp);
    row->Change(row->ActionBox);
    EXPECT_EQ(row->DurationEdit->text(), "0.3");
    EXPECT_TRUE(row->FromEdit->isVisibleTo(row.get()));
    // "Goto": a row number and no duration.
    row->SetAction(ActionGoto);
    EXPECT_EQ(row->ToEdit->text(), "1");
    EXPECT_EQ(row->DurationEdit->text(), "0");
    EXPECT_FALSE(row->DurationEdit->isVisibleTo(row.get()));
    EXPECT_FALSE(row->FromEdit->isVisibleTo(row.get()));
    // An unknown code selects nothing and changes nothing.
    row->SetAction(7);
    EXPECT_EQ(row->Action(), ActionUnset);
    EXPECT_EQ(row->ToEdit->text(), "1");
    // From reports no change; To, Duration and the action list do.
    row->SetAction(ActionStep);
    changes.clear();
    row->FromEdit->setText("5");
    EXPECT_TRUE(changes.empty());
    row->ToEdit->setText("12.5");
    EXPECT_EQ(row->ToValue(), 125);
    row->DurationEdit->setText("2");
    EXPECT_EQ(changes, (std::vector<QObject*>{row->ToEdit, row->DurationEdit}));
    row->SetTime(125);
    EXPECT_EQ(row->TimeText->text(), "12.5");
    EXPECT_EQ(row->Time(), 125);
}

TEST(SequencerEditForm, NewEditorSavesTheUntouchedRowsAndKeepsTimes) {
    TTestSequencerHost host;
    TTempFolder dir;
    TSequencerEditForm form(host);
    ASSERT_EQ(form.Rows.size(), 400u);
    EXPECT_EQ(form.AttCheckBoxes[2]->text(), "ATT3");
    form.AttCheckBoxes[1]->setChecked(true);
    std::string error;
    ASSERT_TRUE(form.SaveSequence(dir.Path() + "/new.sqc", error)) << error;
    EXPECT_EQ(ReadAll(dir.Path() + "/new.sqc"), UntouchedFile({2}));

    // Row 2 at 1.0, row 5 at 3.0, "Repeat" row 2 three times: row 6 at 9.0.
    auto& rows = form.Rows;
    rows[0]->SetAction(ActionNone);
    rows[0]->SetDurationValue(10);
    rows[1]->SetAction(ActionStep);
    rows[1]->SetDurationValue(10);
    rows[2]->SetAction(ActionReset);
    rows[3]->SetAction(ActionStep);
    rows[3]->SetDurationValue(10);
    rows[4]->SetAction(ActionRepeat);
    rows[4]->SetToValue(2);
    rows[4]->SetDurationValue(3);
    EXPECT_EQ(rows[1]->TimeText->text(), "1.0");
    EXPECT_EQ(rows[4]->TimeText->text(), "3.0");
    EXPECT_EQ(rows[5]->TimeText->text(), "9.0");
    // "Reset" and "Goto" hold no duration, whatever is typed.
    rows[2]->DurationEdit->setText("50");
    rows[3]->SetAction(ActionGoto);
    rows[3]->DurationEdit->setText("7");
    EXPECT_EQ(rows[2]->DurationValue(), 0);
    EXPECT_EQ(rows[3]->DurationValue(), 0);
}

TEST(SequencerEditForm, ReadsAWholeFileAndWritesItBackUnchanged) {
    TTestSequencerHost host;
    TTempFolder dir;
    std::vector<TActionRow> rows;
    for (int i = 1; i <= 400; ++i) {
        const int kind = i % 4;
        if (kind == 0) rows.push_back(Row(i, ActionRamp, 100, 500 + i, 30 + i));
        if (kind == 1) rows.push_back(Row(i, ActionStep, 0, 200, i));
        if (kind == 2) rows.push_back(Row(i, ActionNone, 0, 0, 7));
        if (kind == 3) rows.push_back(Row(i, ActionRepeat, 0, 1 + i % 90, 2));
    }
    RecomputeEditorTimes(rows);
    const std::string text = SqcText({1, 8}, rows);
    // A second attenuator line decides alone; a row beyond the editor is ignored.
    const std::string file =
        dir.Write("big.sqc", "ATTS\r\n att5\r\n" + text + "401\t0\t3\t0\t5\t5\r\n");
    TSequencerEditForm form(host);
    std::string error;
    ASSERT_TRUE(form.LoadSequence(file, error)) << error;
    ASSERT_TRUE(form.SaveSequence(dir.Path() + "/copy.sqc", error)) << error;
    EXPECT_EQ(ReadAll(dir.Path() + "/copy.sqc"), text);

    // Loading recomputes the times as the changes come; a line that changes
    // neither To nor Duration (row 3 once more) keeps the time it was
    // written with.
    TSequencerEditForm fresh(host);
    const std::string other = dir.Write(
        "other.sqc", "ACTIONS\r\n1\t0\t1\t0\t0\t0\r\n2\t0\t3\t0\t50\t10\r\n3\t0\t0\t0\t0\t0\r\n"
                     "3\t77\t0\t0\t0\t0\r\n");
    ASSERT_TRUE(fresh.LoadSequence(other, error)) << error;
    EXPECT_EQ(fresh.Rows[2]->TimeText->text(), "7.7");
    EXPECT_EQ(fresh.Rows[3]->TimeText->text(), "1.0");
}

TEST(SequencerEditForm, OkSaveNamesANewSequenceAndNeverLosesRows) {
    TTestSequencerHost host;
    TTempFolder dir;
    host.dir = dir.Path() + "/";
    {
        // No attenuator: refused; then the name is declined: closed unsaved.
        TSequencerEditForm form(host);
        std::string message;
        AnswerMessage(message);
        QTimer::singleShot(0, form.OkButton, &QPushButton::click);
        QTimer::singleShot(0, [&] {
            form.AttCheckBoxes[0]->setChecked(true);
            WhenModal<QFileDialog>([](QFileDialog* d) {
                EXPECT_EQ(d->windowTitle(), "Save sequence file");
                d->reject();
            });
            QTimer::singleShot(300, form.OkButton, &QPushButton::click);
        });
        EXPECT_EQ(form.exec(), QDialog::Accepted);
        EXPECT_EQ(message, "Select attenuators before leaving !");
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    }
    {
        // A file that cannot be written keeps the editor open with its rows.
        TSequencerEditForm form(host);
        form.AttCheckBoxes[0]->setChecked(true);
        form.SetFileName(dir.Path() + "/no-such-folder/seq.sqc");
        std::string message;
        AnswerMessage(message);
        QTimer::singleShot(0, form.OkButton, &QPushButton::click);
        QTimer::singleShot(2000, &form, &QDialog::reject);
        EXPECT_EQ(form.exec(), QDialog::Rejected);
        EXPECT_NE(message.find("no-such-folder"), std::string::npos);
    }
    {
        // A file that cannot be read leaves the editor's name as it was.
        TSequencerEditForm form(host);
        const std::string kept = dir.Write("kept.sqc", UntouchedFile({1}));
        form.SetFileName(kept);
        // Found by the dialog, refused by the reader (not a plain file).
        std::filesystem::create_symlink("/dev/null", dir.Path() + "/device.sqc");
        std::string message;
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            EXPECT_EQ(d->windowTitle(), "Open sequence file");
            AnswerMessage(message);
            TypeFileName(d, dir.Path() + "/device.sqc");
            static_cast<QDialog*>(d)->accept();
        });
        form.LoadButtonClick();
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(form.FileName(), kept);
        EXPECT_EQ(form.windowTitle(), "Sequence Editor [kept.sqc]");
        // Nor does a "&Save as..." that cannot write the chosen file (a
        // name the dialog takes, too long for the file's temporary twin).
        form.AttCheckBoxes[0]->setChecked(true);
        message.clear();
        const std::string tooLong = std::string(246, 'n') + ".sqc";
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            AnswerMessage(message);
            TypeFileName(d, dir.Path() + "/" + tooLong);
            static_cast<QDialog*>(d)->accept();
        });
        form.SaveButtonClick();
        EXPECT_NE(message.find(tooLong), std::string::npos);
        EXPECT_EQ(form.FileName(), kept);
        EXPECT_EQ(form.windowTitle(), "Sequence Editor [kept.sqc]");
    }
}
