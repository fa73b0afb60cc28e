#include "link/TovarinThread.h"

#include "link/TovarinProtocol.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

void MakePipe(int fds[2]) {
    if (::pipe(fds) != 0) {
        fds[0] = fds[1] = -1;
        return;
    }
    for (int i = 0; i < 2; ++i) {
        ::fcntl(fds[i], F_SETFL, ::fcntl(fds[i], F_GETFL) | O_NONBLOCK);
        ::fcntl(fds[i], F_SETFD, FD_CLOEXEC);
    }
}

void ClosePipe(int fds[2]) {
    for (int i = 0; i < 2; ++i)
        if (fds[i] >= 0) ::close(fds[i]);
}

}  // namespace

TTovarinThread::TTovarinThread(TLinkView* view, const TLinkTimings& timings)
    : view_(view), timings_(timings) {
    MakePipe(terminatePipe_);
    client_.Timeout = timings_.ReadTimeout;
    client_.ConnectTimeout = timings_.ConnectTimeout;
    client_.TCPNoDelay = false;
    client_.SetInterruptFd(terminatePipe_[0]);
}

TTovarinThread::~TTovarinThread() {
    Terminate();
    // Release a link that waits for the GUI thread; no step of this link runs
    // after this point, so the thread never touches the view or this object
    // once they start going away.
    gate_.Close();
    if (thread_.joinable()) thread_.join();
    ClosePipe(terminatePipe_);
}

void TTovarinThread::Start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { Execute(); });
}

void TTovarinThread::Terminate() {
    if (!terminated_.exchange(true)) Wake(terminatePipe_[1]);
    gate_.Expedite();  // an idle link sees the request at once
}

void TTovarinThread::Wake(int fd) {
    if (fd < 0) return;
    const char byte = 1;
    // A full pipe is already readable: nothing is lost.
    [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
}

void TTovarinThread::SetTargetHost(const std::string& host) {
    std::lock_guard<std::mutex> lock(targetMutex_);
    targetHost_ = host;
}

void TTovarinThread::SetTargetPort(const std::string& port) {
    std::lock_guard<std::mutex> lock(targetMutex_);
    targetPort_ = port;
}

void TTovarinThread::SetEnabled(bool on) { enabled_ = on; }

// --- Pauses -----------------------------------------------------------------

void TTovarinThread::Sleep(int ms) {
    if (ms <= 0 || Terminated()) return;
    pollfd fd{terminatePipe_[0], POLLIN, 0};
    while (::poll(&fd, 1, ms) < 0 && errno == EINTR) {
    }
}

// --- Thread body ------------------------------------------------------------

void TTovarinThread::Gui(void (TTovarinThread::*step)()) {
    if (!gate_.RunOnGuiThread([this, step] { (this->*step)(); })) terminated_ = true;
}

void TTovarinThread::Execute() {
    while (!Terminated()) {
        if (!connected_)
            ConnectPass();
        else
            ConnectedPass();
    }
    if (connected_) client_.Disconnect();
}

void TTovarinThread::ConnectPass() {
    bool opened = false;
    if (enabled_) {
        {
            std::lock_guard<std::mutex> lock(targetMutex_);
            client_.TargetHost = targetHost_;
            client_.TargetPort = targetPort_;
        }
        client_.TCPNoDelay = tcpNoDelay_;
        opened = client_.Connect();
    }
    if (opened) {
        Gui(&TTovarinThread::ReportOpened);
        verifyRetries_ = 0;
        stateTimeouts_ = 0;
        idnTries_ = 0;
    } else {
        if (Terminated()) return;
        Gui(&TTovarinThread::ReportClosed);
        Sleep(timings_.ConnectRetry);
    }
}

void TTovarinThread::ConnectedPass() {
    switch (step_) {
    case TLinkStep::Idle:
        if (Terminated()) {
            client_.Disconnect();
            return;
        }
        // The idle poll: Dispatch runs on the GUI thread every idle period,
        // and at once when a command is posted; this thread only wakes when
        // it has taken something, when the attenuator has closed the
        // connection, or when the link is told to end. The socket is looked
        // at there, while this thread waits and leaves the client alone;
        // looking sends and reads nothing.
        if (!gate_.RunOnGuiThreadIdle([this] { Dispatch(); }, timings_.IdleSleep, [this] {
                return step_ == TLinkStep::Idle && outgoingCommand_.empty() && !Terminated() &&
                       !client_.PeerClosed();
            }))
            terminated_ = true;
        if (!outgoingCommand_.empty())
            step_ = TLinkStep::Send;
        else if (step_ == TLinkStep::Idle && !Terminated() && client_.CheckPeerClosed())
            step_ = TLinkStep::Drop;  // reported like a close seen by a read
        break;
    case TLinkStep::Identify: StepIdentify(); break;
    case TLinkStep::Mode:
        reply_ = AssumedModeReply;
        Gui(&TTovarinThread::InterpretIdent);
        step_ = TLinkStep::Name;
        break;
    case TLinkStep::Name: StepName(); break;
    case TLinkStep::ReadState: StepReadState(); break;
    case TLinkStep::Send: StepSend(); break;
    case TLinkStep::Drop:
    case TLinkStep::Reconfig: StepDrop(); break;
    }
}

int TTovarinThread::Query(const char* query) {
    if (!client_.SendLine(query)) return client_.LastError();
    Sleep(timings_.QueryPause);
    reply_ = client_.ReadLine();
    return client_.LastError();
}

void TTovarinThread::QueryFailed(int error) {
    if (error == EMSGSIZE)
        Gui(&TTovarinThread::ReportDialogError);  // a reply line too long to be one
    else
        step_ = TLinkStep::Drop;
}

void TTovarinThread::StepIdentify() {
    const int error = Query(IdentQuery);
    if (error == 0) {
        Gui(&TTovarinThread::InterpretIdent);
        if (linkStatus_ == StatusIdent) {
            step_ = TLinkStep::Mode;
        } else {
            if (idnTries_ >= 5) step_ = TLinkStep::Drop;
            Sleep(timings_.IdnRetry);
        }
        ++idnTries_;
    } else if (error == TTovarinSend::kTimedOut) {
        reply_.clear();
        Gui(&TTovarinThread::InterpretIdent);
        Sleep(timings_.IdnRetry);
    } else {
        QueryFailed(error);
    }
}

void TTovarinThread::StepName() {
    const int error = Query(NameQuery);
    if (error == 0) {
        Gui(&TTovarinThread::InterpretIdent);
        if (linkStatus_ == StatusDialogError)
            step_ = TLinkStep::Drop;
        else if (step_ == TLinkStep::Name)
            step_ = TLinkStep::ReadState;
    } else if (error == TTovarinSend::kTimedOut) {
        if (step_ == TLinkStep::Name) step_ = TLinkStep::ReadState;
    } else {
        QueryFailed(error);
    }
}

void TTovarinThread::StepReadState() {
    const int error = Query(StateQuery);
    if (error == 0) {
        resendPause_ = 0;
        Gui(&TTovarinThread::InterpretState);
        step_ = linkStatus_ == StatusDialogError ? TLinkStep::Drop : TLinkStep::Idle;
        // The pause before a re-send is taken here, on the link thread, so
        // that the GUI thread never sleeps for a link.
        Sleep(resendPause_);
    } else if (error == TTovarinSend::kTimedOut) {
        if (stateTimeouts_ >= 3)
            step_ = TLinkStep::Drop;
        else
            Sleep((stateTimeouts_ + 1) * timings_.StateRetryUnit);
        ++stateTimeouts_;
    } else {
        QueryFailed(error);
    }
}

void TTovarinThread::StepSend() {
    bool ok = true;
    if (!outgoingCommand_.empty()) ok = client_.SendLine(outgoingCommand_);
    // Stamped right after the write; the ticket's receiver never waits for
    // the GUI thread.
    if (ok)
        outgoingTicket_.Sent(std::chrono::system_clock::now());
    else
        outgoingTicket_.NotSent(TNotSent::LinkNotUsable);
    outgoingCommand_.clear();
    if (!ok) {
        step_ = TLinkStep::Drop;
    } else if (verifying_) {
        Sleep(timings_.VerifyPause);
        step_ = TLinkStep::ReadState;
    } else {
        step_ = TLinkStep::Idle;
    }
}

void TTovarinThread::StepDrop() {
    step_ = TLinkStep::Idle;
    client_.Disconnect();
    connected_ = false;
    Sleep(timings_.DropPause);
    // A link told to end drops without a report: the window is going away.
    if (!Terminated()) Gui(&TTovarinThread::ReportClosed);
}
