// The steps a rack link runs on the GUI thread while it waits: reporting the
// connection state, taking the pending command, and interpreting replies.

#include "support/TextFields.h"
#include "link/TovarinThread.h"

namespace {

// The value in positions 7-9 of a "STA"/"ATT" line; false when unreadable.
bool ReadStateValue(const std::string& line, int& value) {
    return ParseDecimalInt(SubText(line, 6, 3), value);
}

}  // namespace

void TTovarinThread::Report(int status) {
    linkStatus_ = status;
    if (view_ != nullptr) view_->ShowLinkStatus(this, status);
}

void TTovarinThread::ReportOpened() {
    Report(StatusOpened);
    connected_ = true;
    step_ = 1;
}

void TTovarinThread::ReportClosed() {
    if (client_.LastError() != 0) {
        linkStatus_ = StatusSocketError;
        errorText_ = client_.LastErrorText();
    } else {
        // A refresh asked for while the link is down is used up here.
        if (StartsWith(pendingCommand_, "REFRESH") || StartsWith(pendingCommand_, "RECONFIG"))
            pendingCommand_.clear();
        linkStatus_ = StatusClosed;
        errorText_.clear();
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
    step_ = 6;
}

void TTovarinThread::Dispatch() {
    const std::string& p = pendingCommand_;
    if (p.empty()) return;
    if (StartsWith(p, "ATT") || StartsWith(p, "IDS") || StartsWith(p, "N")) {
        outgoingCommand_ = p;
        pendingCommand_.clear();
        step_ = 5;
    } else if (StartsWith(p, "READATT")) {
        outgoingCommand_.clear();
        pendingCommand_.clear();
        step_ = 4;
    } else if (StartsWith(p, "REFRESH")) {
        outgoingCommand_.clear();
        pendingCommand_.clear();
        step_ = 6;
        verifying_ = false;
    } else if (StartsWith(p, "RECONFIG")) {
        outgoingCommand_.clear();
        pendingCommand_.clear();
        step_ = 7;
        verifying_ = false;
    }
    // Anything else stays pending until something replaces it.
}

void TTovarinThread::InterpretIdent() {
    if (reply_.empty()) {
        Report(StatusNoAnswer);
    } else if (StartsWith(reply_, "IDN")) {
        // "IDN " + 6-character identifier + "," + 3-digit maximum + "," + info.
        std::string rest = SubText(reply_, 4, std::string::npos);
        deviceId_ = SubText(rest, 0, 6);
        rest = SubText(rest, 6, std::string::npos);
        if (rest.find(',') != std::string::npos) {
            int max = 0;
            maxAtt_ = ParseDecimalInt(SubText(rest, 1, 3), max) ? max : 0;
            rest = SubText(rest, 4, std::string::npos);
            if (rest.find(',') != std::string::npos) {
                rest = SubText(rest, 1, std::string::npos);
                deviceInfo_ = rest.substr(0, rest.find(','));
            }
        }
        step_ = 1;
        Report(StatusIdent);
    } else if (StartsWith(reply_, "MOD")) {
        step_ = 2;
        Report(reply_.find("AUTO") != std::string::npos ? StatusAuto : StatusManual);
    } else if (StartsWith(reply_, "NAM")) {
        if (view_ != nullptr) view_->ShowLinkAnswer(this, reply_);
        step_ = 3;
    } else {
        Report(StatusDialogError);
    }
    reply_.clear();
}

void TTovarinThread::InterpretState() {
    if (!StartsWith(reply_, "STA") && !StartsWith(reply_, "ATT")) {
        Report(StatusDialogError);
    } else if (verifying_) {
        int value = 0;
        if (!ReadStateValue(reply_, value) || value == expectedAtt_) {
            verifying_ = false;
        } else if (verifyRetries_ >= 3) {
            // The last read-back still differs: the set failed, so the box
            // must show what the attenuator really holds.
            verifying_ = false;
            ignoreNextChange_ = true;
            if (view_ != nullptr) view_->ShowLinkAnswer(this, reply_);
        } else {
            ++verifyRetries_;
            resendPause_ = verifyRetries_ * timings_.VerifyUnit;
            pendingCommand_ = lastAttCommand_;
            gate_.Expedite();  // taken as soon as the pause is over
        }
    } else {
        ignoreNextChange_ = true;
        if (view_ != nullptr) view_->ShowLinkAnswer(this, reply_);
    }
    reply_.clear();
}
