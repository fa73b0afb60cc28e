// The spin edit as a real widget: filter, Typing, focus rules, cut and
// paste, arrows with auto-repeat, geometry.
#include "tests/testsupport/ActiveWindow.h"
#include "controls/SpinNum.h"
#include "tests/testsupport/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <vector>

class SpinNumWidgetTest : public QObject {
    Q_OBJECT

    // A shown window holding the edit and a second control to move the
    // focus to.
    struct Window {
        QWidget top;
        TSpinNumEdit* edit;
        QLineEdit* other;
        Window() {
            edit = new TSpinNumEdit(&top);
            other = new QLineEdit(&top);
            edit->setGeometry(8, 8, 89, edit->height());
            other->setGeometry(8, 60, 89, 24);
            top.resize(120, 100);
            ShowActive(top);
            edit->setFocus();
        }
    };

private slots:
    void writingClampsAndFormats() {
        TSpinNumEdit edit;
        QCOMPARE(edit.text(), QString("0"));
        edit.SetMaxValue(0);
        edit.SetValue(5000);
        QCOMPARE(edit.text(), QString("5000"));  // MinValue = MaxValue: no bound
        edit.SetDecimal(true);
        QCOMPARE(edit.text(), QString("5000"));  // not reformatted until written
        edit.SetMaxValue(1100);
        edit.SetValue(1234);
        QCOMPARE(edit.text(), QString("110.0"));
        edit.SetValue(7);
        QCOMPARE(edit.text(), QString("0.7"));
        edit.setText("45");
        QCOMPARE(edit.Value(), 450);
        edit.setText("4,5");
        QCOMPARE(edit.Value(), 0);
        QSignalSpy changes(&edit, &QLineEdit::textChanged);
        edit.SetValue(12);
        edit.SetValue(12);  // already shown: no second notification
        QCOMPARE(changes.count(), 1);
    }

    void characterFilterBeepsAndDrops() {
        // A refused point in whole numbers takes its fraction with it; a
        // comma is the point in decimal mode. Each refusal beeps and says why.
        using R = TSpinRefusal;
        struct TCase {
            bool decimal;
            const char* typed;
            const char* text;
            std::vector<R> refusals;
        };
        const TCase cases[] = {
            {false, "1.5", "1", {R::NotWhole, R::NotWhole}},
            {false, "20,55", "20", {R::NotWhole, R::NotWhole, R::NotWhole}},
            {false, "7.5a1", "7", {R::NotWhole, R::NotWhole, R::NotNumber, R::NotWhole}},
            {false, "2.5-3", "2-3", {R::NotWhole, R::NotWhole}},  // an accepted sign ends the fraction
            {false, "4 x", "4", {R::NotNumber, R::NotNumber}},
            {true, "57,5", "57.5", {}},
            {true, "1.5a", "1.5", {R::NotNumber}},
        };
        Window w;
        for (const TCase& c : cases) {
            w.edit->SetDecimal(c.decimal);
            w.edit->setText("");
            QSignalSpy beeps(w.edit, &TSpinNumEdit::Beeped);
            std::vector<R> refusals;
            auto seen = connect(w.edit, &TSpinNumEdit::Refused, w.edit, [&](R why) { refusals.push_back(why); });
            QTest::keyClicks(w.edit, c.typed);
            disconnect(seen);
            QCOMPARE(w.edit->text(), QString(c.text));
            QVERIFY2(refusals == c.refusals, c.typed);
            QCOMPARE(beeps.count(), static_cast<int>(c.refusals.size()));
        }
        // The fraction ends with the caret moved: digits are typed again.
        w.edit->SetDecimal(false);
        w.edit->setText("");
        QTest::keyClicks(w.edit, "3.");
        QTest::keyClick(w.edit, Qt::Key_Home);
        QTest::keyClicks(w.edit, "1");
        QCOMPARE(w.edit->text(), QString("13"));
        QSignalSpy beeps(w.edit, &TSpinNumEdit::Beeped);
        QTest::keyClick(w.edit, Qt::Key_Return);  // Enter never beeps, never edits
        QTest::keyClick(w.edit, Qt::Key_Escape);  // nor does Escape, which types nothing
        QCOMPARE(beeps.count(), 0);
        QCOMPARE(w.edit->text(), QString("13"));
        QVERIFY(!w.edit->Typing());
    }

    void deleteKeyAsX11SendsItEditsTheText() {
        // X11 gives the Delete key the text "\x7f": it is an editing key,
        // never a character for the filter.
        Window w;
        w.edit->SetDecimal(true);
        w.edit->SetMaxValue(935);
        w.edit->SetValue(0);
        QSignalSpy beeps(w.edit, &TSpinNumEdit::Beeped);
        QTest::keyClick(w.edit, Qt::Key_Home);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QApplication::sendEvent(w.edit, &del);
        QTest::keyClicks(w.edit, "45");
        QCOMPARE(w.edit->text(), QString("45.0"));
        QCOMPARE(beeps.count(), 0);
        QVERIFY(w.edit->Typing());
    }

    void typingLastsUntilEnter() {
        Window w;
        w.edit->SetMaxValue(1100);
        QVERIFY(!w.edit->Typing());
        QTest::keyClick(w.edit, Qt::Key_5);
        QVERIFY(w.edit->Typing());
        w.edit->UpClick();
        w.edit->SetValue(40);
        QTest::keyClick(w.edit, Qt::Key_Up);
        w.other->setFocus();
        QVERIFY(w.edit->Typing());  // arrows, writes and focus loss leave it set
        w.edit->setFocus();
        QTest::keyClick(w.edit, Qt::Key_A);  // refused: no keystroke accepted
        QVERIFY(w.edit->Typing());
        QTest::keyClick(w.edit, Qt::Key_Return);
        QVERIFY(!w.edit->Typing());
        QTest::keyClick(w.edit, Qt::Key_Backspace);
        QVERIFY(w.edit->Typing());
    }

    void typingIsSetBeforeTheChangeNotification() {
        // An owner deciding on the change notification must already see
        // Typing, also for a paste from the menu.
        Window w;
        std::vector<bool> seen;
        connect(w.edit, &QLineEdit::textChanged, w.edit, [&] { seen.push_back(w.edit->Typing()); });
        QApplication::clipboard()->setText("12");
        w.edit->selectAll();
        w.edit->paste();
        QCOMPARE(w.edit->text(), QString("12"));
        QCOMPARE(seen, std::vector<bool>{true});
    }

    void leavingClampsOutOfRangeText() {
        Window w;
        w.edit->SetMaxValue(1100);
        w.edit->setText("2000");
        w.other->setFocus();
        QCOMPARE(w.edit->text(), QString("1100"));
        w.edit->setFocus();
        w.edit->setText("0050");
        w.other->setFocus();
        QCOMPARE(w.edit->text(), QString("0050"));
    }

    void editorDisabledLeavesOnlyTheArrows() {
        Window w;
        w.edit->SetMaxValue(1100);
        w.edit->SetValue(40);
        w.edit->SetEditorEnabled(false);
        QSignalSpy beeps(w.edit, &TSpinNumEdit::Beeped);
        w.edit->end(false);
        QTest::keyClick(w.edit, Qt::Key_7);
        QTest::keyClick(w.edit, Qt::Key_Backspace);
        QCOMPARE(beeps.count(), 2);
        QTest::keyClick(w.edit, Qt::Key_Home);
        QTest::keyClick(w.edit, Qt::Key_Delete);
        QApplication::clipboard()->setText("99");
        w.edit->selectAll();
        QTest::keyClick(w.edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(w.edit, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w.edit->text(), QString("40"));
        QVERIFY(!w.edit->isReadOnly());  // the lock is only for the moment
        QTest::mouseClick(w.edit->Arrows()->UpButton(), Qt::LeftButton);
        QCOMPARE(w.edit->text(), QString("41"));
        QTest::keyClick(w.edit, Qt::Key_Down);
        QCOMPARE(w.edit->text(), QString("40"));
    }

    void readOnlyStepsBeep() {
        Window w;
        w.edit->SetMaxValue(10);
        w.edit->setReadOnly(true);
        QSignalSpy beeps(w.edit, &TSpinNumEdit::Beeped);
        QTest::keyClick(w.edit, Qt::Key_Up);
        w.edit->DownClick();
        QCOMPARE(beeps.count(), 2);
        QCOMPARE(w.edit->text(), QString("0"));
    }

    void stepsAreClampedButStepByIncrement() {
        TSpinNumEdit edit;
        edit.SetMaxValue(100);
        edit.SetIncrement(30);
        edit.SetValue(80);
        edit.UpClick();
        QCOMPARE(edit.Value(), 100);
        edit.DownClick();
        QCOMPARE(edit.Value(), 70);
        edit.SetDecimal(true);
        edit.SetIncrement(1);
        edit.SetValue(0);
        edit.UpClick();
        QCOMPARE(edit.text(), QString("0.1"));
    }

    void heldArrowRepeatsAfter400ThenEvery100() {
        Window w;
        w.edit->SetMaxValue(1000);
        std::vector<long long> steps;
        connect(w.edit, &QLineEdit::textChanged, w.edit, [&] { steps.push_back(MonotonicMs()); });
        auto* up = w.edit->Arrows()->UpButton();
        const long long pressed = MonotonicMs();
        QTest::mousePress(up, Qt::LeftButton);
        QVERIFY(WaitUntil([&] { return steps.size() >= 3; }, 5000));
        const std::size_t held = steps.size();
        const long long released = MonotonicMs();
        QTest::mouseRelease(up, Qt::LeftButton);
        // Every step shows, and the release over the button adds one.
        QVERIFY(steps.size() > held);
        QVERIFY(steps.back() >= released);
        QCOMPARE(w.edit->Value(), static_cast<int>(steps.size()));
        QVERIFY(steps[0] - pressed >= 380);
        for (std::size_t i = 1; i < held; ++i) QVERIFY(steps[i] - steps[i - 1] >= 80);
        const std::size_t total = steps.size();
        PumpEvents(250);
        QCOMPARE(steps.size(), total);  // stopped on release
    }

    void clickOnArrowStepsOnceAndKeepsFocusInTheEdit() {
        Window w;
        w.edit->SetMaxValue(10);
        w.other->setFocus();
        QTest::mouseClick(w.edit->Arrows()->DownButton(), Qt::LeftButton);
        QVERIFY(w.edit->hasFocus());
        w.edit->SetValue(5);
        QTest::mouseClick(w.edit->Arrows()->UpButton(), Qt::LeftButton);
        QCOMPARE(w.edit->Value(), 6);
    }

    void geometryKeepsTextClearOfTheArrows() {
        Window w;
        w.edit->resize(73, 5);
        QCOMPARE(w.edit->height(), w.edit->MinHeight());
        w.edit->resize(89, 40);
        QCOMPARE(w.edit->height(), 40);
        const QRect a = w.edit->Arrows()->geometry();
        QCOMPARE(a.width(), 15);
        QCOMPARE(a.height(), 40 - 5);
        QVERIFY(a.right() < w.edit->width());
        QVERIFY(w.edit->textMargins().right() >= a.width() + 2);
        const int h = QFontMetrics(w.edit->font()).height();
        QVERIFY(w.edit->MinHeight() >= h + 6);
        // The arrow pair splits its height, overlapping by one pixel.
        auto* up = w.edit->Arrows()->UpButton();
        auto* down = w.edit->Arrows()->DownButton();
        QCOMPARE(up->height(), a.height() / 2);
        QCOMPARE(down->y(), up->height() - 1);
        QCOMPARE(down->y() + down->height(), a.height());
    }

    void arrowsAloneStepByKeysAndClearTheirFocusControl() {
        QWidget top;
        auto* arrows = new TSpinArrows(&top);
        QCOMPARE(arrows->size(), QSize(20, 25));
        arrows->SetTabStop(true);
        int ups = 0, downs = 0;
        connect(arrows, &TSpinArrows::UpClick, arrows, [&] { ++ups; });
        connect(arrows, &TSpinArrows::DownClick, arrows, [&] { ++downs; });
        ShowActive(top);
        arrows->resize(8, 25);
        QCOMPARE(arrows->width(), TSpinArrows::kMinWidth);
        arrows->setFocus();
        QVERIFY(arrows->UpButton()->FocusRectShown());
        QTest::keyClick(arrows, Qt::Key_Down);
        QTest::keyClick(arrows, Qt::Key_Space);
        QCOMPARE(arrows->FocusedButton(), arrows->DownButton());
        QVERIFY(arrows->DownButton()->FocusRectShown());
        QVERIFY(!arrows->UpButton()->FocusRectShown());
        QTest::keyClick(arrows, Qt::Key_Up);
        QCOMPARE(ups, 1);
        QCOMPARE(downs, 2);
        auto* target = new QLineEdit(&top);
        arrows->SetFocusControl(target);
        delete target;
        QCOMPARE(arrows->FocusControl(), nullptr);
    }
};

QTEST_MAIN(SpinNumWidgetTest)
#include "SpinNumWidgetTest.moc"
