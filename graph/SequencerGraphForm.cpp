#include "graph/SequencerGraphForm.h"

#include "graph/GraphIcons.h"
#include "graph/SequencerGraphLogic.h"
#include "link/TovarinProtocol.h"
#include "graph/WindowFrame.h"
#include "support/UserFolders.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QStatusBar>
#include <exception>

namespace {
const QStringList kSaveFilters = {QStringLiteral("Bitmap files (*.bmp)"), QStringLiteral("JPEG files (*.jpg)")};

// Names file types from their extension only: sniffing the content of
// every file listed would block the dialog on a pipe or a device file. The
// icons are the generic ones, from the style where the desktop has no icon
// theme (the dialog cannot scale an empty icon).
class TExtensionIconProvider : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("Folder");
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
    QIcon icon(const QFileInfo& info) const override {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    using QFileIconProvider::icon;
};

struct TCurveLook {
    QColor Color;
    TPenStyle Style;
};
const TCurveLook kCurveLooks[seqgraph::kCurveCount] = {
    {QColor(0, 0, 0), TPenStyle::Solid},   {QColor(0, 128, 0), TPenStyle::Solid},
    {QColor(0, 0, 255), TPenStyle::Solid}, {QColor(255, 0, 0), TPenStyle::Solid},
    {QColor(0, 0, 0), TPenStyle::Dash},    {QColor(0, 128, 0), TPenStyle::Dash},
    {QColor(0, 0, 255), TPenStyle::Dash},  {QColor(255, 0, 0), TPenStyle::Dash},
};
}  // namespace

void TSequencerGraphHost::ReportError(const std::string& text) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          QString::fromLocal8Bit(text.c_str()));
}

TSequencerGraphForm::TSequencerGraphForm(TSequencerGraphHost& host, QWidget* parent)
    : QMainWindow(parent), host_(host) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Sequencer Graph"));
    // 500 x 300 is the outer size, frame included, and the smallest one.
    SetOuterSize(this, QSize(500, 300), TFrameFit::Minimum);

    xyGraph = new TXYGraph(this);
    xyGraph->setObjectName(QStringLiteral("xyGraph"));
    setCentralWidget(xyGraph);
    xyGraph->XAxis().SetMin(-1000);
    xyGraph->XAxis().SetMax(0);
    xyGraph->XAxis().SetUnitStr("Time (S)");
    xyGraph->YAxis().SetMin(-700);
    xyGraph->YAxis().SetMax(0);
    xyGraph->YAxis().SetUnitStr("Gain (dB)");
    TGraphFont font = xyGraph->Appearance().LabelFont();
    font.Bold = true;
    xyGraph->Appearance().SetLabelFont(font);

    StatusPanel = new QLabel(QStringLiteral("Right click on graph for menu."), this);
    StatusPanel->setMinimumWidth(50);
    statusBar()->addWidget(StatusPanel);
    statusBar()->setSizeGripEnabled(true);

    BuildMenu();
    // The keyboard's way to the pop-up menu: the Menu key or Shift+F10
    // opens it in the middle of the graph.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                [this] { GraphPopupMenu->popup(xyGraph->mapToGlobal(xyGraph->rect().center())); });
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);

    CreateCurves();
    SetGainRange(host_.CommonMaxAtt());
}

TSequencerGraphForm::~TSequencerGraphForm() {
    delete GraphSaveDialog;  // before the icon provider they use
    delete CsvDialog;
}

void TSequencerGraphForm::BuildMenu() {
    GraphPopupMenu = new QMenu(this);
    GraphPopupMenu->setObjectName(QStringLiteral("GraphPopupMenu"));
    miSaveto = GraphPopupMenu->addAction(SaveIcon(), QStringLiteral("Save to bmp or jpg ..."));
    N2 = GraphPopupMenu->addSeparator();
    miCopytoclipboard = GraphPopupMenu->addAction(CopyIcon(), QStringLiteral("Copy to clipboard"));
    N1 = GraphPopupMenu->addSeparator();
    miPrint = GraphPopupMenu->addAction(PrintIcon(), QStringLiteral("Print"));
    connect(miSaveto, &QAction::triggered, this, &TSequencerGraphForm::miSavetoClick);
    connect(miCopytoclipboard, &QAction::triggered, this, &TSequencerGraphForm::miCopytoclipboardClick);
    connect(miPrint, &QAction::triggered, this, &TSequencerGraphForm::miPrintClick);
    N3 = GraphPopupMenu->addSeparator();
    miSaveCsv = GraphPopupMenu->addAction(QStringLiteral("Save values to CSV ..."));
    connect(miSaveCsv, &QAction::triggered, this, &TSequencerGraphForm::miSaveCsvClick);
    xyGraph->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(xyGraph, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { GraphPopupMenu->popup(xyGraph->mapToGlobal(pos)); });
}

QFileDialog* TSequencerGraphForm::MakeSaveDialog(const QString& title, const QString& objectName) {
    auto* dialog = new QFileDialog(this, title, SaveStartFolder());
    dialog->setObjectName(objectName);
    // The toolkit's own dialog, so that the file-name box can follow the
    // chosen file type.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setSizeGripEnabled(true);
    if (!iconProvider_) iconProvider_ = std::make_unique<TExtensionIconProvider>();
    dialog->setIconProvider(iconProvider_.get());
    return dialog;
}

QFileDialog* TSequencerGraphForm::SaveDialog() {
    if (GraphSaveDialog) return GraphSaveDialog;
    GraphSaveDialog = MakeSaveDialog(QString(), QStringLiteral("GraphSaveDialog"));
    GraphSaveDialog->setNameFilters(kSaveFilters);
    GraphSaveDialog->setDefaultSuffix(QStringLiteral("bmp"));
    connect(GraphSaveDialog, &QFileDialog::filterSelected, this,
            [this](const QString&) { GraphSaveDialogTypeChange(); });
    return GraphSaveDialog;
}

QString TSequencerGraphForm::SaveStartFolder() const {
    return QFile::decodeName(QByteArray::fromStdString(ExistingFolderOrHome(host_.DocumentsFolder()).Path));
}

void TSequencerGraphForm::ShowSaveFolderNotice(const QFileDialog* dialog) {
    const std::string documents = host_.DocumentsFolder();
    const TStartFolder start = ExistingFolderOrHome(documents);
    const QString fallback = QFile::decodeName(QByteArray::fromStdString(start.Path));
    // Only while the dialog is still where it fell back to.
    if (!start.FellBack || QDir(dialog->directory()).canonicalPath() != QDir(fallback).canonicalPath()) return;
    // What matters first, so that a narrow window still shows it.
    const QString where = fallback == QLatin1String("/") ? QStringLiteral("the root folder")
                                                         : QStringLiteral("the home folder");
    const QString name = QFile::decodeName(QByteArray::fromStdString(documents));
    const QString missing = name.isEmpty() ? QString() : QStringLiteral(" (%1 is missing)").arg(name);
    statusBar()->showMessage(QStringLiteral("No documents folder: saving from %1%2.").arg(where, missing));
}

void TSequencerGraphForm::CreateCurves() {
    for (int n = 1; n <= seqgraph::kCurveCount; ++n) {
        TSeries& curve = xyGraph->GetSeries(n);
        curve.SetColor(kCurveLooks[n - 1].Color);
        curve.SetPenStyle(kCurveLooks[n - 1].Style);
        AttCurves[static_cast<std::size_t>(n)] = &curve;
    }
}

void TSequencerGraphForm::SetGainRange(int maxAtt) { xyGraph->YAxis().SetMin(seqgraph::GainRangeMin(maxAtt)); }

void TSequencerGraphForm::ResetCurves() {
    AttCurves.fill(nullptr);
    xyGraph->ClearSeries();
    CreateCurves();
}

void TSequencerGraphForm::AdvanceTime(int elapsedMs) {
    const bool keep = xyGraph->Plotting();
    xyGraph->SetPlotting(false);
    xyGraph->ShiftAllX(-(elapsedMs / 100));
    for (int n = 1; n <= seqgraph::kCurveCount; ++n) {
        TSeries* curve = AttCurves[static_cast<std::size_t>(n)];
        try {
            if (curve && curve->Count() >= 2) curve->AddPoint(0, curve->GetPoint(curve->Count() - 1).Y);
        } catch (const std::exception&) {
            // One curve that cannot grow does not stop the others.
        }
    }
    xyGraph->SetPlotting(keep);
}

void TSequencerGraphForm::AddAttCommand(int attNumber, const std::string& text) {
    if (!IsAttCommand(text)) return;
    const bool keep = xyGraph->Plotting();
    xyGraph->SetPlotting(false);
    // Every value is read in the unit of the attenuator it was sent to.
    seqgraph::TCurveMaxima maxima{};
    for (int n = 1; n <= seqgraph::kCurveCount; ++n) maxima[static_cast<std::size_t>(n)] = host_.AttMaxAtt(n);
    for (const seqgraph::TCurvePoint& p : seqgraph::ParseAttCommand(attNumber, text, host_.CommonMaxAtt(), maxima)) {
        TSeries* curve = AttCurves[static_cast<std::size_t>(p.Curve)];
        if (curve) curve->AddPoint(0, p.Gain);
    }
    xyGraph->SetPlotting(keep);
}

int TSequencerGraphForm::SaveFilterIndex() {
    return SaveDialog()->selectedNameFilter() == kSaveFilters[1] ? 2 : 1;
}

void TSequencerGraphForm::GraphSaveDialogTypeChange() {
    SaveDialog();
    QLineEdit* nameBox = GraphSaveDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString current = nameBox ? nameBox->text() : QString();
    const seqgraph::TSaveName next =
        seqgraph::ChangeSaveFileType(QFile::encodeName(current).toStdString(), SaveFilterIndex());
    GraphSaveDialog->setDefaultSuffix(QString::fromStdString(next.DefaultExt));
    const QString name = QFile::decodeName(QByteArray::fromStdString(next.FileName));
    if (nameBox) nameBox->setText(name);
    else GraphSaveDialog->selectFile(name);
}

bool TSequencerGraphForm::SaveGraphAs(const std::string& fileName, int filterIndex) {
    try {
        if (filterIndex == 2) xyGraph->SaveToJPEGFile(fileName);
        else xyGraph->SaveToBitmapFile(fileName);
        return true;
    } catch (const std::exception& e) {
        host_.ReportError(e.what());
        return false;
    }
}

void TSequencerGraphForm::miSavetoClick() {
    SaveDialog()->setWindowTitle(QStringLiteral("Save graph image to BMP or JPG"));
    ShowSaveFolderNotice(GraphSaveDialog);
    if (GraphSaveDialog->exec() != QDialog::Accepted) return;
    const QStringList files = GraphSaveDialog->selectedFiles();
    if (files.isEmpty()) return;
    SaveGraphAs(QFile::encodeName(files.first()).toStdString(), SaveFilterIndex());
}

void TSequencerGraphForm::miCopytoclipboardClick() {
    try {
        xyGraph->CopyToClipboard();
    } catch (const std::exception& e) {
        host_.ReportError(e.what());
    }
}

void TSequencerGraphForm::miPrintClick() {
    if (!printDialog_) printDialog_ = new QPrintDialog(printer_.get(), this);
    if (printDialog_->exec() != QDialog::Accepted) return;
    try {
        xyGraph->Print(*printer_);
    } catch (const std::exception& e) {
        host_.ReportError(e.what());
    }
}
