#pragma once
// A run of sequence files on the bench, without any window: the files are
// read and compiled on a worker (nothing on the GUI thread waits), the
// attenuator claims checked, the engine started with a delivery that posts
// each tick to the links in each attenuator's own unit, and the run's
// record kept with its description. A refusal comes back as a value with
// the text the operator is shown. Observers hear facts: the state, each run
// value a link wrote, read-backs during the run, each tick, the end with
// its record, a record that cannot be written. A link that comes back
// during a run is sent the run's present value at the next tick. A run may
// also be armed: read and checked as for a run, then started on a trigger
// or with its first tick at an agreed instant. GUI (main) thread only.

#include "link/PostTicket.h"
#include "sequencer/ProfileFile.h"
#include "sequencer/RunDescription.h"
#include "sequencer/RunRecordFormat.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TBenchRunDelivery;
class TRunPreparation;
class TRunRecord;
class TSequencerThread;
class TTovarinThread;
struct TSequenceAnalysis;

// What a run takes from the bench it runs on.
class TBenchRunHost {
public:
    virtual ~TBenchRunHost() = default;
    // The link of attenuator box n (1..8); null when there is none.
    virtual TTovarinThread* RunLink(int n) const = 0;
    virtual int CommonMaxAtt() const = 0;
    // Box n as a profile is read for it.
    virtual TProfileAtt ProfileAtt(int n) const = 0;
    // Box n as the run's record names it.
    virtual TRecordedAtt RecordedAtt(int n) const = 0;
    // The configuration file in use; empty when none is known.
    virtual std::string ConfigFile() const = 0;
    // Where the run's record and description are written.
    virtual std::string RecordsDir() const = 0;
    // How the run reaches box n's attenuator; by default through RunLink(n).
    virtual bool RunLinkEnabled(int n) const;  // an attenuator is configured there
    virtual bool RunLinkReady(int n) const;    // it takes commands now
    virtual int RunLinkMaxAtt(int n) const;
    // command replaces whatever waits for the link; ticket follows it.
    virtual void RunPost(int n, const std::string& command, TPostTicket ticket);
    // What waits for box n's link and was posted with a ticket is dropped.
    virtual void RunWithdraw(int n);
};

// Armed: read and checked, waiting for its start (or, once given a start,
// for its first tick).
enum class TBenchRunState { Idle, Analysing, Running, Armed };

enum class TBenchRunRefusalKind {
    NoFiles,       // nothing selected
    Busy,          // a run is being analysed or is going
    Interference,  // two files claim one attenuator
    ProfileError,  // a profile that cannot be played
    SequenceError, // a sequence whose values must not be sent (a floor, the maximum)
    FileError,     // a file that cannot be read or compiled
    GivenUp,       // stopped or closed while its files were being read
    NotArmed,      // a start without an armed run, or one started already
    BadInstant,    // a start instant too close or too far ahead
};

struct TBenchRunRefusal {
    TBenchRunRefusalKind Kind;
    std::string Text;  // what the operator is told; empty when given up
};

class TBenchRunObserver {
public:
    virtual ~TBenchRunObserver() = default;
    // Armed is told again when the armed run is given its start.
    virtual void RunStateChanged(TBenchRunState /*state*/) {}
    // Box n's link wrote the run's command (the value in the attenuator's
    // own unit).
    virtual void RunValueWritten(int /*n*/, int /*value*/, const std::string& /*command*/) {}
    // Box n's attenuator read back value during the run.
    virtual void RunReadBack(int /*n*/, int /*value*/) {}
    // A tick was delivered; sequence time moved on by elapsedMs.
    virtual void RunTicked(int /*elapsedMs*/) {}
    // The run has ended; recordPath is its CSV (empty when none was made).
    virtual void RunEnded(TRunEnding /*how*/, const std::string& /*recordPath*/) {}
    virtual void RunRecordFailed(const std::string& /*text*/) {}
};

class TBenchRun {
public:
    using TStarted = std::function<void(std::optional<TBenchRunRefusal>)>;

    // tickPeriodMs other than the engine's tick is for tests only.
    explicit TBenchRun(TBenchRunHost& host, int tickPeriodMs = 0);
    // A run still going ends as "program closed", told to nobody.
    ~TBenchRun();
    TBenchRun(const TBenchRun&) = delete;
    TBenchRun& operator=(const TBenchRun&) = delete;

    void AddObserver(TBenchRunObserver* observer);
    void RemoveObserver(TBenchRunObserver* observer);

    // Runs exactly these files, in this order. started is called once,
    // later (never from inside this call, except for a refusal that needs
    // no reading): the run is going, or why not.
    void Run(const std::vector<std::string>& files, TStarted started);
    // Reads and checks the files exactly as Run does, then arms instead of
    // starting: nothing is sent until Start or StartAt. armed is called as
    // started is.
    void Load(const std::vector<std::string>& files, TStarted armed);
    // The armed run's first tick now (within a few milliseconds).
    std::optional<TBenchRunRefusal> Start();
    // The armed run's first tick at instant of the system clock, tick k a
    // tick period k times later on the monotonic clock.
    std::optional<TBenchRunRefusal> StartAt(std::chrono::system_clock::time_point instant);
    static constexpr std::chrono::milliseconds MinStartLead{50};
    static constexpr std::chrono::hours MaxStartLead{24};
    // The instant the armed or present run was given; none for a start now.
    std::optional<std::chrono::system_clock::time_point> StartInstant() const { return startInstant_; }

    // A start being analysed is given up; an armed run is disarmed (one
    // waiting for its first tick ends as "stopped", having sent nothing); a
    // run going is asked to stop and ends at its next tick as "stopped".
    void Stop();
    // The program is closing: a start is given up, and a run ends at once
    // as "program closed" with nothing more sent (a run that completed just
    // now, its notice not yet in, as "completed").
    void EndForProgramClose();

    TBenchRunState State() const { return state_; }
    bool Busy() const { return state_ != TBenchRunState::Idle; }
    // The files of the present or last run.
    const std::vector<std::string>& Files() const { return files_; }
    // The record of the present or last run; null before the first.
    const TRunRecord* Record() const { return record_.get(); }
    const TSequencerThread* Engine() const { return engine_.get(); }

    // From the bench's link reports.
    void LinkUsable(int n, bool usable);
    void ReadBack(int n, int value);

private:
    void Prepare(const std::vector<std::string>& files, TStarted started, bool arm);
    void AnalysisDone(TSequenceAnalysis analysis);
    void StartEngine(TSequenceAnalysis analysis,
                     std::optional<std::chrono::steady_clock::time_point> firstTick = std::nullopt);
    std::optional<TBenchRunRefusal> StartArmed(std::chrono::steady_clock::time_point firstTick);
    void Ticked(int elapsedMs);
    void Disarm(TRunEnding how);
    // An engine is going: running, or armed and waiting for its first tick.
    bool Started() const {
        return state_ == TBenchRunState::Running || (state_ == TBenchRunState::Armed && engine_);
    }
    void EngineEnded();
    void EndRun(TRunEnding how);
    void SetState(TBenchRunState state);
    void Settle(std::optional<TBenchRunRefusal> refusal);
    template <typename F> void Tell(F f) {
        const auto observers = observers_;
        for (TBenchRunObserver* o : observers) f(*o);
    }

    TBenchRunHost& host_;
    const int tickPeriodMs_;
    TBenchRunState state_ = TBenchRunState::Idle;
    std::vector<TBenchRunObserver*> observers_;
    std::vector<std::string> files_;
    bool tenths_ = true;  // the unit of the run's values, fixed when it was asked for
    std::uint64_t start_ = 0;  // counts the starts asked for: a given-up one's analysis is dropped
    TStarted started_;
    bool arm_ = false;  // the analysis under way arms rather than starts
    std::unique_ptr<TSequenceAnalysis> armed_;  // read and checked, not started yet
    std::optional<std::chrono::system_clock::time_point> startInstant_;
    std::unique_ptr<TRunPreparation> preparation_;
    std::unique_ptr<TRunRecord> record_;
    std::unique_ptr<TBenchRunDelivery> delivery_;
    std::unique_ptr<TSequencerThread> engine_;
    QObject context_;
};
