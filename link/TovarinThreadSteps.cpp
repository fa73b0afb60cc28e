// The steps a rack link runs on the GUI thread while it waits: reporting the
// connection state, taking the pending command, and interpreting replies.

#include "link/TovarinThread.h"

#include "link/TovarinProtocol.h"

void TTovarinThread::Report(int status) {
    linkStatus_ = status;
    if (view_ != nullptr) view_->ShowLinkStatus(this, status);
}

void TTovarinThread::EndVerification(TSetOutcome::TEnd end, std::optional<int> readBack,
                                     std::optional<int> replacedBy) {
    if (!verifying_) return;
    verifying_ = false;
    if (readBack) lastReadBack_ = readBack;
    TSetOutcome outcome{setSerial_, expectedAtt_, lastReadBack_, end, replacedBy};
    lastReadBack_.reset();
    if (view_ != nullptr) view_->LinkSetEnded(this, outcome);
}

void TTovarinThread::ReportOpened() {
    // A set posted while the link was down was never verified.
    EndVerification(TSetOutcome::TEnd::LinkLost);
    Report(StatusOpened);
    connected_ = true;
    step_ = TLinkStep::Identify;
}

void TTovarinThread::ReportClosed() {
    EndVerification(TSetOutcome::TEnd::LinkLost);
    if (client_.LastError() != 0) {
        linkStatus_ = StatusSocketError;
        errorText_ = client_.LastErrorText();
    } else {
        // A refresh asked for while the link is down is used up here.
        const TPostedKind pending = ClassifyPosted(pendingCommand_);
        if (pending == TPostedKind::Refresh || pending == TPostedKind::Reconfig) pendingCommand_.clear();
        linkStatus_ = StatusClosed;
        errorText_.clear();
    }
    // A followed command is not kept for a later connection.
    if (pendingTicket_) {
        pendingCommand_.clear();
        pendingTicket_.NotSent(TNotSent::LinkNotUsable);
    }
    Report(linkStatus_);
    connected_ = false;
}

void TTovarinThread::ReportDialogError() {
    // A reply line too long to be one: a dialogue error, and the connection
    // is dropped like after any other reply that fits no layout.
    client_.ClearError();
    reply_.clear();
    Report(StatusDialogError);
    step_ = TLinkStep::Drop;
}

void TTovarinThread::Dispatch() {
    if (pendingCommand_.empty()) return;
    switch (ClassifyPosted(pendingCommand_)) {
    case TPostedKind::DeviceCommand:
        outgoingCommand_ = pendingCommand_;
        outgoingTicket_ = std::move(pendingTicket_);
        pendingCommand_.clear();
        step_ = TLinkStep::Send;
        break;
    case TPostedKind::ReadAtt:
        outgoingCommand_.clear();
        pendingCommand_.clear();
        step_ = TLinkStep::ReadState;
        break;
    case TPostedKind::Refresh:
        outgoingCommand_.clear();
        pendingCommand_.clear();
        step_ = TLinkStep::Drop;
        EndVerification(TSetOutcome::TEnd::LinkLost);
        break;
    case TPostedKind::Reconfig:
        outgoingCommand_.clear();
        pendingCommand_.clear();
        step_ = TLinkStep::Reconfig;
        EndVerification(TSetOutcome::TEnd::LinkLost);
        break;
    case TPostedKind::Unknown:
        break;
    }
    // Anything else stays pending until something replaces it.
}

void TTovarinThread::InterpretIdent() {
    if (reply_.empty()) {
        Report(StatusNoAnswer);
        reply_.clear();
        return;
    }
    switch (ReplyKind(reply_)) {
    case TReplyKind::Ident: {
        TIdentReply ident = ReadIdentReply(reply_);
        deviceId_ = std::move(ident.Id);
        if (ident.MaxAtt) maxAtt_ = *ident.MaxAtt;
        if (ident.Info) deviceInfo_ = std::move(*ident.Info);
        step_ = TLinkStep::Identify;
        Report(StatusIdent);
        break;
    }
    case TReplyKind::Mode:
        step_ = TLinkStep::Mode;
        Report(ModeIsAuto(reply_) ? StatusAuto : StatusManual);
        break;
    case TReplyKind::Name:
        if (view_ != nullptr) view_->ShowLinkAnswer(this, reply_);
        step_ = TLinkStep::Name;
        break;
    default:
        Report(StatusDialogError);
        break;
    }
    reply_.clear();
}

void TTovarinThread::InterpretState() {
    if (ReplyKind(reply_) != TReplyKind::State) {
        Report(StatusDialogError);
    } else if (verifying_) {
        const std::optional<int> value = ReadStateReply(reply_);
        if (!value) {
            EndVerification(TSetOutcome::TEnd::Unreadable);
        } else if (*value == expectedAtt_) {
            if (view_ != nullptr) view_->LinkSetConfirmed(this, *value);
            EndVerification(TSetOutcome::TEnd::Confirmed, value);
        } else if (verifyRetries_ >= 3) {
            // The last read-back still differs: the set failed, so the box
            // must show what the attenuator really holds.
            if (view_ != nullptr) view_->ShowLinkAnswer(this, reply_);
            EndVerification(TSetOutcome::TEnd::Mismatch, value);
        } else {
            lastReadBack_ = value;
            ++verifyRetries_;
            resendPause_ = verifyRetries_ * timings_.VerifyUnit;
            // A refresh or reconfiguration asked for meanwhile is kept: it
            // ends the set when the link takes it.
            const TPostedKind pending = ClassifyPosted(pendingCommand_);
            if (pending != TPostedKind::Refresh && pending != TPostedKind::Reconfig) ReplacePending(lastAttCommand_, {});
            gate_.Expedite();  // taken as soon as the pause is over
        }
    } else {
        if (view_ != nullptr) view_->ShowLinkAnswer(this, reply_);
    }
    reply_.clear();
}
