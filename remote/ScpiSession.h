#pragma once
// One SCPI connection's state and its commands: lines in, responses out,
// its own status model and error queue, and the verified sets it started.
// Commands run one after another; one that waits (*OPC?, *WAI, *RST, a
// sequence run or stop, the pause after a rename) holds the commands after
// it, on its own line and on later lines, while the GUI thread goes on.
//
// A new line that arrives while *OPC? waits interrupts it: -410, its answer
// and the rest of its line are dropped, and the new line runs. Every other
// waiting command keeps later lines waiting until it is done.
//
// Responses of one line are joined by ";" and end with LF. GUI thread only.

#include "remote/RemoteCore.h"
#include "remote/ScpiParser.h"
#include "remote/ScpiStatus.h"

#include <QObject>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TScpiSession {
public:
    // The program's identity for *IDN?: maker, model, serial, version.
    static std::string Identity();
    // How long a rename holds the connection's next command, as the
    // naming dialog holds the window: the attenuator stores the name.
    static constexpr int RenamePauseMs = 500;

    // send gets each response with its LF.
    TScpiSession(TRemoteCore& core, std::function<void(const std::string&)> send);
    ~TScpiSession();
    TScpiSession(const TScpiSession&) = delete;
    TScpiSession& operator=(const TScpiSession&) = delete;

    // A whole line without its LF (a CR before it is removed here). Only
    // while not Waiting().
    void Line(std::string_view line);
    // A line longer than the limit: -363; the caller drops the rest of it.
    void Overrun(std::size_t limit);
    bool Waiting() const { return wait_ != TWait::None; }
    // *OPC? waits: a new line interrupts it.
    bool WaitingQuery() const { return wait_ == TWait::OpcQuery; }
    void Interrupt();
    // Told when the session stops waiting, so that held lines are read.
    void SetOnResume(std::function<void()> resume) { onResume_ = std::move(resume); }

    const TScpiStatus& Status() const { return status_; }

    // A command as its handler gets it: box is the ATTenuation suffix.
    struct TCall {
        const TScpiCommand& C;
        int Box;
    };

private:
    enum class TWait { None, Sets, OpcQuery, Request };

    // The line's units, carried out from next_ until the end or a wait.
    void Run();
    void EndLine();
    void WaitFor(TWait wait);
    void Resume();  // later, never from inside a report
    void Respond(const std::string& text);
    void Error(int code, const std::string& what);
    void Refused(const TRemoteRefusal& refusal);
    TRemoteDone WhenDone();  // ends a Request wait, with the refusal as an error
    void SetEnded(int n, const TSetOutcome& outcome);
    void Track(const TRemoteSet& set);

    // ScpiCommands.cpp: finding the command of a header, and the commands.
    void Execute(const TScpiCommand& c);
    bool Params(const TCall& call, std::size_t min, std::size_t max);
    std::optional<int> Integer(const TCall& call, int low, int high);
    void Idn(const TCall&);
    void Cls(const TCall&);
    void Ese(const TCall&);
    void EseQ(const TCall&);
    void EsrQ(const TCall&);
    void StbQ(const TCall&);
    void Sre(const TCall&);
    void SreQ(const TCall&);
    void Opc(const TCall&);
    void OpcQ(const TCall&);
    void Wai(const TCall&);
    void TstQ(const TCall&);
    void Rst(const TCall&);
    void Att(const TCall&);
    void AttQ(const TCall&);
    void MaxQ(const TCall&);
    void StepQ(const TCall&);
    void FloorQ(const TCall&);
    void ReadyQ(const TCall&);
    void StatusQ(const TCall&);
    void Name(const TCall&);
    void NameQ(const TCall&);
    void Refresh(const TCall&);
    void SeqRun(const TCall&);
    void SeqStop(const TCall&);
    void SeqStateQ(const TCall&);
    // ScpiTriggerCommands.cpp: the armed start and the bench's clock.
    void SeqLoad(const TCall&);
    void SeqStart(const TCall&);
    void SeqStartTime(const TCall&);
    void SeqStartTimeQ(const TCall&);
    void SeqFirstTickQ(const TCall&);
    void SysTimeUtcQ(const TCall&);
    std::optional<std::vector<std::string>> Files(const TCall&);
    void ErrQ(const TCall&);
    void ErrCountQ(const TCall&);
    void Answer(const TRemoteAnswer& answer, bool quoted);

    TRemoteCore& core_;
    std::function<void(const std::string&)> send_;
    std::function<void()> onResume_;
    TScpiStatus status_;
    std::vector<TScpiUnit> units_;
    std::size_t next_ = 0;
    std::string response_;
    std::vector<TScpiNode> path_;  // the header path that a following header is relative to
    TWait wait_ = TWait::None;
    std::set<std::pair<int, std::uint64_t>> pendingSets_;  // box, serial
    bool opcArmed_ = false;  // *OPC: the event bit is set once the sets have ended
    bool ownRequest_ = false;  // a set or parking of this connection is being handed out
    int setListener_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // outlived by late answers
    QObject context_;  // the session's timers
};
