// The attenuator box with a floor: no path of the operator's reports a value
// below it, and the box says when the attenuator holds less.
#include "tests/testsupport/ActiveWindow.h"
#include "frontpanel/AttGroupBox.h"
#include "controls/SlideBar.h"
#include "controls/SpinNum.h"
#include "tests/testsupport/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <vector>

class AttGroupBoxFloorTest : public QObject {
    Q_OBJECT

    // A shown window with a box as the front panel sets it up: a tenths
    // attenuator (maximum 93.5 dB, half-decibel steps, floor 20 dB) or a
    // whole-decibel one (maximum 63 dB, floor 21 dB).
    struct Window {
        QWidget top;
        TAttGroupBox* box;
        std::vector<int> reports;  // Value at every Change that is no echo
        explicit Window(bool tenths) {
            box = new TAttGroupBox(&top);
            box->setTitle("Attenuator 1");
            box->setGeometry(4, 4, 129, 73);
            top.resize(140, 90);
            box->SetDecimal(tenths);
            box->SetMaxValue(tenths ? 935 : 63);
            box->SetStep(tenths ? 5 : 1);
            box->SetFloor(tenths ? 200 : 21);
            QObject::connect(box, &TAttGroupBox::Change, box, [this](TAttGroupBox* sender) {
                if (!sender->ChangeIsEcho()) reports.push_back(sender->Value());
            });
            ShowActive(top);
            Edit()->setFocus();
        }
        TSpinNumEdit* Edit() const { return box->SpinEdit(); }
        TSlideBar* Bar() const { return box->SlideBar(); }
        void Settle() { PumpEvents(TAttGroupBox::kChangeDelayMs + 250); }
    };

    static void Wheel(QWidget* w) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }

    static void DragThumbTo(TSlideBar* bar, int toX) {
        const QPoint thumb = bar->ThumbRect().center();
        QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
        for (int x = thumb.x() - 1; x >= toX; --x) {
            QMouseEvent e(QEvent::MouseMove, QPointF(x, thumb.y()), bar->mapToGlobal(QPointF(x, thumb.y())),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bar, &e);
            QVERIFY(bar->ThumbRect().left() >= 0);
        }
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(toX, thumb.y()));
    }

    // Pixels in the warning colour, or a shade of it where text is smoothed,
    // within the rectangle of the box's picture.
    static int WarningPixels(const QImage& img, const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.red() >= 128 && c.green() < c.red() / 2 && c.blue() < c.red() / 2;
            }
        return n;
    }

private slots:
    void noPathReportsBelowTheFloor_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<bool>("heldBelow");  // the attenuator read back below its floor
        for (const char* path : {"typed 5", "down arrow", "down key", "page keys", "drag to 0", "wheel"})
            for (bool tenths : {true, false})
                for (bool below : {false, true})
                    QTest::addRow("%s, %s, from %s", path, tenths ? "tenths" : "whole dB", below ? "below" : "above")
                        << QString(path) << tenths << below;
    }

    void noPathReportsBelowTheFloor() {
        QFETCH(QString, path);
        QFETCH(bool, tenths);
        QFETCH(bool, heldBelow);
        Window w(tenths);
        const int floor = tenths ? 200 : 21;
        const int held = heldBelow ? (tenths ? 50 : 5) : (tenths ? 300 : 30);
        w.box->ShowReadBack(held);
        w.box->SetBelowFloor(heldBelow);
        w.Settle();
        QCOMPARE(w.box->Value(), held);  // what the attenuator holds is shown, below the floor too
        QVERIFY(w.reports.empty());

        if (path == "typed 5") {
            w.Edit()->selectAll();
            QTest::keyClicks(w.Edit(), "5");
            QTest::keyClick(w.Edit(), Qt::Key_Return);
        } else if (path == "down arrow") {
            for (int i = 0; i < 25; ++i) QTest::mouseClick(w.Edit()->Arrows()->DownButton(), Qt::LeftButton);
        } else if (path == "down key") {
            for (int i = 0; i < 25; ++i) QTest::keyClick(w.Edit(), Qt::Key_Down);
        } else if (path == "page keys") {
            w.Bar()->setFocus();
            for (int i = 0; i < 3; ++i) QTest::keyClick(w.Bar(), Qt::Key_PageUp);
            QTest::keyClick(w.Bar(), Qt::Key_Home);
            QTest::keyClick(w.Bar(), Qt::Key_Left);
        } else if (path == "drag to 0") {
            DragThumbTo(w.Bar(), 0);
        } else {
            for (int i = 0; i < 10; ++i) {
                Wheel(w.Edit());
                Wheel(w.Bar());
            }
        }
        w.Settle();

        for (int v : w.reports) QVERIFY2(v >= floor, qPrintable(QString("reported %1").arg(v)));
        if (path == "wheel") {
            QVERIFY(w.reports.empty());
            return;
        }
        QVERIFY(!w.reports.empty());
        QCOMPARE(w.reports.back(), floor);
        QCOMPARE(w.Edit()->text(), QString(tenths ? "20.0" : "21"));  // shown as sent
        QCOMPARE(w.Bar()->Position(), floor);
    }

    void floorLineSaysBelowFloorInTheWarningColour() {
        Window w(true);
        QVERIFY(w.box->FloorLine()->isVisible());
        QCOMPARE(w.box->FloorLine()->text(), QString("Floor 20.0 dB"));
        w.box->ShowReadBack(50);
        w.box->SetBelowFloor(true);
        QCOMPARE(w.box->FloorLine()->text(), QString("Below floor"));
        const QImage below = w.box->grab().toImage();
        QVERIFY(WarningPixels(below, w.box->FloorLine()->geometry()) > 10);
        QVERIFY(WarningPixels(below, w.Edit()->geometry()) > 10);

        // Once it holds its floor again, only the hatch is in the warning colour.
        w.box->ShowReadBack(200);
        w.box->SetBelowFloor(false);
        QCOMPARE(w.box->FloorLine()->text(), QString("Floor 20.0 dB"));
        const QImage held = w.box->grab().toImage();
        QCOMPARE(WarningPixels(held, w.box->FloorLine()->geometry()), 0);
        QCOMPARE(WarningPixels(held, w.Edit()->geometry()), 0);

        // A floor at the maximum leaves only the maximum, and the box says so.
        w.box->SetFloor(935);
        QCOMPARE(w.box->FloorLine()->text(), QString("Floor at maximum"));
        QTest::keyClick(w.Edit(), Qt::Key_Down);
        QCOMPARE(w.Edit()->text(), QString("93.5"));

        // No floor, or a floor of 0: no line, nothing held back.
        for (std::optional<int> none : {std::optional<int>(), std::optional<int>(0)}) {
            w.box->SetFloor(none);
            QVERIFY(!w.box->Floor());
            QVERIFY(!w.box->FloorLine()->isVisible());
            QVERIFY(!w.Bar()->Floor());
            w.box->SetValue(0);
            QCOMPARE(w.Edit()->text(), QString("0.0"));
        }
    }
};

QTEST_MAIN(AttGroupBoxFloorTest)
#include "AttGroupBoxFloorTest.moc"
