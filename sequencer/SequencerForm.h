#pragma once
// The sequence list window: gathers sequence files, hands the selected ones
// to the bench's run and stops it, opens the editor, and shows or hides the
// graph window and the main window. It shows the bench's run, whoever
// started it: its state in the caption and controls, its values and ticks
// in the graph window, which it owns for its lifetime.

#include "benchcore/BenchRun.h"
#include "sequencer/SequencerEditForm.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QListWidget;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;
class TSequencerGraphForm;
class TSequencerGraphHost;
class TSequencerThread;
class TRunRecord;

// What the list window needs from the main window.
class TSequencerHost : public TSequenceEditorHost {
public:
    // What the graph window needs.
    virtual TSequencerGraphHost& GraphHost() = 0;
    // The main window's visibility.
    virtual bool MainVisible() const = 0;
    virtual void SetMainVisible(bool visible) = 0;
    // The bench's run, which the window starts, stops and shows.
    virtual TBenchRun& Run() = 0;
};

class TSequencerForm : public QDialog, private TBenchRunObserver {
    Q_OBJECT
public:
    explicit TSequencerForm(TSequencerHost& host);
    // A run still going ends with the program; a start is given up.
    ~TSequencerForm() override;

    bool Running() const { return run_.State() == TBenchRunState::Running; }
    // Between "&Run" and the run's start or refusal (its message box
    // closed): the files are being read and compiled off the GUI thread.
    bool Analyzing() const { return run_.State() == TBenchRunState::Analysing || starting_; }
    // The full paths of the list, top to bottom.
    std::vector<std::string> Files() const;
    // Appends the files not yet listed. A file that is listed already,
    // under this or another name (a link to it, another spelling of its
    // path), is refused with a line in the log.
    void AddFiles(const std::vector<std::string>& files);
    TSequencerGraphForm* GraphForm() const { return graph_.get(); }
    const TSequencerThread* Engine() const { return run_.Engine(); }
    // The record of the present or last run.
    const TRunRecord* Record() const { return run_.Record(); }

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
    // A run has ended (by itself, by "&Stop"), or an armed run was disarmed
    // before it started; the window is idle again.
    void RunEnded();
    // The run's record cannot be written; text is what the operator is told.
    void RecordFailure(const QString& text);

private:
    void SetAnalyzing(bool value);
    void SetRunning(bool value);
    void SetArmed();
    void LockControls(bool busy);
    void Started(const std::optional<TBenchRunRefusal>& refusal);
    void CancelStart();
    void RecordFailed(const std::string& text);
    void Message(const char* text);
    // --- TBenchRunObserver ---
    void RunStateChanged(TBenchRunState state) override;
    void RunValueWritten(int n, int value, const std::string& command) override;
    void RunReadBack(int n, int value) override;
    void RunTicked(int elapsedMs) override;
    void RunEnded(TRunEnding how, const std::string& recordPath) override;  // the fact; the signal is RunEnded()
    void RunRecordFailed(const std::string& text) override;

    TSequencerHost& host_;
    TBenchRun& run_;
    bool starting_ = false;  // this window's start is not settled yet
    bool armed_ = false;     // the run shown is armed, not started
    std::unique_ptr<TSequencerGraphForm> graph_;
    QMessageBox* recordMessage_ = nullptr;
};

// Opens the list window modally; it is made anew each time.
void ShowSequencerForm(TSequencerHost& host);
