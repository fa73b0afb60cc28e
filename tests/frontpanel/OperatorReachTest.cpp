// What an operator reaches without a mouse (the graph's pop-up menu, the
// editor's second page from inside a row, the tab stops of the sequence
// list, closing the help window) and reads without clipping.

#include "frontpanel/HelpViewer.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/SequenceLine.h"
#include "sequencer/SequencerEditForm.h"
#include "controls/SpinNum.h"
#include "tests/sequencer/SequenceWindowsTestSupport.h"

#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w, 5000));
}

}  // namespace

TEST(OperatorReach, GraphMenuOpensFromMenuKeyAndShiftF10) {
    TTestSequencerHost host;
    TSequencerGraphForm form(host);
    ShowActive(form);
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Menu, Qt::NoModifier},
                                        std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        QTest::keyClick(&form, key, modifiers);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.GraphPopupMenu->isVisible(); }, 5000)) << key;
        // Opened over the middle of the graph, not at a far corner.
        const QPoint centre = form.xyGraph->mapToGlobal(form.xyGraph->rect().center());
        EXPECT_EQ(form.GraphPopupMenu->pos(), centre);
        form.GraphPopupMenu->hide();
    }
}

TEST(OperatorReach, CtrlTabTurnsTheEditorPageFromARow) {
    TTestSequencerHost host;
    TSequencerEditForm form(host);
    ShowActive(form);
    // From a row's action list and from its Duration edit; on a real
    // display the key carries the text "\t".
    for (QWidget* w : {static_cast<QWidget*>(form.Rows[1]->ActionBox), static_cast<QWidget*>(form.Rows[1]->DurationEdit)}) {
        form.PageControl->setCurrentIndex(0);
        w->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->hasFocus(); }, 5000));
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_Tab, QStringLiteral("\t"), Qt::ControlModifier);
        EXPECT_EQ(form.PageControl->currentIndex(), 1) << w->metaObject()->className();
    }
    QTest::sendKeyEvent(QTest::Click, form.focusWidget(), Qt::Key_Backtab, QString(),
                        Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form.PageControl->currentIndex(), 0);
    EXPECT_FALSE(form.Rows[1]->DurationEdit->Typing());
}

TEST(OperatorReach, HiddenLogIsNoTabStopUntilItHoldsText) {
    TTestSequencerHost host;
    TSequencerForm form(host);
    QPlainTextEdit* log = form.MemoLog;
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->focusPolicy(), Qt::NoFocus);
    log->setPlainText(QStringLiteral("line"));
    EXPECT_NE(log->focusPolicy() & Qt::TabFocus, 0);
    log->clear();
    EXPECT_EQ(log->focusPolicy(), Qt::NoFocus);
}

TEST(OperatorReach, EscapeClosesTheHelpWindow) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("help.html"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<h1>Help</h1>");
    f.close();
    QWidget* window = THelpViewer::Show(file);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, 5000));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([] { return THelpViewer::OpenWindows() == 0; }, 5000));
}

TEST(OperatorReach, EveryActionNameFitsItsRowList) {
    TTestSequencerHost host;
    TSequencerEditForm form(host);
    QComboBox* box = form.Rows[1]->ActionBox;
    QStyleOptionComboBox option;
    option.initFrom(box);
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    ASSERT_EQ(box->width(), 81);
    for (int i = 0; i < box->count(); ++i)
        EXPECT_LE(box->fontMetrics().horizontalAdvance(box->itemText(i)), field.width()) << box->itemText(i).toStdString();
}
