#pragma once
// The run engine: a worker thread that advances every sequence of a run by
// one step per 100 ms tick and hands the resulting commands to the GUI
// thread, which posts them to the links, shows them and plots them.

#include "support/GuiThread.h"
#include "link/PostTicket.h"
#include "sequencer/SequenceRun.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// What the engine drives, once per tick, on the GUI thread. The windows
// implement it (graph window, main controller and its links); tests
// implement it with recorders or real links. Attenuators are numbered 1..8.
// Every command the engine hands over is already in the attenuator's own
// unit (AttMaxAtt), as it goes on the wire.
class TSequencerDelivery {
public:
    virtual ~TSequencerDelivery() = default;
    // Graph window: moves every curve on by elapsedMs; called every tick.
    virtual void AdvanceTime(int elapsedMs) = 0;
    virtual bool GraphVisible() const = 0;
    virtual void AddAttCommand(int att, const std::string& text) = 0;
    // Main controller: the Enabled flag of the attenuator's link.
    virtual bool AttEnabled(int att) const = 0;
    // The attenuator's maximum, which gives its unit; 0 while it is not
    // known (the run's values then go out as they are).
    virtual int AttMaxAtt(int /*att*/) const { return 0; }
    // Whether the attenuator's link can take a command now (connected, in
    // automatic mode). The box and the curve of one that cannot are left
    // alone: they keep showing what the attenuator reported.
    virtual bool AttUsable(int att) const { return AttEnabled(att); }
    // The link's pending command, replacing one not yet taken (unverified).
    // limited: its value was cut down to the attenuator's maximum.
    virtual void SetPendingCommand(int att, const std::string& command, bool limited) = 0;
    // The ticket that the next SetPendingCommand for att carries to the
    // link, which tells through it what became of the command. A delivery
    // without links lets it go at once (told as dropped).
    virtual void SetPostTicket(int /*att*/, TPostTicket /*ticket*/) {}
    // The run has ended: commands with a ticket that the links have not
    // taken yet are withdrawn.
    virtual void WithdrawPending() {}
    virtual bool MainVisible() const = 0;
    // Shows the command's value in the attenuator's box.
    virtual void ShowLinkAnswer(int att, const std::string& command) = 0;
    // Every attenuator of the tick has had its command.
    virtual void TickDelivered() {}
};

class TSequencerThread {
public:
    // Takes the run (its scripts and assignment) over. delivery must outlive
    // this object. Created suspended; tickPeriodMs other than TickPeriod is
    // for tests only.
    TSequencerThread(TSequencerDelivery& delivery, TSequenceRun run, int tickPeriodMs = TickPeriod);
    // Requests the stop, releases a worker waiting for its tick or for the
    // GUI thread, and joins it: bounded in time. The end-of-run notification
    // never runs after this. Call on the GUI thread, never from inside a
    // delivery.
    ~TSequencerThread();
    TSequencerThread(const TSequencerThread&) = delete;
    TSequencerThread& operator=(const TSequencerThread&) = delete;

    // Called on the GUI thread once the run has ended, by itself or after
    // Terminate. Set before Start. The handler may destroy this object.
    void SetOnTerminate(std::function<void()> handler);
    // The first tick one period from now.
    void Start();
    // The first tick at firstTick, tick k a period k times later, all on
    // the monotonic clock. Destroying the engine before then sends nothing.
    // The run keeps to that grid: ticks the engine was held back from are
    // stepped through without being sent, so the run stays on the tick of
    // the benches started at the same instant.
    void StartAt(std::chrono::steady_clock::time_point firstTick);
    // Stop request, non-blocking. A tick already waiting for its deadline is
    // still delivered, so at most one more tick of commands goes out.
    void Terminate();

    bool Started() const { return started_; }
    bool Ended() const { return ended_; }
    // Ended because no assigned sequence was running any more, as opposed
    // to a stop request.
    bool Completed() const { return completed_; }
    std::int64_t DeliveredTicks() const { return delivered_; }
    // Ticks after which the schedule went on from "now" because the GUI
    // thread had held the engine back for more than a whole period.
    std::int64_t RebasedTicks() const { return rebased_; }
    // Ticks of a run on a grid that were stepped through without being sent
    // because the engine had been held back past them.
    std::int64_t SkippedTicks() const { return skipped_; }

private:
    struct TNotice {
        std::atomic<bool> alive{true};
        std::function<void()> handler;
    };

    void Begin(std::chrono::steady_clock::time_point firstTick, TTickSchedule::TLate late);
    void Execute();
    void DeliverTick();
    bool SleepUntil(std::chrono::steady_clock::time_point deadline);
    static void RaisePriority();

    TSequencerDelivery& delivery_;
    TSequenceRun run_;  // engine thread only (and DeliverTick while it waits)
    const std::chrono::milliseconds period_;
    std::chrono::steady_clock::time_point firstTick_;  // set before the worker starts
    TTickSchedule::TLate late_ = TTickSchedule::TLate::Rebase;  // likewise
    int ticksToShow_ = 1;  // engine thread, and DeliverTick while it waits

    std::atomic<bool> started_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::atomic<bool> completed_{false};
    std::atomic<std::int64_t> delivered_{0};
    std::atomic<std::int64_t> rebased_{0};
    std::atomic<std::int64_t> skipped_{0};

    std::mutex sleepMutex_;
    std::condition_variable sleepCv_;
    bool abort_ = false;  // under sleepMutex_: the owner is going away

    std::shared_ptr<TNotice> notice_;
    TGuiGate gate_;
    std::thread thread_;
};

// An instant of the system clock on the monotonic clock, converted now: a
// later step of the system clock does not move it.
std::chrono::steady_clock::time_point SteadyInstant(std::chrono::system_clock::time_point instant);

// One tick's delivery of a run, as the engine runs it on the GUI thread: the
// graph moves on by ticks periods (more than one after skipped ticks), then every enabled attenuator with a command gets it in
// its own unit as its link's pending command and, while its link can take
// it, in its box and on its curve.
void DeliverRunTick(TSequencerDelivery& delivery, const TSequenceRun& run, int ticks = 1);
