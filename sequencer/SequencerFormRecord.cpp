// The sequence list's side of a run's record: what the record is told when a
// run starts and ends (also when the program closes under a run), and how a
// failure to write it is shown.

#include "sequencer/SequencerForm.h"

#include "graph/SequencerGraphForm.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequenceCompiler.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

void TSequencerForm::StartRecord(const std::vector<std::string>& files, const TSequenceAnalysis& analysis) {
    TRunStart start;
    start.ConfigFile = host_.ConfigFile();
    for (int n = 1; n <= 8; ++n) start.Atts[static_cast<std::size_t>(n)] = host_.RecordedAtt(n);
    start.Files = PlayedFiles(files, analysis);
    recordDelivery_.reset();
    record_ = std::make_unique<TRunRecord>(host_.SequencesDir(), std::move(start),
                                           [this](const std::string& text) { RecordFailed(text); });
    recordDelivery_ = std::make_unique<TRunRecordDelivery>(*delivery_, *record_);
}

void TSequencerForm::EndRecord(TRunEnding how) {
    // A stopped or closed run sends nothing more: what the links have not
    // taken yet is withdrawn. A run that completed still sends its last
    // tick's values, which its links take within moments.
    if (delivery_ && how != TRunEnding::Completed) delivery_->WithdrawPending();
    if (record_) record_->Finish(how);
}

void TSequencerForm::CloseForProgramEnd() {
    // A start still being analysed is given up: it never starts.
    CancelStart();
    const bool wasRunning = running_;
    // A run that completed just now, its notice not yet in, is recorded so.
    const bool completed = engine_ && engine_->Ended() && engine_->Completed();
    // Destroying the engine releases a tick waiting for the GUI thread
    // undelivered and joins it: no tick and no end-of-run notice after this.
    engine_.reset();
    if (wasRunning) {
        SetRunning(false);
        EndRecord(completed ? TRunEnding::Completed : TRunEnding::ProgramClosed);
    }
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
