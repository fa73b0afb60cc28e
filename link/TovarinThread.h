#pragma once
// One rack link: the thread that connects to one attenuator, identifies it,
// reads its name and attenuation, and sends it the commands that the GUI
// thread posts, reading back the attenuation after every verified set.

#include "support/GuiThread.h"
#include "link/PostTicket.h"
#include "link/TovarinSend.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class TTovarinThread;

// How a verified set ended.
struct TSetOutcome {
    enum class TEnd {
        Confirmed,   // the attenuator read back the value it was set to
        Mismatch,    // the last read-back still differed after three re-sends
        Unreadable,  // the read-back reply held no value
        Superseded,  // a newer set or device command took its place
        LinkLost,    // the connection dropped or was refreshed before the end
    };
    std::uint64_t Serial = 0;     // what SetAttenuation returned for it
    int Expected = 0;             // the value the set asked for
    std::optional<int> ReadBack;  // the last value read back during the set
    TEnd End = TEnd::Confirmed;
    // Superseded: the value of the set or command that took its place, when
    // it carried one.
    std::optional<int> ReplacedBy;
    bool Confirmed() const { return End == TEnd::Confirmed; }
};

// What a link reports to the front panel. Both calls are made on the GUI
// thread only, from steps the link runs there while it waits.
class TLinkView {
public:
    virtual ~TLinkView() = default;
    virtual void ShowLinkStatus(TTovarinThread* link, int status) = 0;
    virtual void ShowLinkAnswer(TTovarinThread* link, const std::string& text) = 0;
    // A verified set was confirmed: the attenuator read back the value it
    // was set to. The front panel is not changed by it.
    virtual void LinkSetConfirmed(TTovarinThread* /*link*/, int /*value*/) {}
    // Every verified set ends exactly once, confirmed or not; reported after
    // LinkSetConfirmed or the read-back's ShowLinkAnswer. A set superseded by
    // a newer one is reported from inside SetAttenuation or SetPendingCommand,
    // so the handler must not post commands to the same link.
    virtual void LinkSetEnded(TTovarinThread* /*link*/, const TSetOutcome& /*outcome*/) {}
};

// The link's pauses and time-outs in ms. The defaults are the protocol's;
// tests may shorten some of them.
struct TLinkTimings {
    int IdleSleep = 10;          // idle poll of the pending command (run early on a post)
    int QueryPause = 100;        // between sending a query and reading its reply
    int ReadTimeout = 5000;      // longest wait for reply data
    int ConnectRetry = 1000;     // after a failed or forbidden connect
    int IdnRetry = 1000;         // before asking "IDN?" again
    int StateRetryUnit = 500;    // "STA?" time-out n waits n x this
    int VerifyUnit = 150;        // re-send n of a verified set waits n x this
    int VerifyPause = 100;       // after sending a verified set, before "STA?"
    int DropPause = 100;         // after closing a dropped connection
    int ConnectTimeout = 21000;  // longest wait for a connect to complete
};

// The steps of a connected link. Each runs on the link thread; the part in
// the right column runs on the GUI thread while the link thread waits.
//
//   step       link thread                      GUI thread
//   Idle       waits for a command              Dispatch: takes the pending
//                                               command or request
//   Identify   sends "IDN?", reads the reply    InterpretIdent
//   Mode       takes the mode as AUTO           InterpretIdent
//   Name       sends "N?", reads the reply      InterpretIdent (NAM answer)
//   ReadState  sends "STA?", reads the reply    InterpretState (read-back)
//   Send       sends the outgoing command       -
//   Drop       closes the connection            ReportClosed
//   Reconfig   as Drop; the next connect takes the new rack address
enum class TLinkStep : int { Idle, Identify, Mode, Name, ReadState, Send, Drop, Reconfig };

class TTovarinThread {
public:
    // Link status codes as reported to ShowLinkStatus.
    enum Status : int {
        StatusOpened = 0,
        StatusClosed = 1,
        StatusNoAnswer = 2,
        StatusIdent = 3,
        StatusAuto = 4,
        StatusManual = 5,
        StatusSocketError = 6,
        StatusDialogError = 7,
    };

    explicit TTovarinThread(TLinkView* view, const TLinkTimings& timings = TLinkTimings());
    // Ends the thread (interrupting any wait) and joins it; bounded in time.
    ~TTovarinThread();
    TTovarinThread(const TTovarinThread&) = delete;
    TTovarinThread& operator=(const TTovarinThread&) = delete;

    // --- Called on the GUI thread ---
    void Start();      // once; the link is created suspended
    void Terminate();  // non-blocking; the link ends within one step

    void SetReadyCaption(const std::string& text) { readyCaption_ = text; }
    const std::string& ReadyCaption() const { return readyCaption_; }
    void SetTargetHost(const std::string& host);
    void SetTargetPort(const std::string& port);
    void SetTCPNoDelay(bool on) { tcpNoDelay_ = on; }

    // Verified set: send "ATT <channel> <value>", read it back, re-send up to
    // three times on a mismatch. Returns the set's serial number, which its
    // LinkSetEnded report carries.
    std::uint64_t SetAttenuation(const std::string& channel, int value);

    // Direct post of a device command or link request, replacing whatever is
    // pending. A device command ends any verification in progress, so that a
    // re-send can never overwrite it. Wakes an idle link at once.
    //
    // A device command posted with a ticket is followed to its end: the
    // ticket learns the moment the command was written to the socket, or why
    // it never was. Such a command is only taken by a link that is ready
    // (enabled, connected, in automatic mode), and it is not kept across a
    // drop of the connection: a link that cannot send it now says so rather
    // than sending it late.
    void SetPendingCommand(const std::string& text, TPostTicket ticket = {});
    const std::string& PendingCommand() const { return pendingCommand_; }
    // A command with a ticket that is still pending is withdrawn and told as
    // dropped at stop: the run that posted it has ended.
    void WithdrawTracked();

    void SetEnabled(bool on);
    bool Enabled() const { return enabled_; }
    bool Verifying() const { return verifying_; }
    int VerifyRetries() const { return verifyRetries_; }
    bool Connected() const { return connected_; }

    // Written by the link only inside its GUI-thread steps; read on the GUI
    // thread at any time.
    int MaxAtt() const { return maxAtt_; }
    int LinkStatus() const { return linkStatus_; }
    // Enabled, connected and in automatic mode: a command posted now is sent.
    bool Ready() const { return enabled_ && connected_ && linkStatus_ == StatusAuto; }
    const std::string& ErrorText() const { return errorText_; }
    const std::string& DeviceId() const { return deviceId_; }
    void SetDeviceId(const std::string& id) { deviceId_ = id; }
    const std::string& DeviceInfo() const { return deviceInfo_; }

private:
    void Execute();
    void ConnectPass();
    void ConnectedPass();
    // Sends a query, waits, and reads the reply into reply_; returns the
    // client's error code (0 when a line was read).
    int Query(const char* query);
    void QueryFailed(int error);
    void StepIdentify();
    void StepName();
    void StepReadState();
    void StepSend();
    void StepDrop();
    // Runs a step on the GUI thread; when the GUI side is gone the link ends.
    void Gui(void (TTovarinThread::*step)());

    // GUI-thread steps.
    void ReportOpened();
    void ReportClosed();
    void Dispatch();
    void InterpretIdent();
    void InterpretState();
    void ReportDialogError();

    void Report(int status);
    // Ends the verified set in progress, if any, and reports how.
    void EndVerification(TSetOutcome::TEnd end, std::optional<int> readBack = std::nullopt,
                         std::optional<int> replacedBy = std::nullopt);
    // The pending slot gets text; a command with a ticket that stood there
    // was replaced before the link took it.
    void ReplacePending(const std::string& text, TPostTicket ticket);
    void Sleep(int ms);  // interrupted only by termination
    void Wake(int fd);
    bool Terminated() const { return terminated_; }

    TLinkView* const view_;
    const TLinkTimings timings_;

    // GUI thread only.
    std::string readyCaption_;
    std::string pendingCommand_;
    TPostTicket pendingTicket_;  // of pendingCommand_
    std::string lastAttCommand_;
    int expectedAtt_ = 0;
    std::uint64_t setSerial_ = 0;
    std::optional<int> lastReadBack_;  // of the set in progress

    // Written by the link thread outside GUI steps and by the GUI thread
    // inside them; the hand-over in TGuiGate orders the two.
    std::string deviceId_;
    std::string deviceInfo_;
    int maxAtt_ = 0;
    int linkStatus_ = StatusClosed;
    TLinkStep step_ = TLinkStep::Idle;
    std::string reply_;
    std::string outgoingCommand_;
    TPostTicket outgoingTicket_;  // of outgoingCommand_
    std::string errorText_;
    int resendPause_ = 0;  // set by InterpretState, slept on the link thread

    // Shared without a GUI step.
    std::atomic<bool> connected_{false};
    std::atomic<bool> enabled_{true};
    std::atomic<bool> verifying_{false};
    std::atomic<int> verifyRetries_{0};
    std::atomic<bool> tcpNoDelay_{false};
    std::atomic<bool> terminated_{false};
    std::mutex targetMutex_;
    std::string targetHost_ = "127.0.0.1";
    std::string targetPort_ = "0";

    // Link thread only.
    TTovarinSend client_;
    int stateTimeouts_ = 0;
    int idnTries_ = 0;

    int terminatePipe_[2] = {-1, -1};  // readable once termination is requested
    TGuiGate gate_;
    std::thread thread_;
};
