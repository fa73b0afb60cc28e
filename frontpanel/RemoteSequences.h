#pragma once
// Runs and stops sequences for a script on the bench's run, with the
// sequence list window showing it: the window opens (modally, as from the
// "&Sequencer" menu) and lists the files, and the bench runs exactly the
// files named. A refusal is the run's own value; no message box is shown.
// Each request is answered later, once its window steps are done; the GUI
// thread never waits.

#include "remote/RemoteCore.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class TBench;
class TMainForm;
class TSequencerForm;

class TRemoteSequences : public QObject {
public:
    explicit TRemoteSequences(TMainForm& form);

    // Opens the list window when it is closed, then runs files in it. A
    // window that was opened for the run closes again when the run fails
    // to start or once it has ended and its record is written. recordFailed
    // hears of a record of this run that cannot be written.
    // arm: the files are loaded and the run left armed for its start, the
    // window showing it so until it starts, ends or is disarmed.
    void Run(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed = {},
             bool arm = false);
    // Stops a run and waits for its end; a window opened for a script is
    // closed, and the request answered once it has closed.
    void Stop(TRemoteDone done);
    // A run is going, or a window opened for a script's run that has ended
    // is still closing: once this is false, the front panel takes a
    // script's sets again.
    bool Running() const;

private:
    struct TCall {
        TRemoteDone Done;
        std::optional<TRemoteRefusal> Error;  // empty: success
        bool Arm = false;                     // a load, not a run
    };
    TSequencerForm* OpenList() const;
    void OpenAndRun(const std::vector<std::string>& files, const TCall& call);
    void RunIn(TSequencerForm* list, const std::vector<std::string>& files, TCall call);
    void Started(TSequencerForm* list, TCall call);
    void Finish(TSequencerForm* list, TCall call);
    // Follows the run just started in list for the script.
    void WatchRun(TSequencerForm* list);
    // Closes a window opened for a script once its run is over and the
    // run's record is complete (closing sooner would cut the record short).
    void CloseWhenRecorded(TSequencerForm* list);
    void WhenListShown(std::function<void(TSequencerForm*)> action);
    static void Answer(const TCall& call);

    TMainForm& form_;
    TBench& bench_;
    bool busy_ = false;        // a call's window steps are under way
    bool openedHere_ = false;  // the open list window was opened for a script
    bool closing_ = false;     // and is closed once its run's record is complete
    std::vector<TCall> afterClose_;  // answered when the list window has closed
    TRemoteNotice recordFailed_;     // of the call being run
    QMetaObject::Connection endWatch_;  // of the script's last run
};
