// The sequencer graph window: curves, ticks, commands, menu and save dialog.
#include "GraphTestUtil.h"
#include "tests/testsupport/TestSupport.h"
#include "graph/SequencerGraphForm.h"
#include "support/UserFolders.h"

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

struct TFakeHost : TSequencerGraphHost {
    int maxAtt = 70;
    std::array<int, 9> maxima{};  // the attenuators' own; 0 = unknown
    std::array<std::string, 9> names{};
    QTemporaryDir documentsDir;
    std::string documents = QFile::encodeName(documentsDir.path()).toStdString();
    std::vector<std::string> errors;
    int CommonMaxAtt() const override { return maxAtt; }
    int AttMaxAtt(int n) const override { return maxima[static_cast<std::size_t>(n)]; }
    std::string AttName(int n) const override { return names[static_cast<std::size_t>(n)]; }
    std::string DocumentsFolder() const override { return documents; }
    void ReportError(const std::string& text) override { errors.push_back(text); }
};

std::vector<TGraphPoint> Points(const TSeries& s) {
    std::vector<TGraphPoint> out;
    for (int i = 0; i < s.Count(); ++i) out.push_back(s.GetPoint(i));
    return out;
}

using PV = std::vector<TGraphPoint>;

}  // namespace

TEST(SequencerGraph, CreationSettings) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    EXPECT_EQ(form.windowTitle(), "Sequencer Graph");
    EXPECT_EQ(form.minimumSize(), QSize(500, 300));
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.StatusPanel->text(), "Right click on graph for menu.");
    TXYGraph& g = *form.xyGraph;
    EXPECT_EQ(g.XAxis().Min(), -1000);
    EXPECT_EQ(g.XAxis().Max(), 0);
    EXPECT_EQ(g.XAxis().UnitStr(), "Time (S)");
    EXPECT_EQ(g.YAxis().Min(), -700);
    EXPECT_EQ(g.YAxis().Max(), 0);
    EXPECT_EQ(g.YAxis().UnitStr(), "Gain (dB)");
    EXPECT_TRUE(g.Appearance().LabelFont().Bold);
    EXPECT_EQ(g.YAxis().LabelText(5), "-70.0");
    ASSERT_EQ(g.Curves().size(), 8u);
    const QColor colours[4] = {QColor(0, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(255, 0, 0)};
    for (int n = 1; n <= 8; ++n) {
        TSeries* c = form.AttCurves[static_cast<std::size_t>(n)];
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Key(), n);
        EXPECT_EQ(c->Color().rgb(), colours[(n - 1) % 4].rgb()) << n;
        EXPECT_EQ(c->PenStyle(), n <= 4 ? TPenStyle::Solid : TPenStyle::Dash) << n;
    }
    TFakeHost tenths;
    tenths.maxAtt = 935;
    TSequencerGraphForm form2(tenths);
    EXPECT_EQ(form2.xyGraph->YAxis().Min(), -935);
    EXPECT_EQ(form2.xyGraph->YAxis().LabelText(5), "-93.5");
}

TEST(SequencerGraph, PopupMenuItems) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    const QList<QAction*> items = form.GraphPopupMenu->actions();
    ASSERT_EQ(items.size(), 7);
    EXPECT_EQ(items[0]->text(), "Save to bmp or jpg ...");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "Copy to clipboard");
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[4]->text(), "Print");
    EXPECT_TRUE(items[5]->isSeparator());
    EXPECT_EQ(items[6]->text(), "Save values to CSV ...");
    for (int i : {0, 2, 4}) {
        ASSERT_FALSE(items[i]->icon().isNull());
        EXPECT_EQ(items[i]->icon().availableSizes().value(0), QSize(16, 16));
    }
    EXPECT_EQ(form.xyGraph->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST(SequencerGraph, CommandsReachTheirCurves) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    form.AddAttCommand(3, "ATT 0 045");
    EXPECT_EQ(Points(*form.AttCurves[3]), (PV{{0, -450}}));
    form.AddAttCommand(3, "ATT 0 045 1 050");
    EXPECT_EQ(Points(*form.AttCurves[3]), (PV{{0, -450}, {0, -450}}));
    EXPECT_EQ(Points(*form.AttCurves[4]), (PV{{0, -500}}));
    form.AddAttCommand(5, "N0 ABCD");
    form.AddAttCommand(5, "STA 045");
    EXPECT_EQ(form.AttCurves[5]->Count(), 0);
    form.AddAttCommand(8, "ATT 1 010");  // curve 9 does not exist
    EXPECT_EQ(form.AttCurves[8]->Count(), 0);
    host.maxAtt = 935;
    form.AddAttCommand(2, "ATT 0 045");
    EXPECT_EQ(Points(*form.AttCurves[2]), (PV{{0, -45}}));
    EXPECT_TRUE(form.xyGraph->Plotting());
}

TEST(SequencerGraph, TicksHoldTheLastLevel) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    for (const char* text : {"ATT 0 010", "ATT 0 010", "ATT 0 020"}) {
        form.AdvanceTime(100);
        form.AddAttCommand(1, text);
    }
    EXPECT_EQ(Points(*form.AttCurves[1]), (PV{{-2, -100}, {-1, -100}, {0, -100}, {0, -200}}));
    // Curves with fewer than two points are not extended; the others are.
    form.AddAttCommand(2, "ATT 0 005");
    form.AdvanceTime(100);
    EXPECT_EQ(Points(*form.AttCurves[2]), (PV{{-1, -50}}));
    EXPECT_EQ(form.AttCurves[1]->Count(), 5);
    EXPECT_EQ(form.AttCurves[1]->GetPoint(4), (TGraphPoint{0, -200}));
    EXPECT_EQ(form.AttCurves[3]->Count(), 0);
    // Elapsed time below 100 ms moves nothing; 250 ms moves two tenths.
    form.AdvanceTime(50);
    EXPECT_EQ(form.AttCurves[2]->GetPoint(0).X, -1);
    form.AdvanceTime(250);
    EXPECT_EQ(form.AttCurves[2]->GetPoint(0).X, -3);
    EXPECT_TRUE(form.xyGraph->Plotting());
}

TEST(SequencerGraph, ResetGivesEightEmptyCurves) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    form.AddAttCommand(1, "ATT 0 010");
    form.AddAttCommand(1, "ATT 0 020");
    TSeries* old = form.AttCurves[1];
    form.ResetCurves();
    ASSERT_EQ(form.xyGraph->Curves().size(), 8u);
    for (int n = 1; n <= 8; ++n) EXPECT_EQ(form.AttCurves[static_cast<std::size_t>(n)]->Count(), 0);
    EXPECT_EQ(form.AttCurves[5]->PenStyle(), TPenStyle::Dash);
    (void)old;
    form.AdvanceTime(100);
    form.AddAttCommand(1, "ATT 0 030");
    EXPECT_EQ(Points(*form.AttCurves[1]), (PV{{0, -300}}));
}

TEST(SequencerGraph, OneTickPaintsOnceWhileShown) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.xyGraph->ScreenPasses() > 0; }));
    PumpEvents(30);
    for (int tick = 0; tick < 3; ++tick) {
        const long long before = form.xyGraph->ScreenPasses();
        form.AdvanceTime(100);
        for (int n = 1; n <= 8; ++n) form.AddAttCommand(n, "ATT 0 0" + std::to_string(10 + n + tick));
        PumpEvents(40);
        EXPECT_EQ(form.xyGraph->ScreenPasses() - before, 1) << tick;
    }
    // Hidden: ticks still move the curves, nothing is painted.
    form.hide();
    PumpEvents(20);
    const long long before = form.xyGraph->ScreenPasses();
    form.AdvanceTime(100);
    PumpEvents(40);
    EXPECT_EQ(form.xyGraph->ScreenPasses(), before);
    EXPECT_EQ(form.AttCurves[1]->GetPoint(0).X, -3);
}

TEST(SequencerGraph, SaveFollowsTheFilterNotTheTypedExtension) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    QTemporaryDir dir;
    const std::string jpegNamedBmp = QFile::encodeName(dir.filePath("a.bmp")).toStdString();
    ASSERT_TRUE(form.SaveGraphAs(jpegNamedBmp, 2));
    QFile f(QString::fromStdString(jpegNamedBmp));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(3);
    EXPECT_EQ(head, QByteArray("\xFF\xD8\xFF", 3)) << "JPEG content";
    const std::string bmp = QFile::encodeName(dir.filePath("b.jpg")).toStdString();
    ASSERT_TRUE(form.SaveGraphAs(bmp, 1));
    QFile g(QString::fromStdString(bmp));
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.read(2), QByteArray("BM"));
    EXPECT_TRUE(host.errors.empty());
    // A failure reaches the error report instead of escaping the handler.
    EXPECT_FALSE(form.SaveGraphAs(QFile::encodeName(dir.filePath("no/such.bmp")).toStdString(), 1));
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find("no/such.bmp"), std::string::npos);
}

TEST(SequencerGraph, SaveDialogTypeChange) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    QFileDialog* dlg = form.SaveDialog();
    EXPECT_EQ(dlg->defaultSuffix(), "bmp");
    EXPECT_EQ(dlg->nameFilters(), (QStringList{"Bitmap files (*.bmp)", "JPEG files (*.jpg)"}));
    EXPECT_EQ(dlg->acceptMode(), QFileDialog::AcceptSave);
    QLineEdit* nameBox = dlg->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(nameBox, nullptr);
    QComboBox* types = dlg->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    dlg->show();
    PumpEvents(20);

    // The user picks the JPEG type with "picture.bmp" typed.
    nameBox->setText("picture.bmp");
    types->setCurrentIndex(1);
    emit types->activated(1);
    emit types->textActivated(types->itemText(1));
    EXPECT_EQ(nameBox->text(), "picture.jpg");
    EXPECT_EQ(dlg->defaultSuffix(), "jpg");
    EXPECT_EQ(form.SaveFilterIndex(), 2);

    nameBox->setText("picture");
    types->setCurrentIndex(0);
    emit types->activated(0);
    emit types->textActivated(types->itemText(0));
    EXPECT_EQ(nameBox->text(), "picture");
    EXPECT_EQ(dlg->defaultSuffix(), "bmp");
    EXPECT_EQ(form.SaveFilterIndex(), 1);

    // A typed folder part is not written back.
    nameBox->setText("sub/run1.bmp");
    types->setCurrentIndex(1);
    emit types->textActivated(types->itemText(1));
    EXPECT_EQ(nameBox->text(), "run1.jpg");
    dlg->hide();
}

// Runs step once the dialog is on screen (polled, so that it works however
// long the dialog takes to appear); gives up with a rejection after 10 s so
// that a broken dialog fails the test instead of hanging it.
void WhenShown(QFileDialog* dlg, const std::function<void()>& step) {
    auto* timer = new QTimer(dlg);
    const long long start = MonotonicMs();
    QObject::connect(timer, &QTimer::timeout, dlg, [=] {
        if (dlg->isVisible()) {
            timer->deleteLater();
            timer->stop();
            step();
        } else if (MonotonicMs() - start > 10000) {
            timer->stop();
            ADD_FAILURE() << "dialog not shown";
            dlg->reject();
        }
    });
    timer->start(20);
}

TEST(SequencerGraph, MenuSaveRunsTheDialogInTheDocumentsFolder) {
    TFakeHost host;
    QTemporaryDir& dir = host.documentsDir;
    TSequencerGraphForm form(host);
    QFileDialog* dlg = form.SaveDialog();
    bool seen = false;
    WhenShown(dlg, [&] {
        seen = true;
        EXPECT_EQ(dlg->windowTitle(), "Save graph image to BMP or JPG");
        EXPECT_EQ(QDir(dlg->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        dlg->selectNameFilter("JPEG files (*.jpg)");
        dlg->findChild<QLineEdit*>("fileNameEdit")->setText("shot");
        static_cast<QDialog*>(dlg)->accept();
        if (dlg->isVisible()) static_cast<QDialog*>(dlg)->done(QDialog::Rejected);  // never leave the test hanging
    });
    form.miSaveto->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(host.errors.empty());
    // Written as JPEG, under the name the dialog returned.
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    QFile f(dir.filePath(files[0]));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(2), QByteArray("\xFF\xD8", 2));

    // Cancelling writes nothing.
    WhenShown(dlg, [&] { dlg->reject(); });
    form.miSaveto->trigger();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

// The save dialogs open in the documents folder the session names; without
// it they open in the home folder, create nothing, and the status bar says so.
TEST(SequencerGraph, SaveDialogsOpenInTheDocumentsFolderOrSayWhereInstead) {
    struct TSessionHost : TFakeHost {
        std::string DocumentsFolder() const override { return GetShellFolder(TShellFolder::Documents); }
    };
    QTemporaryDir root;
    const QString home = root.path() + "/home", papers = root.path() + "/papers";
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(papers));
    const QByteArray oldHome = qgetenv("HOME"), oldDocuments = qgetenv("XDG_DOCUMENTS_DIR");
    qputenv("HOME", QFile::encodeName(home));
    auto canonical = [](const QString& dir) { return QDir(dir).canonicalPath().toStdString(); };
    for (const QString& documents : {papers, QStringLiteral("$HOME/missing")}) {
        SCOPED_TRACE(documents.toStdString());
        qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(documents));
        const bool exists = documents == papers;
        TSessionHost host;
        TSequencerGraphForm form(host);
        QFileDialog* dlg = form.SaveDialog();
        QString notice = "not shown";
        WhenShown(dlg, [&] {
            notice = form.statusBar()->currentMessage();
            dlg->reject();
        });
        form.miSaveto->trigger();
        EXPECT_EQ(canonical(dlg->directory().path()), canonical(exists ? papers : home));
        EXPECT_EQ(canonical(form.CsvSaveDialog()->directory().path()), canonical(exists ? papers : home));
        const QString expected = "No documents folder: saving from the home folder (" + home + "/missing/ is missing).";
        EXPECT_EQ(notice.toStdString(), exists ? "" : expected.toStdString());
    }
    EXPECT_FALSE(QFileInfo::exists(home + "/missing"));
    qputenv("HOME", oldHome);
    if (oldDocuments.isNull()) qunsetenv("XDG_DOCUMENTS_DIR");
    else qputenv("XDG_DOCUMENTS_DIR", oldDocuments);
}

// Without an icon theme (offscreen, a bare desktop) the dialog still has
// folder and file icons to show.
TEST(SequencerGraph, SaveDialogHasIconsWithoutAnIconTheme) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    const QAbstractFileIconProvider* icons = form.SaveDialog()->iconProvider();
    ASSERT_NE(icons, nullptr);
    EXPECT_FALSE(icons->icon(QAbstractFileIconProvider::Folder).isNull());
    EXPECT_FALSE(icons->icon(QFileInfo(QString::fromStdString(host.documents))).isNull());
}

TEST(SequencerGraph, ValuesSavedToCsvAreTheCurvesOnScreenInDecibels) {
    // A mixed bench: whole decibels in common (63), attenuator 3 counting
    // tenths. Attenuator 1 gets 10, 10, 20 dB, one tick apart: a held level,
    // then a step. Attenuator 3 gets 40.0, then 50.0 dB two ticks later: its
    // first two values are joined by a sloping line.
    TFakeHost host;
    host.maxAtt = 63;
    host.maxima[1] = 63;
    host.maxima[3] = 935;
    host.names[1] = "LAB1";
    host.names[3] = "LAB3";
    TSequencerGraphForm form(host);
    const std::vector<std::vector<std::pair<int, const char*>>> ticks = {
        {{1, "ATT 0 010"}}, {{1, "ATT 0 010"}, {3, "ATT 0 400"}}, {{1, "ATT 0 020"}}, {{3, "ATT 0 500"}}};
    for (const auto& tick : ticks) {
        form.AdvanceTime(100);
        for (const auto& [att, text] : tick) form.AddAttCommand(att, text);
    }
    QFileDialog* dlg = form.CsvSaveDialog();
    WhenShown(dlg, [&] {
        EXPECT_EQ(QDir(dlg->directory()).canonicalPath(), QDir(host.documentsDir.path()).canonicalPath());
        dlg->findChild<QLineEdit*>("fileNameEdit")->setText("values");
        static_cast<QDialog*>(dlg)->accept();
        if (dlg->isVisible()) static_cast<QDialog*>(dlg)->done(QDialog::Rejected);
    });
    form.miSaveCsv->trigger();
    QFile f(host.documentsDir.filePath("values.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // Every tenth of the last 100 s has its row, -100.0 to 0.0; a curve
    // has empty cells before its first point.
    const std::string text = f.readAll().toStdString();
    const std::string header = "Time (s),1 LAB1 (dB),2 (dB),3 LAB3 (dB),4 (dB),5 (dB),6 (dB),7 (dB),8 (dB)\r\n";
    EXPECT_EQ(text.substr(0, header.size() + 16), header + "-100.0,,,,,,,,\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1002);
    EXPECT_TRUE(text.ends_with("-0.4,,,,,,,,\r\n"
                               "-0.3,-10.0,,,,,,,\r\n"
                               "-0.2,-10.0,,-40.0,,,,,\r\n"
                               "-0.1,-20.0,,-45.0,,,,,\r\n"
                               "0.0,-20.0,,-50.0,,,,,\r\n"))
        << text.substr(text.size() - 200);
    EXPECT_TRUE(host.errors.empty());

    // A file that cannot be written is reported.
    const std::string bad = host.documents + "/missing/values.csv";
    EXPECT_FALSE(form.SaveValuesCsv(bad));
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find(bad), std::string::npos) << host.errors[0];
}

TEST(SequencerGraph, SaveDialogDoesNotReadTheFilesItLists) {
    // Files whose reading blocks (kernel message streams, pipes, devices on
    // network mounts) must not freeze the dialog: it names file types from
    // their extension. /proc holds such a file for root (kmsg), and
    // ordinary slow-to-read ones for everyone.
    TFakeHost host;
    host.documents = "/proc";
    TSequencerGraphForm form(host);
    QFileDialog* dlg = form.SaveDialog();
    dlg->show();
    const long long start = MonotonicMs();
    PumpEvents(800);
    EXPECT_LT(MonotonicMs() - start, 5000);
    dlg->hide();
}

TEST(SequencerGraph, CopyMenuPutsThePictureOnTheClipboard) {
    TFakeHost host;
    TSequencerGraphForm form(host);
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.xyGraph->ScreenPasses() > 0; }));
    form.miCopytoclipboard->trigger();
    const QImage img = QGuiApplication::clipboard()->image();
    EXPECT_EQ(img.size(), form.xyGraph->size());
}
