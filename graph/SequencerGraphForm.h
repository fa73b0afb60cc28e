#pragma once
// The "Sequencer Graph" window: the gain of the eight attenuators over the
// last 100 seconds, one curve each, moved along on every sequencer tick,
// with a pop-up menu to save the picture, copy it or print it.

#include "graph/XYGraph.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

class QAbstractFileIconProvider;
class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QPrintDialog;
class QPrinter;

// What the window needs from the main window.
class TSequencerGraphHost {
public:
    virtual ~TSequencerGraphHost() = default;
    // The smallest maximum attenuation among the usable attenuators.
    virtual int CommonMaxAtt() const = 0;
    // Attenuator n's (1..8) own maximum, which gives the unit of the values
    // sent to it; 0 when unknown: the common maximum's unit applies.
    virtual int AttMaxAtt(int /*n*/) const { return 0; }
    // Attenuator n's name as its front-panel box shows it; empty when none.
    virtual std::string AttName(int /*n*/) const { return {}; }
    // The user's documents folder, the first folder the save dialog shows.
    virtual std::string DocumentsFolder() const = 0;
    // The application's general error report; by default a message box.
    virtual void ReportError(const std::string& text);
};

class TSequencerGraphForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TSequencerGraphForm(TSequencerGraphHost& host, QWidget* parent = nullptr);
    ~TSequencerGraphForm() override;

    // Called by the sequence list window when a run starts: eight empty curves.
    void ResetCurves();
    // Called first in every tick's delivery: moves every curve elapsedMs into
    // the past and holds each curve's last level up to the present.
    void AdvanceTime(int elapsedMs);
    // Adds the values of one attenuation command text sent to attenuator
    // attNumber (1..8) at the present time.
    void AddAttCommand(int attNumber, const std::string& text);
    // Sets the bottom of the gain axis from the common maximum attenuation.
    void SetGainRange(int maxAtt);

    // Menu and dialog handlers.
    void miSavetoClick();
    void GraphSaveDialogTypeChange();
    void miCopytoclipboardClick();
    void miPrintClick();
    // Saves the picture in the format of filter filterIndex (1 = BMP,
    // 2 = JPEG); a failure goes to the host's error report. Returns success.
    bool SaveGraphAs(const std::string& fileName, int filterIndex);
    // 1 or 2: the file type selected in the save dialog.
    int SaveFilterIndex();
    // The save dialog, made on first use in the user's documents folder (a
    // file dialog scans its folder as soon as it exists); in the home folder
    // when there is no documents folder, which the status bar then says.
    QFileDialog* SaveDialog();
    // "Save values to CSV ...": the curves on screen as a table, through a
    // file dialog of its own.
    void miSaveCsvClick();
    // Writes the table atomically; a failure goes to the host's error
    // report. Returns success.
    bool SaveValuesCsv(const std::string& fileName);
    QFileDialog* CsvSaveDialog();

    TXYGraph* xyGraph = nullptr;
    QLabel* StatusPanel = nullptr;
    QMenu* GraphPopupMenu = nullptr;
    QAction* miSaveto = nullptr;
    QAction* N2 = nullptr;
    QAction* miCopytoclipboard = nullptr;
    QAction* N1 = nullptr;
    QAction* miPrint = nullptr;
    QAction* N3 = nullptr;
    QAction* miSaveCsv = nullptr;
    // Curve n (1..8) belongs to attenuator n; index 0 is unused.
    std::array<TSeries*, 9> AttCurves{};

private:
    void CreateCurves();
    void BuildMenu();
    // A save dialog of the toolkit's own, in SaveStartFolder.
    QFileDialog* MakeSaveDialog(const QString& title, const QString& objectName);
    // The folder a save dialog opens in first: the documents folder, or the
    // home folder when it does not exist (nothing is created).
    QString SaveStartFolder() const;
    // Says in the status bar, without stopping anything, that dialog is about
    // to open in the home folder because there is no documents folder.
    void ShowSaveFolderNotice(const QFileDialog* dialog);
    QFileDialog* GraphSaveDialog = nullptr;
    QFileDialog* CsvDialog = nullptr;

    TSequencerGraphHost& host_;
    std::unique_ptr<QAbstractFileIconProvider> iconProvider_;
    std::unique_ptr<QPrinter> printer_;
    QPrintDialog* printDialog_ = nullptr;
};
