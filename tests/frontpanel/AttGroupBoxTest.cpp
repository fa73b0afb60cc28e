// The attenuator box on real widgets: when and what it reports.
#include "tests/testsupport/ActiveWindow.h"
#include "frontpanel/AttGroupBox.h"
#include "controls/SlideBar.h"
#include "controls/SpinNum.h"
#include "tests/testsupport/TestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <vector>

class AttGroupBoxTest : public QObject {
    Q_OBJECT

    // A shown window with the box (129 x 73) and a button to click away to.
    struct Window {
        QWidget top;
        TAttGroupBox* box;
        QLineEdit* elsewhere;
        std::vector<int> reports;  // Value at every Change
        std::vector<long long> times;
        explicit Window(bool decimal = false) {
            box = new TAttGroupBox(&top);
            box->setTitle("Attenuator 1");
            box->setGeometry(4, 4, 129, 73);
            elsewhere = new QLineEdit(&top);
            elsewhere->setGeometry(4, 90, 60, 24);
            top.resize(140, 120);
            if (decimal) box->SetDecimal(true);
            QObject::connect(box, &TAttGroupBox::Change, box, [this](TAttGroupBox* sender) {
                QCOMPARE(sender, box);
                reports.push_back(sender->Value());
                times.push_back(MonotonicMs());
            });
            ShowActive(top);
            Edit()->setFocus();
        }
        TSpinNumEdit* Edit() const { return box->SpinEdit(); }
        TSlideBar* Bar() const { return box->SlideBar(); }
        void Type(const char* text) {
            Edit()->selectAll();
            QTest::keyClicks(Edit(), text);
        }
        void Enter() { QTest::keyClick(Edit(), Qt::Key_Return); }
        // Waits past the change delay with a margin.
        void Settle() { PumpEvents(TAttGroupBox::kChangeDelayMs + 250); }
    };

private slots:
    void layoutKeeps73WideChildren() {
        Window w;
        QCOMPARE(w.Edit()->geometry().left(), 8);
        QCOMPARE(w.Edit()->width(), 73);
        QCOMPARE(w.Bar()->width(), 73);
        QCOMPARE(w.Edit()->y(), 20);
        QCOMPARE(w.Bar()->y(), w.Edit()->height() + 20);
        QVERIFY(w.Bar()->geometry().bottom() < 73);
        w.box->resize(200, 73);
        QCOMPARE(w.box->width(), 200);
        QCOMPARE(w.Edit()->width(), 73);
        QCOMPARE(w.Bar()->width(), 73);
        w.box->resize(60, 73);
        QCOMPARE(w.Edit()->width(), 44);
        QCOMPARE(w.Bar()->ThumbStyle(), TThumbStyle::tsBar1);
        QVERIFY(!w.Bar()->Ticks());
        QCOMPARE(w.box->MaxValue(), 1100);
    }

    void arrowClickReportsOnce300msLater() {
        Window w(true);
        const long long start = MonotonicMs();
        QTest::mouseClick(w.Edit()->Arrows()->UpButton(), Qt::LeftButton);
        QCOMPARE(w.Edit()->text(), QString("0.1"));
        QCOMPARE(w.Bar()->Position(), 1);
        QVERIFY(w.reports.empty());
        QVERIFY(WaitUntil([&] { return !w.reports.empty(); }));
        QVERIFY(w.times[0] - start >= 280);
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{1});
    }

    void steppedBoxMovesInStepsAndItsBarLandsOnMultiples() {
        // A tenths box that moves in half-decibel steps.
        Window w(true);
        w.box->SetMaxValue(935);
        w.box->SetStep(5);
        QTest::mouseClick(w.Edit()->Arrows()->UpButton(), Qt::LeftButton);
        QCOMPARE(w.Edit()->text(), QString("0.5"));
        QTest::keyClick(w.Edit(), Qt::Key_Up);
        QCOMPARE(w.Edit()->text(), QString("1.0"));
        w.Bar()->setFocus();
        QTest::keyClick(w.Bar(), Qt::Key_PageDown);
        QCOMPARE(w.Edit()->text(), QString("10.0"));
        QTest::keyClick(w.Bar(), Qt::Key_Right);
        QCOMPARE(w.Edit()->text(), QString("10.5"));
        // A click on the groove beside the thumb and a drag land on multiples.
        QTest::mouseClick(w.Bar(), Qt::LeftButton, {}, QPoint(70, 7));
        QCOMPARE(w.Bar()->Position(), 110);
        const QPoint thumb = w.Bar()->ThumbRect().center();
        QTest::mousePress(w.Bar(), Qt::LeftButton, {}, thumb);
        for (int x = thumb.x() + 1; x <= 40; ++x) {
            QMouseEvent e(QEvent::MouseMove, QPointF(x, thumb.y()), w.Bar()->mapToGlobal(QPointF(x, thumb.y())),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w.Bar(), &e);
            QCOMPARE(w.Bar()->Position() % 5, 0);
            QCOMPARE(w.Edit()->Value(), w.Bar()->Position());
        }
        QTest::mouseRelease(w.Bar(), Qt::LeftButton, {}, QPoint(40, thumb.y()));
        QCOMPARE(w.Bar()->Position() % 5, 0);
        QVERIFY(w.Bar()->Position() > 500);
        QVERIFY(WaitUntil([&] { return !w.reports.empty(); }));
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{w.Bar()->Position()});
    }

    void readBackLeavesTheOperatorsPendingMoveAlone() {
        Window w;
        QTest::mouseClick(w.Edit()->Arrows()->UpButton(), Qt::LeftButton);  // report due in 300 ms
        QVERIFY(!w.box->ShowReadBack(40));  // a set ending meanwhile
        QCOMPARE(w.Edit()->text(), QString("1"));
        QVERIFY(WaitUntil([&] { return !w.reports.empty(); }));
        QVERIFY(!w.box->ChangeIsEcho());
        QCOMPARE(w.reports, std::vector<int>{1});
        // Once it is reported, a read-back is shown as its echo.
        QVERIFY(w.box->ShowReadBack(40));
        QCOMPARE(w.Edit()->text(), QString("40"));
    }

    void heldArrowReportsOnceAfterRelease() {
        Window w;
        auto* up = w.Edit()->Arrows()->UpButton();
        QTest::mousePress(up, Qt::LeftButton);
        QVERIFY(WaitUntil([&] { return w.Edit()->Value() >= 4; }, 5000));
        QTest::mouseRelease(up, Qt::LeftButton);
        const long long released = MonotonicMs();
        const int value = w.Edit()->Value();
        QCOMPARE(w.Bar()->Position(), value);
        QVERIFY(WaitUntil([&] { return !w.reports.empty(); }));
        QVERIFY(w.times[0] - released >= 250);
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{value});
    }

    void enterReportsTypedValueAtOnce() {
        Window w(true);
        w.Type("45.5");
        w.Settle();
        QVERIFY(w.reports.empty());  // held back while typing
        QCOMPARE(w.Bar()->Position(), 0);
        w.Enter();
        QCOMPARE(w.reports, std::vector<int>{455});
        QCOMPARE(w.Bar()->Position(), 455);
        QCOMPARE(w.Edit()->selectedText(), QString("45.5"));
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{455});  // already formatted: once only
    }

    void enterOnUnformattedTextReportsTwice() {
        Window w(true);
        w.Type("45");
        w.Enter();
        QCOMPARE(w.Edit()->text(), QString("45.0"));
        QCOMPARE(w.reports, std::vector<int>{450});
        QVERIFY(WaitUntil([&] { return w.reports.size() == 2; }));
        QCOMPARE(w.reports[1], 450);

        w.Type("2000");
        w.Enter();
        QCOMPARE(w.Edit()->text(), QString("110.0"));
        QVERIFY(WaitUntil([&] { return w.reports.size() == 4; }));
        QCOMPARE(w.reports[2], 1100);
        QCOMPARE(w.reports[3], 1100);
        QCOMPARE(w.Bar()->Position(), 1100);
    }

    void enterWithoutTypingStillReports() {
        Window w;
        w.Enter();
        QCOMPARE(w.reports, std::vector<int>{0});
    }

    void arrowWhileTypingChangesTextOnly() {
        Window w;
        w.box->SetValue(10);
        w.Settle();
        w.reports.clear();
        QTest::keyClick(w.Edit(), Qt::Key_End);
        QTest::keyClick(w.Edit(), Qt::Key_5);
        QTest::mouseClick(w.Edit()->Arrows()->UpButton(), Qt::LeftButton);
        QCOMPARE(w.Edit()->text(), QString("106"));
        QCOMPARE(w.Bar()->Position(), 10);
        w.Settle();
        QVERIFY(w.reports.empty());
    }

    void dragReportsOnceAfterItStops() {
        Window w;
        auto* bar = w.Bar();
        const QPoint thumb = bar->ThumbRect().center();
        QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
        for (int x : {10, 20, 30, 40}) {
            QMouseEvent e(QEvent::MouseMove, QPointF(x, thumb.y()), bar->mapToGlobal(QPointF(x, thumb.y())),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bar, &e);
            QCOMPARE(w.Edit()->Value(), bar->Position());
            PumpEvents(50);
        }
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(40, thumb.y()));
        QVERIFY(w.reports.empty());
        QVERIFY(WaitUntil([&] { return !w.reports.empty(); }));
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{bar->Position()});
        QVERIFY(bar->Position() > 500);
    }

    void ownerWritesReportOnlyChanges() {
        Window w;
        w.box->SetValue(0);
        w.Settle();
        QVERIFY(w.reports.empty());
        w.box->SetValue(250);
        QCOMPARE(w.Bar()->Position(), 250);
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{250});
        w.box->SetMaxValue(935);
        QCOMPARE(w.Bar()->Max(), 935);
        w.box->SetValue(2000);
        QCOMPARE(w.box->Value(), 935);
    }

    void enterOnTextThatIsNoNumberRestoresTheLastValue() {
        Window w;
        w.box->SetValue(300);
        w.Settle();
        w.reports.clear();
        for (const char* text : {"", "-", "5-"}) {
            w.Edit()->selectAll();
            QTest::keyClick(w.Edit(), Qt::Key_Backspace);
            QTest::keyClicks(w.Edit(), text);
            w.Enter();
            QCOMPARE(w.Edit()->text(), QString("300"));
            QVERIFY(!w.Edit()->Typing());
        }
        w.Settle();
        QVERIFY(w.reports.empty());  // never the minimum
        QCOMPARE(w.Bar()->Position(), 300);
        // Later movements are reported as usual.
        QTest::keyClick(w.Edit(), Qt::Key_Up);
        QVERIFY(WaitUntil([&] { return !w.reports.empty(); }));
        QCOMPARE(w.reports, std::vector<int>{301});
    }

    void leavingWhileTypingAbandonsTheText() {
        Window w;
        w.box->SetValue(300);
        w.Settle();
        w.reports.clear();
        w.Type("77");
        w.elsewhere->setFocus();
        QCOMPARE(w.Edit()->text(), QString("300"));
        QVERIFY(!w.Edit()->Typing());
        // The slide bar works again at once.
        w.Bar()->setFocus();
        QTest::keyClick(w.Bar(), Qt::Key_Right);
        QCOMPARE(w.Edit()->text(), QString("301"));
        QVERIFY(WaitUntil([&] { return !w.reports.empty(); }));
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{301});
    }

    void clickingTheBarWhileTypingRestoresThenMoves() {
        Window w;
        w.box->SetValue(550);
        w.Settle();
        w.reports.clear();
        w.Type("9");
        QTest::mouseClick(w.Bar(), Qt::LeftButton, {}, QPoint(70, 7));
        QCOMPARE(w.Edit()->text(), QString("551"));
        w.Settle();
        QCOMPARE(w.reports, std::vector<int>{551});
    }

    void typingAfterAMovementHoldsItsReportBack() {
        Window w;
        QTest::keyClick(w.Edit(), Qt::Key_Up);  // report due in 300 ms
        QTest::keyClick(w.Edit(), Qt::Key_End);
        QTest::keyClick(w.Edit(), Qt::Key_7);   // "17", not finished
        w.Settle();
        QVERIFY(w.reports.empty());
        w.Enter();
        QCOMPARE(w.reports, std::vector<int>{17});
    }

    void menuCutCountsAsTyping() {
        // Cutting the whole text from the edit's menu must not report the
        // emptied box as the minimum 300 ms later.
        Window w;
        w.box->SetValue(400);
        w.Settle();
        w.reports.clear();
        w.Edit()->selectAll();
        w.Edit()->cut();
        QCOMPARE(w.Edit()->text(), QString());
        QVERIFY(w.Edit()->Typing());
        w.Settle();
        QVERIFY(w.reports.empty());
        w.Enter();
        QCOMPARE(w.Edit()->text(), QString("400"));
        w.Settle();
        QVERIFY(w.reports.empty());
    }

    void disabledBoxTakesNoInput() {
        Window w;
        w.box->setEnabled(false);
        QVERIFY(!w.Edit()->isEnabled());
        QVERIFY(!w.Bar()->isEnabled());
        QTest::mouseClick(w.Edit()->Arrows()->UpButton(), Qt::LeftButton);
        QCOMPARE(w.box->Value(), 0);
        QCOMPARE(w.box->title(), QString("Attenuator 1"));
    }
};

QTEST_MAIN(AttGroupBoxTest)
#include "AttGroupBoxTest.moc"
