// The sequence list as a view of the bench's run: "&Run" hands the selected
// files to it and shows a refusal in its message box; the run's facts drive
// the caption, the controls and the graph window (also for a run a script
// started); the program's end and a record that cannot be written.

#include "sequencer/SequencerForm.h"

#include "graph/SequencerGraphForm.h"
#include "link/TovarinProtocol.h"
#include "sequencer/ProfileFile.h"
#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequenceRun.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

void TSequencerForm::Started(const std::optional<TBenchRunRefusal>& refusal) {
    if (!starting_) return;  // the window is going
    // A refusal is shown while the caption still says "Analyzing...".
    QPointer<TSequencerForm> self(this);
    const QString text = refusal ? QString::fromLocal8Bit(refusal->Text.c_str()) : QString();
    if (refusal) switch (refusal->Kind) {
        case TBenchRunRefusalKind::NoFiles:
        case TBenchRunRefusalKind::Busy:
        case TBenchRunRefusalKind::Interference:
        case TBenchRunRefusalKind::SequenceError:
            QMessageBox::warning(this, QString::fromLatin1(SequenceErrorTitle), text);
            break;
        case TBenchRunRefusalKind::ProfileError:
            QMessageBox::warning(this, QString::fromLatin1(ProfileErrorTitle), text);
            break;
        case TBenchRunRefusalKind::FileError: QMessageBox::critical(this, QStringLiteral("Error."), text); break;
        case TBenchRunRefusalKind::GivenUp:
        case TBenchRunRefusalKind::NotArmed:
        case TBenchRunRefusalKind::BadInstant: break;  // of a start, never of "&Run"
        }
    if (!self || !starting_) return;
    starting_ = false;
    RunStateChanged(run_.State());
    // Nothing was under way for a "&Run" without a selected file.
    if (!refusal || refusal->Kind != TBenchRunRefusalKind::NoFiles) emit StartSettled();
}

void TSequencerForm::CancelStart() {
    // Nothing has been sent or recorded yet, and nothing will be.
    if (run_.State() == TBenchRunState::Analysing) run_.Stop();
}

void TSequencerForm::RunStateChanged(TBenchRunState state) {
    // This window's own start keeps its caption until its refusal is shown.
    if (starting_ && state == TBenchRunState::Idle) return;
    if (state == TBenchRunState::Running) graph_->ResetCurves();
    const bool disarmed = armed_ && state == TBenchRunState::Idle;
    armed_ = state == TBenchRunState::Armed;
    if (state == TBenchRunState::Analysing)
        SetAnalyzing(true);
    else if (state == TBenchRunState::Armed)
        SetArmed();
    else
        SetRunning(state == TBenchRunState::Running);
    // An armed run disarmed before its first tick ends without a record.
    if (disarmed) emit RunEnded();
}

void TSequencerForm::RunValueWritten(int n, int /*value*/, const std::string& command) {
    // A run's value is a point of its curve once its link has written it.
    if (graph_->isVisible()) graph_->AddAttCommand(n, command);
}

void TSequencerForm::RunReadBack(int n, int value) {
    // What an attenuator reads back during the run (after a reconnection)
    // is what it holds: a point of its curve too.
    if (graph_->isVisible()) graph_->AddAttCommand(n, FormatAttCommand(SequencerChannel, value));
}

void TSequencerForm::RunTicked(int elapsedMs) { graph_->AdvanceTime(elapsedMs); }

void TSequencerForm::RunEnded(TRunEnding how, const std::string& /*recordPath*/) {
    // The program's end is nobody's business here: the program is going.
    armed_ = false;
    if (how != TRunEnding::ProgramClosed) emit RunEnded();
}

void TSequencerForm::RunRecordFailed(const std::string& text) { RecordFailed(text); }

void TSequencerForm::CloseForProgramEnd() {
    // A start still being analysed is given up: it never starts. A run ends
    // at once as "program closed" (one that completed just now, its notice
    // not yet in, as "completed"), with nothing more sent.
    CancelStart();
    run_.EndForProgramClose();
    graph_->hide();
    hide();  // ends the window's modal loop
}

void TSequencerForm::RecordFailed(const std::string& text) {
    // Told at once, as the run's evidence is being lost, without stopping
    // anything: the run goes on. The box takes no input from the list and
    // stands beside it, below (or above) its frame, so that "&Stop" stays
    // in sight and in reach. One box, however often it is told.
    const QString message = QString::fromLocal8Bit(text.c_str());
    if (!recordMessage_) {
        recordMessage_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Error."), QString(), QMessageBox::Ok, this);
        recordMessage_->setObjectName(QStringLiteral("RecordMessage"));
        recordMessage_->setWindowModality(Qt::NonModal);
    }
    recordMessage_->setText(message);
    recordMessage_->adjustSize();
    const QRect list = frameGeometry();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const QSize size = recordMessage_->frameGeometry().size();
    QPoint at(list.left(), list.bottom() + 8);
    if (room.isValid() && at.y() + size.height() > room.bottom()) at.setY(list.top() - 8 - size.height());
    if (room.isValid() && at.y() < room.top()) at = QPoint(list.right() + 8, list.top());
    recordMessage_->move(at);
    recordMessage_->show();
    emit RecordFailure(message);
}
