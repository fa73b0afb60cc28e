// The sequence list's side of a run's record: what the record is told when a
// run starts and ends (also when the program closes under a run), and how a
// failure to write it is shown.

#include "sequencer/SequencerForm.h"

#include "graph/SequencerGraphForm.h"
#include "sequencer/RunRecord.h"

#include <QMessageBox>

void TSequencerForm::StartRecord(const std::vector<std::string>& files, const TBaieScripts& assignment,
                                 const std::vector<std::unique_ptr<TSequenceScript>>& scripts) {
    TRunStart start;
    start.ConfigFile = host_.ConfigFile();
    for (int n = 1; n <= 8; ++n) start.Atts[static_cast<std::size_t>(n)] = host_.RecordedAtt(n);
    // One script per file, in file order.
    for (std::size_t i = 0; i < files.size(); ++i) {
        TPlayedFile played{files[i], {}};
        for (int n = 1; n <= TBaieScripts::AttCount; ++n)
            if (i < scripts.size() && assignment.Slot(n) == scripts[i].get()) played.Atts.push_back(n);
        start.Files.push_back(std::move(played));
    }
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
    // Told without stopping anything: the run goes on, and the box does not
    // keep the operator from "&Stop". One box, however often it is told.
    if (!recordMessage_) {
        recordMessage_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Error."), QString(), QMessageBox::Ok, this);
        recordMessage_->setObjectName(QStringLiteral("RecordMessage"));
        recordMessage_->setWindowModality(Qt::NonModal);
    }
    recordMessage_->setText(QString::fromLocal8Bit(text.c_str()));
    recordMessage_->show();
}
