// The naming dialog: the name mask's rules, the keys an operator presses,
// and the OK and Cancel results.

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/config/ModalDriver.h"
#include "frontpanel/NameAttForm.h"

TEST(NameMask, TypedCharactersFollowTheMask) {
    TNameMask m;
    EXPECT_EQ(m.Text(), "____");
    int cursor = 0;
    EXPECT_TRUE(m.Type('x', cursor));
    EXPECT_TRUE(m.Type('1', cursor));
    EXPECT_EQ(cursor, 2);
    for (char bad : {' ', '-', '_', '.', '\xe9', '\0'}) EXPECT_FALSE(m.Type(bad, cursor)) << int(bad);
    EXPECT_EQ(m.Text(), "X1__");
    EXPECT_EQ(m.Name(), "X1  ");

    // Positions 1 and 3 typed keep the blank in position 2.
    m.SetText("");
    cursor = 0;
    m.Type('a', cursor);
    cursor = 2;
    m.Type('B', cursor);
    EXPECT_EQ(m.Name(), "A B ");
    // Nothing goes past the fourth position.
    cursor = 3;
    EXPECT_TRUE(m.Type('z', cursor));
    EXPECT_FALSE(m.Type('q', cursor));
    EXPECT_EQ(m.Text(), "A_BZ");

    m.Backspace(cursor);
    EXPECT_EQ(cursor, 3);
    EXPECT_EQ(m.Text(), "A_B_");
    m.Delete(0);
    EXPECT_EQ(m.Text(), "__B_");
    cursor = 0;
    m.Backspace(cursor);
    EXPECT_EQ(cursor, 0);
    EXPECT_EQ(m.Text(), "__B_");
}

TEST(NameMask, StartTextIsKeptAsGiven) {
    TNameMask m;
    m.SetText("Wait");
    EXPECT_EQ(m.Name(), "Wait");
    m.SetText("Wait...");
    EXPECT_EQ(m.Text(), "Wait");
    m.SetText("AB");
    EXPECT_EQ(m.Text(), "AB__");
    EXPECT_EQ(m.Name(), "AB  ");
    m.SetText("R 2.");
    EXPECT_EQ(m.Name(), "R 2.");
}

TEST(NameAttForm, KeysEditThePositions) {
    TNameAttForm form;
    EXPECT_EQ(form.size(), QSize(251, 165));
    EXPECT_EQ(form.GroupBox1->title(), "Name of attenuator");
    EXPECT_EQ(form.Label1->text(), "Enter 4 characters [A..Z,0..9]");
    EXPECT_EQ(form.BitBtn2->text(), "Cancel");
    TNameMaskEdit* edit = form.MaskEdit;
    edit->SetEditText("Wait");
    EXPECT_EQ(edit->text(), "Wait");

    // Select everything and delete it: four empty positions.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->EditText(), "____");
    EXPECT_EQ(edit->text(), "____");
    QTest::keyClicks(edit, "x-1 ");
    EXPECT_EQ(edit->EditText(), "X1__");
    EXPECT_EQ(edit->cursorPosition(), 2);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->EditText(), "X___");
    QTest::keyClick(edit, Qt::Key_Right);
    QTest::keyClicks(edit, "b9zz");
    EXPECT_EQ(edit->EditText(), "X_B9");
    // Line-editing keys cannot shorten the text behind the mask.
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->EditText(), "X_B9");
    EXPECT_EQ(edit->text(), "X_B9");
    // Pasting takes only what the mask accepts.
    QApplication::clipboard()->setText("q-7");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->EditText(), "Q7B9");
    EXPECT_EQ(edit->Mask().Name(), "Q7B9");
}

namespace {

// Runs NameAttenuator for box n with name, doing step once the dialog is up.
bool RunNaming(int n, std::string& name, const std::function<void(TNameAttForm*)>& step) {
    TModalDriver driver;
    driver.Then([&] {
        auto* form = TModalDriver::Modal<TNameAttForm>();
        if (!form) return false;
        step(form);
        return true;
    });
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dlg->reject();
    });
    watchdog.start(15000);
    const bool ok = NameAttenuator(n, name, nullptr);
    EXPECT_TRUE(driver.Done());
    return ok;
}

}  // namespace

TEST(NameAttenuator, OkWithoutTypingReturnsTheStartName) {
    std::string name = "Wait";
    QString caption;
    EXPECT_TRUE(RunNaming(3, name, [&](TNameAttForm* form) {
        caption = form->windowTitle();
        TModalDriver::ClickLater(form->BitBtn1);
    }));
    EXPECT_EQ(caption, "Name / Rename att 3");
    EXPECT_EQ(name, "Wait");
}

TEST(NameAttenuator, ClearedPositionsBecomeBlanksAndEnterConfirms) {
    std::string name = "LAB1";
    EXPECT_TRUE(RunNaming(8, name, [](TNameAttForm* form) {
        form->MaskEdit->selectAll();
        QTest::keyClick(form->MaskEdit, Qt::Key_Backspace);
        TModalDriver::Later([form] { QTest::keyClick(form->MaskEdit, Qt::Key_Return); });
    }));
    EXPECT_EQ(name, "    ");

    name = "LAB1";
    EXPECT_TRUE(RunNaming(1, name, [](TNameAttForm* form) {
        form->MaskEdit->selectAll();
        QTest::keyClicks(form->MaskEdit, "x1");
        TModalDriver::ClickLater(form->BitBtn1);
    }));
    EXPECT_EQ(name, "X1  ");
}

TEST(NameAttenuator, CancelEscapeOrCloseChangeNothing) {
    std::string name = "LAB1";
    EXPECT_FALSE(RunNaming(2, name, [](TNameAttForm* form) {
        QTest::keyClicks(form->MaskEdit, "ZZ");
        TModalDriver::ClickLater(form->BitBtn2);
    }));
    EXPECT_EQ(name, "LAB1");
    EXPECT_FALSE(RunNaming(2, name, [](TNameAttForm* form) {
        QTest::keyClicks(form->MaskEdit, "ZZ");
        TModalDriver::Later([form] { QTest::keyClick(form->MaskEdit, Qt::Key_Escape); });
    }));
    EXPECT_EQ(name, "LAB1");
    EXPECT_FALSE(RunNaming(2, name, [](TNameAttForm* form) {
        QTest::keyClicks(form->MaskEdit, "ZZ");
        TModalDriver::Later([form] { form->close(); });
    }));
    EXPECT_EQ(name, "LAB1");
}
