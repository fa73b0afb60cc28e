// The slide bar as a real widget: position writes, mouse, keys, focus.
#include "tests/testsupport/ActiveWindow.h"
#include "controls/SlideBar.h"
#include "controls/SlideBarMath.h"
#include "tests/testsupport/TestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

class SlideBarWidgetTest : public QObject {
    Q_OBJECT

    // A 73-wide bar over 0..1100 with the bar thumb, as the attenuator box
    // uses it, in a shown window.
    struct Window {
        QWidget top;
        TSlideBar* bar;
        Window() {
            bar = new TSlideBar(&top);
            bar->setGeometry(8, 8, 73, 15);
            bar->SetThumbStyle(TThumbStyle::tsBar1);
            bar->SetMin(0);
            bar->SetMax(1100);
            top.resize(100, 40);
            ShowActive(top);
        }
    };

    static void Move(QWidget* w, int x, Qt::MouseButtons buttons) {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, 7), w->mapToGlobal(QPointF(x, 7)), Qt::NoButton,
                      buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

private slots:
    void defaults() {
        TSlideBar bar;
        QCOMPARE(bar.size(), QSize(100, 15));
        QCOMPARE(bar.Min(), 1);
        QCOMPARE(bar.Max(), 10);
        QCOMPARE(bar.Position(), 1);
        QCOMPARE(bar.ThumbStyle(), TThumbStyle::tsCircle1);
        QCOMPARE(bar.ThumbPicture().size(), QSize(8, 8));
        QVERIFY(bar.focusPolicy() & Qt::TabFocus);
    }

    void everyWriteRaisesChange() {
        Window w;
        QSignalSpy changes(w.bar, &TSlideBar::Change);
        w.bar->SetPosition(550);
        QCOMPARE(w.bar->ThumbRect().left(), 34);
        w.bar->SetPosition(2000);  // out of range: kept, still announced
        QCOMPARE(w.bar->Position(), 550);
        w.bar->SetPosition(550);
        QCOMPARE(changes.count(), 3);
        w.bar->SetPosition(1100);
        QCOMPARE(w.bar->ThumbRect().left(), 68);
        w.bar->SetMax(500);  // not re-clamped
        QCOMPARE(w.bar->Position(), 1100);
    }

    void keys() {
        Window w;
        w.bar->setFocus();
        QSignalSpy changes(w.bar, &TSlideBar::Change);
        w.bar->SetPosition(1095);
        QTest::keyClick(w.bar, Qt::Key_PageDown);
        QCOMPARE(w.bar->Position(), 1100);
        QTest::keyClick(w.bar, Qt::Key_PageDown);  // at Max, still a write
        QCOMPARE(changes.count(), 3);
        QTest::keyClick(w.bar, Qt::Key_Up);  // at Max: nothing at all
        QTest::keyClick(w.bar, Qt::Key_Right);
        QCOMPARE(changes.count(), 3);
        QTest::keyClick(w.bar, Qt::Key_Left);
        QCOMPARE(w.bar->Position(), 1099);
        QTest::keyClick(w.bar, Qt::Key_PageUp);
        QCOMPARE(w.bar->Position(), 989);
        QTest::keyClick(w.bar, Qt::Key_Home);
        QCOMPARE(w.bar->Position(), 0);
        QTest::keyClick(w.bar, Qt::Key_Down);
        QCOMPARE(w.bar->Position(), 0);
        QTest::keyClick(w.bar, Qt::Key_End);
        QCOMPARE(w.bar->Position(), 1100);
        QVERIFY(w.bar->hasFocus());  // arrow keys never move the focus away
    }

    void grooveClickMovesOneStepOnRelease() {
        Window w;
        w.bar->SetPosition(550);
        QSignalSpy changes(w.bar, &TSlideBar::Change);
        QTest::mousePress(w.bar, Qt::LeftButton, {}, QPoint(65, 7));
        QCOMPARE(changes.count(), 0);
        QVERIFY(w.bar->hasFocus());
        QTest::mouseRelease(w.bar, Qt::LeftButton, {}, QPoint(65, 7));
        QCOMPARE(w.bar->Position(), 551);
        QTest::mouseClick(w.bar, Qt::LeftButton, {}, QPoint(2, 7));
        QCOMPARE(w.bar->Position(), 550);
        QTest::mouseClick(w.bar, Qt::LeftButton, {}, QPoint(36, 0));  // centre column, above the thumb
        QCOMPARE(w.bar->Position(), 550);
        QTest::mouseClick(w.bar, Qt::RightButton, {}, QPoint(65, 7));  // other buttons: nothing
        QCOMPARE(w.bar->Position(), 550);
        QCOMPARE(changes.count(), 3);
        // A click on the thumb itself is a drag that ends where it began.
        QTest::mouseClick(w.bar, Qt::LeftButton, {}, QPoint(36, 7));
        QCOMPARE(w.bar->Position(), SlidePositionFromX(36, 0, 1100, 73, 2));
    }

    void dragFollowsTheMouse() {
        Window w;
        w.bar->SetPosition(550);
        QSignalSpy changes(w.bar, &TSlideBar::Change);
        QTest::mousePress(w.bar, Qt::LeftButton, {}, QPoint(36, 7));
        QVERIFY(w.bar->Dragging());
        Move(w.bar, 36, Qt::LeftButton);  // not moved: nothing
        QCOMPARE(changes.count(), 0);
        Move(w.bar, 0, Qt::LeftButton);
        QCOMPARE(w.bar->Position(), 0);
        Move(w.bar, 200, Qt::LeftButton);
        QCOMPARE(w.bar->Position(), 1100);
        QCOMPARE(w.bar->ThumbRect().left(), 68);
        Move(w.bar, 20, Qt::LeftButton);
        QCOMPARE(w.bar->ThumbRect().left(), 18);  // under the mouse while dragging
        QCOMPARE(w.bar->Position(), SlidePositionFromX(20, 0, 1100, 73, 2));
        QTest::mouseRelease(w.bar, Qt::LeftButton, {}, QPoint(20, 7));
        QVERIFY(!w.bar->Dragging());
        QCOMPARE(w.bar->ThumbRect().left(), SlideThumbLeft(w.bar->Position(), 0, 1100, 73, 5));
        QCOMPARE(changes.count(), 4);
        // Moving without the button, or after a press beside the thumb, drags nothing.
        Move(w.bar, 60, Qt::NoButton);
        QTest::mousePress(w.bar, Qt::LeftButton, {}, QPoint(60, 7));
        Move(w.bar, 70, Qt::LeftButton);
        QCOMPARE(changes.count(), 4);
    }

    void propertiesAndThumbPictures() {
        TSlideBar bar;
        bar.SetThickness(3);
        bar.SetThickness(6);
        bar.SetThickness(0);
        QCOMPARE(bar.Thickness(), 3);
        const qint64 key = bar.ThumbPicture().cacheKey();
        bar.SetThumbStyle(TThumbStyle::tsCircle1);  // the current style: not reloaded
        QCOMPARE(bar.ThumbPicture().cacheKey(), key);
        bar.SetThumbStyle(TThumbStyle::tsBar1);
        QCOMPARE(bar.ThumbPicture().size(), QSize(5, 10));
        QCOMPARE(bar.ThumbMask().size(), QSize(5, 10));
        bar.SetThumbStyle(TThumbStyle::tsDiamond1);
        QCOMPARE(bar.ThumbPicture().size(), QSize(8, 8));
        bar.SetHandCursor(false);
        QCOMPARE(bar.cursor().shape(), Qt::ArrowCursor);
        bar.SetHandCursor(true);
        QCOMPARE(bar.cursor().shape(), Qt::PointingHandCursor);
    }

    void focusFillsTheGroove() {
        Window w;
        auto* other = new QWidget(&w.top);
        other->setFocusPolicy(Qt::StrongFocus);
        other->show();
        other->setFocus();
        w.bar->SetFocusColor(QColor(0, 0, 255));
        const TSlideGroove g = SlideGrooveOf(73, 15, 5, 1);
        QCOMPARE(QColor(w.bar->RenderImage().pixel(20, g.y1 + 1)), QColor(192, 192, 192));
        w.bar->setFocus();
        QVERIFY(w.bar->hasFocus());
        QCOMPARE(QColor(w.bar->RenderImage().pixel(20, g.y1 + 1)), QColor(0, 0, 255));
        // What is painted on screen is that image.
        const QImage shot = w.bar->grab().toImage();
        QCOMPARE(QColor(shot.pixel(20, g.y1 + 1)), QColor(0, 0, 255));
    }
};

QTEST_MAIN(SlideBarWidgetTest)
#include "SlideBarWidgetTest.moc"
