// How the front panel looks: the menu bar shows each item's icon and
// caption, and the windows open centred on the screen.

#include "MainFormFixture.h"

#include <QAction>
#include <QImage>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include "frontpanel/NameAttForm.h"

namespace {

// The columns of image in rect that hold anything other than the colour of
// the rect's top-left pixel: {first, last}, or {-1, -1} when none.
std::pair<int, int> InkColumns(const QImage& image, const QRect& rect) {
    const QRgb background = image.pixel(rect.topLeft());
    int first = -1, last = -1;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qGray(p) - qGray(background)) > 40 || std::abs(qRed(p) - qRed(background)) > 40) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(MainFormTest, MenuBarDrawsEachCaptionBesideItsIcon) {
    form = std::make_unique<TMainForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QMenuBar* bar = form->menuBar();
    const QImage image = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), bar->size());
    const QFontMetrics fm(bar->font());
    for (QAction* a : {form->miExit, form->miConfiguration, form->miRefresh, form->miSequencer, form->miHelpIndex}) {
        SCOPED_TRACE(a->text().toStdString());
        ASSERT_FALSE(a->icon().isNull());
        const QRect item = bar->actionGeometry(a);
        const QString caption = QString(a->text()).remove(QLatin1Char('&'));
        // The icon, then the caption's ink, as wide as the caption itself.
        const auto [first, last] = InkColumns(image, item.adjusted(1, 1, -1, -1));
        ASSERT_GE(first, item.left());
        const auto [textFirst, textLast] =
            InkColumns(image, QRect(first + 16, item.top() + 1, item.right() - first - 16, item.height() - 2));
        ASSERT_GE(textFirst, 0) << "no caption drawn beside the icon";
        EXPECT_NEAR(textLast - textFirst + 1, fm.boundingRect(caption).width(), 4);
        EXPECT_LE(textFirst - (first + 16), 8);
    }
}

// The frame of window, centred on its screen's available area.
void ExpectCentred(const QWidget* window) {
    const QPoint centre = window->screen()->availableGeometry().center();
    const QPoint frame = window->frameGeometry().center();
    EXPECT_LE(std::abs(frame.x() - centre.x()), 3) << window->objectName().toStdString();
    EXPECT_LE(std::abs(frame.y() - centre.y()), 3) << window->objectName().toStdString();
}

TEST_F(MainFormTest, MainWindowAndDialogsOpenCentredOnTheScreen) {
    WriteSettings(WriteConfig({}));
    TMainFormOptions options;
    options.LinkTimings = Timings();
    form = std::make_unique<TMainForm>(options);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ExpectCentred(form.get());
    // The dialogs centre on the screen, not on the main window.
    form->move(0, 0);
    bool configShown = false, nameShown = false;
    WhenShown<TConfigForm>([&](TConfigForm* d) {
        configShown = true;
        ExpectCentred(d);
        d->OkBtn->click();
    });
    ASSERT_TRUE(form->FormCreate());
    WhenShown<TNameAttForm>([&](TNameAttForm* d) {
        nameShown = true;
        ExpectCentred(d);
        d->BitBtn2->click();
    });
    std::string name = "AB  ";
    NameAttenuator(3, name, form.get());
    EXPECT_TRUE(configShown);
    EXPECT_TRUE(nameShown);
}

}  // namespace
