#pragma once
// The sequence list window: gathers sequence files, starts and stops a run
// of the selected ones, opens the editor, and shows or hides the graph
// window and the main window. It owns the graph window for its lifetime.

#include "sequencer/RunDescription.h"
#include "sequencer/SequenceModel.h"
#include "sequencer/ProfileFile.h"
#include "sequencer/RunRecordFormat.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequencerEditForm.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QListWidget;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;
class TSequencerDelivery;
class TSequencerGraphForm;
class TSequencerGraphHost;
class TSequencerThread;
class TRunPreparation;
class TRunRecord;
struct TSequenceAnalysis;

// What the list window needs from the main window.
class TSequencerHost : public TSequenceEditorHost {
public:
    // What the graph window needs.
    virtual TSequencerGraphHost& GraphHost() = 0;
    // The main window's visibility.
    virtual bool MainVisible() const = 0;
    virtual void SetMainVisible(bool visible) = 0;
    // Where a run's ticks go: the links, the front-panel boxes and graph.
    virtual std::unique_ptr<TSequencerDelivery> MakeDelivery(TSequencerGraphForm& graph) = 0;
    // Attenuator n (1..8) as a run's record names it; by default only by
    // its box caption.
    virtual TRecordedAtt RecordedAtt(int n) const { return {AttCaption(n), {}, {}, 0, {}}; }
    // The configuration file in use, as a run's description names it; empty
    // when none is known.
    virtual std::string ConfigFile() const { return {}; }
    // Attenuator n (1..8) as a profile is read for it when a run starts;
    // by default not usable, so that no profile runs.
    virtual TProfileAtt ProfileAtt(int /*n*/) const { return {}; }
};

class TSequencerForm : public QDialog {
    Q_OBJECT
public:
    explicit TSequencerForm(TSequencerHost& host);
    ~TSequencerForm() override;  // FormDestroy: engine, then graph window, then delivery

    bool Running() const { return running_; }
    void SetRunning(bool value);
    // Between "&Run" and the run's start or refusal: the selected files are
    // being read and compiled off the GUI thread.
    bool Analyzing() const { return preparation_ != nullptr; }
    // The full paths of the list, top to bottom.
    std::vector<std::string> Files() const;
    // Appends the files not yet listed. A file that is listed already,
    // under this or another name (a link to it, another spelling of its
    // path), is refused with a line in the log.
    void AddFiles(const std::vector<std::string>& files);
    TSequencerGraphForm* GraphForm() const { return graph_.get(); }
    TSequencerThread* Engine() const { return engine_.get(); }
    // The record of the present or last run.
    TRunRecord* Record() const { return record_.get(); }

    void ButtonRunClick();
    void ButtonStopClick();
    void ButtonLoadClick();
    void ButtonEditClick();
    void ButtonRemoveClick();
    void GraphButtonClick();
    void ButtonMainVisibleClick();
    void MemoLogChange();

    QListWidget* LBSequence = nullptr;
    QPushButton* ButtonRun = nullptr;
    QPushButton* ButtonStop = nullptr;
    QPushButton* GraphButton = nullptr;
    QPushButton* ButtonMainVisible = nullptr;
    QPushButton* ButtonLoad = nullptr;
    QPushButton* ButtonEdit = nullptr;
    QPushButton* ButtonRemove = nullptr;
    QPlainTextEdit* MemoLog = nullptr;
    QFileDialog* OpenDialog = nullptr;  // made on first use

    // The close rule (close box, Escape): refused while running; otherwise
    // a start being analysed is given up, the main window comes back and
    // the graph window is hidden.
    void reject() override;
    // The program is closing (told by a signal): a run ends at once as
    // "program closed" and nothing more of it goes out; the window and its
    // graph close without the close rule, and the main window is not shown.
    void CloseForProgramEnd();

signals:
    // A start asked for by "&Run" is settled: the run is going (Running), or
    // it was refused (its message box has been shown and closed) or given
    // up by "&Stop" or the window's closing.
    void StartSettled();

Q_SIGNALS:
    // A run has ended (by itself, by "&Stop"); the window is idle again.
    void RunEnded();
    // The run's record cannot be written; text is what the operator is told.
    void RecordFailure(const QString& text);

private:
    void SetAnalyzing(bool value);
    void LockControls(bool busy);
    void AnalysisDone(const std::vector<std::string>& files, bool tenths, TSequenceAnalysis analysis);
    void CancelStart();
    void EngineEnded();
    void StartRecord(const std::vector<std::string>& files, const TSequenceAnalysis& analysis);
    void EndRecord(TRunEnding how);
    void RecordFailed(const std::string& text);
    void Message(const char* text);

    TSequencerHost& host_;
    bool running_ = false;
    std::unique_ptr<TSequencerGraphForm> graph_;
    std::unique_ptr<TSequencerDelivery> delivery_;
    std::unique_ptr<TRunRecord> record_;
    std::unique_ptr<TSequencerDelivery> recordDelivery_;  // delivery_, recording into record_
    QMessageBox* recordMessage_ = nullptr;
    std::unique_ptr<TSequencerThread> engine_;
    std::unique_ptr<TRunPreparation> preparation_;  // while analysing
    std::shared_ptr<TSequenceAnalysis> prepared_;   // its result, on its way to AnalysisDone
};

// Opens the list window modally; it is made anew each time.
void ShowSequencerForm(TSequencerHost& host);
