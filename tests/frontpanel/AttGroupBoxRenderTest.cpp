// Renders the attenuator box and the slide bar in each thumb style to PNG
// files at scale factors 1 and 2 (in the build folder's renders/), decodes
// them again and checks that the pictures hold what the controls draw.
#include "frontpanel/AttGroupBox.h"
#include "controls/SlideBar.h"
#include "controls/SpinNum.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QTest>

class AttGroupBoxRenderTest : public QObject {
    Q_OBJECT

    static QString Dir() {
        QDir().mkpath(QStringLiteral(ATT_RENDER_DIR));
        return QStringLiteral(ATT_RENDER_DIR);
    }

    // Renders w at the scale, saves, reads the file back.
    static QImage RenderAndReload(QWidget* w, int scale, const QString& name) {
        QImage img(w->size() * scale, QImage::Format_ARGB32);
        img.setDevicePixelRatio(scale);
        img.fill(w->palette().color(QPalette::Window));
        w->render(&img);
        const QString path = Dir() + "/" + name + QString("@%1x.png").arg(scale);
        if (!img.save(path, "PNG")) return {};
        QImageReader reader(path);
        return reader.read();
    }

private slots:
    void slideBarsInEachThumbStyle() {
        const struct {
            TThumbStyle style;
            const char* name;
        } styles[] = {{TThumbStyle::tsBar1, "bar1"},
                      {TThumbStyle::tsCircle1, "circle1"},
                      {TThumbStyle::tsSquare1, "square1"},
                      {TThumbStyle::tsDiamond1, "diamond1"}};
        for (const auto& s : styles) {
            for (bool ticks : {false, true}) {
                TSlideBar bar;
                bar.resize(120, 15);
                bar.SetThumbStyle(s.style);
                bar.SetTicks(ticks);
                bar.SetPosition(4);
                // Composed over the window colour the file is rendered on.
                QImage logical(bar.size(), QImage::Format_ARGB32);
                logical.fill(bar.palette().color(QPalette::Window));
                {
                    QPainter p(&logical);
                    p.drawImage(0, 0, bar.RenderImage());
                }
                for (int scale : {1, 2}) {
                    const QString name = QString("slidebar-%1%2").arg(s.name, ticks ? "-ticks" : "");
                    const QImage png = RenderAndReload(&bar, scale, name);
                    QCOMPARE(png.size(), QSize(120, 15) * scale);
                    // Every control pixel is a scale x scale block of the file.
                    for (int y = 0; y < 15; ++y)
                        for (int x = 0; x < 120; ++x)
                            for (int dy = 0; dy < scale; ++dy)
                                for (int dx = 0; dx < scale; ++dx)
                                    if (QColor(png.pixel(x * scale + dx, y * scale + dy)) != QColor(logical.pixel(x, y)))
                                        QFAIL(qPrintable(QString("%1 at %2,%3").arg(name).arg(x).arg(y)));
                }
            }
        }
    }

    void attenuatorBox() {
        for (bool decimal : {false, true}) {
            QWidget top;
            top.resize(137, 81);
            auto* box = new TAttGroupBox(&top);
            box->setGeometry(4, 4, 129, 73);
            box->setTitle(decimal ? "LAB1" : "Attenuator 1");
            if (decimal) {
                box->SetDecimal(true);
                box->SetMaxValue(935);
            }
            box->SetValue(decimal ? 455 : 30);
            for (int scale : {1, 2}) {
                const QImage png =
                    RenderAndReload(&top, scale, decimal ? "attgroupbox-decimal" : "attgroupbox");
                QCOMPARE(png.size(), QSize(137, 81) * scale);
                // The up arrow's apex: black on the arrow button.
                auto* up = box->SpinEdit()->Arrows()->UpButton();
                const QPoint apex = up->mapTo(&top, QPoint((up->width() - 9) / 2 + 4, (up->height() - 6) / 2 + 1));
                QCOMPARE(QColor(png.pixel(apex * scale)), QColor(Qt::black));
                // The bar thumb where the slide bar puts it.
                auto* bar = box->SlideBar();
                const QPoint face = bar->mapTo(&top, bar->ThumbRect().topLeft() + QPoint(2, 4));
                QCOMPARE(QColor(png.pixel(face * scale)), QColor(192, 192, 192));
            }
        }
    }
};

QTEST_MAIN(AttGroupBoxRenderTest)
#include "AttGroupBoxRenderTest.moc"
