// The graph window's "Save values to CSV ...": the curves on screen as a
// table, each column headed with its box and the attenuator's name.

#include "graph/SequencerGraphForm.h"

#include "graph/GraphValuesCsv.h"
#include "graph/SequencerGraphLogic.h"
#include "support/TextFiles.h"

#include <QFile>
#include <QFileDialog>

QFileDialog* TSequencerGraphForm::CsvSaveDialog() {
    if (CsvDialog) return CsvDialog;
    CsvDialog = MakeSaveDialog(QStringLiteral("Save graph values to CSV"), QStringLiteral("CsvSaveDialog"));
    CsvDialog->setNameFilter(QStringLiteral("CSV files (*.csv)"));
    CsvDialog->setDefaultSuffix(QStringLiteral("csv"));
    return CsvDialog;
}

bool TSequencerGraphForm::SaveValuesCsv(const std::string& fileName) {
    std::vector<const TDataSeries*> curves;
    std::vector<std::string> names;
    for (int n = 1; n <= seqgraph::kCurveCount; ++n) {
        curves.push_back(AttCurves[static_cast<std::size_t>(n)]);
        names.push_back(host_.AttName(n));
    }
    try {
        WriteFileAtomically(fileName, GraphValuesCsv(curves, names, xyGraph->XAxis().Min(), xyGraph->XAxis().Max()));
        return true;
    } catch (const TFileWriteError& e) {
        host_.ReportError(e.Reason().empty() ? std::string(e.what()) : std::string(e.what()) + "\n" + e.Reason());
        return false;
    }
}

void TSequencerGraphForm::miSaveCsvClick() {
    ShowSaveFolderNotice(CsvSaveDialog());
    if (CsvDialog->exec() != QDialog::Accepted) return;
    const QStringList files = CsvDialog->selectedFiles();
    if (!files.isEmpty()) SaveValuesCsv(QFile::encodeName(files.first()).toStdString());
}
