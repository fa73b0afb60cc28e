#pragma once
// The sequence editor: a modal dialog with a fixed grid of action rows and
// the choice of attenuators; it loads and saves sequence files and keeps the
// rows' start times up to date.

#include "sequencer/SequenceFile.h"

#include <QDialog>
#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QFileDialog;
class QFrame;
class QPushButton;
class QScrollArea;
class QTabWidget;
class TSequenceLine;

// What the editor needs from the main window.
class TSequenceEditorHost {
public:
    virtual ~TSequenceEditorHost() = default;
    // The smallest maximum attenuation among the usable attenuators.
    virtual int CommonMaxAtt() const = 0;
    // The caption of the front panel's box n (1..8): the attenuator's name.
    virtual std::string AttCaption(int n) const = 0;
    // The folder the sequence file dialogs start in, and its update.
    virtual std::string SequencesDir() const = 0;
    virtual void SetSequencesDir(const std::string& dir) = 0;
};

class TSequencerEditForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 400;

    explicit TSequencerEditForm(TSequenceEditorHost& host, QWidget* parent = nullptr);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name);
    // Reads a file into the boxes and rows. Returns false with error set
    // (nothing changed) when the file cannot be read.
    bool LoadSequence(const std::string& name, std::string& error);
    // Writes the boxes and rows, replacing the file only once the new one is
    // complete. Returns false with error set.
    bool SaveSequence(const std::string& name, std::string& error);
    void RecomputeTimes();
    bool AnyAttenuatorSelected() const;

    void LoadButtonClick();
    void SaveButtonClick();
    void OkButtonClick();

    std::vector<TSequenceLine*> Rows;
    QTabWidget* PageControl = nullptr;
    QWidget* TabSheetActions = nullptr;
    QWidget* TabSheet1 = nullptr;
    QFrame* Panel2 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    std::array<QCheckBox*, 8> AttCheckBoxes{};
    QPushButton* LoadButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* OkButton = nullptr;
    QFileDialog* OpenDialog = nullptr;  // made on first use
    QFileDialog* SaveDialog = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    enum class TSaveResult { Saved, Cancelled, Failed };
    void FormCreate();
    void CreateFileDialogs();
    TSaveResult SaveAs();
    void ShowFileError(const std::string& error);
    QString DialogFolder() const;
    // Row i's time, action, To and Duration as plain data.
    TActionRow RowData(std::size_t i) const;
    // Shows the rows that are still held back, up to row count (1-based).
    void ShowRowsUpTo(int count);

    TSequenceEditorHost& host_;
    std::string fileName_;
    bool recomputing_ = false;
    bool loading_ = false;
    bool changedWhileLoading_ = false;
    int rowsShown_ = 0;  // rows 1..rowsShown_ are no longer held back
};

// Shows the editor modally on a file (empty: a new sequence). Returns true
// when it was closed with "&Ok Save" (and the sequence saved, unless the
// operator declined to name a new one). A file that cannot be read is
// reported and the editor is not shown.
bool OpenSequenceEditor(TSequenceEditorHost& host, const std::string& fileName, QWidget* parent = nullptr);

// Texts of the editor's messages (title "Sequence error.").
inline constexpr const char* SequenceErrorTitle = "Sequence error.";
