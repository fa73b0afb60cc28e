#include "sequencer/SequencerThread.h"

#include "link/AttUnits.h"
#include "link/TovarinProtocol.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

TSequencerThread::TSequencerThread(TSequencerDelivery& delivery, TSequenceRun run, int tickPeriodMs)
    : delivery_(delivery),
      run_(std::move(run)),
      period_(tickPeriodMs > 0 ? tickPeriodMs : TickPeriod),
      notice_(std::make_shared<TNotice>()) {}

TSequencerThread::~TSequencerThread() {
    stop_ = true;
    {
        std::lock_guard<std::mutex> lock(sleepMutex_);
        abort_ = true;
    }
    sleepCv_.notify_all();
    gate_.Close();
    if (thread_.joinable()) thread_.join();
    notice_->alive = false;
}

void TSequencerThread::SetOnTerminate(std::function<void()> handler) {
    if (!started_) notice_->handler = std::move(handler);
}

void TSequencerThread::Start() { Begin(std::chrono::steady_clock::now() + period_, TTickSchedule::TLate::Rebase); }

void TSequencerThread::StartAt(std::chrono::steady_clock::time_point firstTick) {
    Begin(firstTick, TTickSchedule::TLate::KeepGrid);
}

void TSequencerThread::Begin(std::chrono::steady_clock::time_point firstTick, TTickSchedule::TLate late) {
    if (started_.exchange(true)) return;
    firstTick_ = firstTick;
    late_ = late;
    thread_ = std::thread(&TSequencerThread::Execute, this);
}

std::chrono::steady_clock::time_point SteadyInstant(std::chrono::system_clock::time_point instant) {
    const auto steadyNow = std::chrono::steady_clock::now();
    const auto systemNow = std::chrono::system_clock::now();
    return steadyNow + std::chrono::duration_cast<std::chrono::steady_clock::duration>(instant - systemNow);
}

void TSequencerThread::Terminate() { stop_ = true; }

void TSequencerThread::RaisePriority() {
    // One step above normal where the system allows it; otherwise the engine
    // runs at normal priority.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0) (void)::setpriority(PRIO_PROCESS, tid, nice - 1);
}

bool TSequencerThread::SleepUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(sleepMutex_);
    sleepCv_.wait_until(lock, deadline, [&] { return abort_; });
    return !abort_;
}

void TSequencerThread::Execute() {
    RaisePriority();
    TTickSchedule schedule(firstTick_ - period_, period_, late_);
    std::int64_t skipped = 0;
    for (;;) {
        // Skipped ticks of a grid are stepped through, and the next tick
        // sends where the run is at its own time.
        ticksToShow_ = static_cast<int>(skipped + 1);
        if (!(skipped > 0 ? run_.StepOver(skipped + 1) : run_.Step())) {  // no assigned sequence is running
            completed_ = !stop_;
            stop_ = true;
        }
        if (!stop_) {
            if (!SleepUntil(schedule.Deadline())) break;
            if (!gate_.RunOnGuiThread([this] { DeliverTick(); })) break;
            ++delivered_;
            skipped = schedule.Next(TTickSchedule::Clock::now());
            rebased_ = schedule.Rebased();
            skipped_ = schedule.Skipped();
        }
        if (stop_) break;
    }
    ended_ = true;
    // The notification goes through the gate like the ticks (so that it is
    // ordered after them by synchronisation a race detector sees) and holds
    // the shared notice, never this object: harmless when it runs after the
    // owner has destroyed the engine.
    gate_.Post([notice = notice_] {
        if (!notice->alive || !notice->handler) return;
        std::function<void()> handler = notice->handler;  // survives the owner's deletion
        handler();
    });
}

void TSequencerThread::DeliverTick() { DeliverRunTick(delivery_, run_, ticksToShow_); }

void DeliverRunTick(TSequencerDelivery& delivery, const TSequenceRun& run, int ticks) {
    // The graph moves on by the ticks of sequence time, whatever the tick
    // period the engine was built with.
    delivery.AdvanceTime(TickPeriod * ticks);
    for (int att = 1; att <= TBaieScripts::AttCount; ++att) {
        if (run.Command(att).empty() || !delivery.AttEnabled(att)) continue;
        // A sequence counts in the unit the bench had when the run started; a
        // profile's values are already in the attenuator's own unit. Each
        // attenuator is sent its own unit, within its maximum.
        const int maxAtt = delivery.AttMaxAtt(att);
        const bool inTenths = run.OwnUnit(att) ? CountsTenths(maxAtt) : run.ValuesInTenths();
        const TAttValue sent = ToAttUnit(run.Value(att), inTenths, maxAtt);
        const std::string command = FormatAttCommand(SequencerChannel, sent.Value);
        delivery.SetPendingCommand(att, command, sent.Limited);
        if (!delivery.AttUsable(att)) continue;
        if (delivery.MainVisible()) delivery.ShowLinkAnswer(att, command);
        if (delivery.GraphVisible()) delivery.AddAttCommand(att, command);
    }
    delivery.TickDelivered();
}
