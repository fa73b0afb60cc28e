// The pending-command slot of a rack link, filled on the GUI thread: verified
// sets, direct posts, and the tickets that follow a posted command.

#include "link/TovarinThread.h"

#include "link/TovarinProtocol.h"

namespace {

// A device command, as opposed to a link request.
bool IsDeviceCommand(const std::string& text) { return ClassifyPosted(text) == TPostedKind::DeviceCommand; }

}  // namespace

std::uint64_t TTovarinThread::SetAttenuation(const std::string& channel, int value) {
    EndVerification(TSetOutcome::TEnd::Superseded, std::nullopt, value);
    verifying_ = true;
    expectedAtt_ = value;
    lastAttCommand_ = FormatAttCommand(channel, value);
    verifyRetries_ = 0;
    lastReadBack_.reset();
    ReplacePending(lastAttCommand_, {});
    gate_.Expedite();
    return ++setSerial_;
}

void TTovarinThread::SetPendingCommand(const std::string& text, TPostTicket ticket) {
    const bool device = IsDeviceCommand(text);
    if (ticket && (!device || !Ready())) {
        ticket.NotSent(TNotSent::LinkNotUsable);
        return;
    }
    if (device) {
        const std::vector<TAttSetting> att = ReadAttCommand(text);
        EndVerification(TSetOutcome::TEnd::Superseded, std::nullopt,
                        att.empty() ? std::nullopt : std::optional<int>(att.front().Value));
    }
    ReplacePending(text, std::move(ticket));
    gate_.Expedite();
}

void TTovarinThread::ReplacePending(const std::string& text, TPostTicket ticket) {
    pendingTicket_.NotSent(TNotSent::Replaced);
    pendingCommand_ = text;
    pendingTicket_ = std::move(ticket);
}

void TTovarinThread::WithdrawTracked() {
    if (!pendingTicket_) return;
    pendingCommand_.clear();
    pendingTicket_.NotSent(TNotSent::DroppedAtStop);
}
