#include "support/GuiThread.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <vector>

struct TGuiGate::State {
    std::mutex mutex;
    std::condition_variable cv;
    bool closed = false;
    bool expedite = false;  // the next idle call is to run at once
};

namespace {

// One hand-over: the step lives in the waiting worker's frame, or, for a
// call nobody waits for, in the call itself.
struct Call {
    std::shared_ptr<TGuiGate::State> state;
    const std::function<void()>* step;
    std::function<void()> owned;  // Post: the step, kept until the call has run
    const std::function<bool()>* again = nullptr;  // idle calls: keep polling?
    int idlePeriod = 0;  // 0: run at once; else run on the idle grid
    bool running = false;
    bool done = false;
};

// Runs one call on the GUI thread unless its worker has been released.
// Returns true when an idle call is to run again at the next tick, its
// worker still waiting.
bool RunCall(Call& call) {
    auto& state = *call.state;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.closed) return false;  // the worker has been released
        call.running = true;
    }
    (*call.step)();
    const bool again = call.again != nullptr && (*call.again)();
    std::lock_guard<std::mutex> lock(state.mutex);
    call.running = false;
    const bool keep = again && !state.closed;
    call.done = !keep;
    // A poll that goes on leaves its worker asleep.
    if (!keep) state.cv.notify_all();
    return keep;
}

// Runs posted calls on the GUI thread. Calls pass through queues under our
// own mutex and a pipe wakes the GUI thread's event loop, so every hand-over
// is ordered by synchronisation that is visible in this file.
//
// Idle calls (the polls of idle workers) are gathered and run together on a
// grid timer, so that the GUI thread wakes once per period for all of them
// and each worker wakes once per poll.
class TGuiDispatcher : public QObject {
public:
    explicit TGuiDispatcher(QCoreApplication* app) : QObject(app) {
        if (::pipe(pipe_) == 0) {
            for (int fd : pipe_) {
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
                ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            }
            notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
            connect(notifier_, &QSocketNotifier::activated, this, &TGuiDispatcher::Drain);
        }
        grid_.setSingleShot(true);
        grid_.setTimerType(Qt::PreciseTimer);
        connect(&grid_, &QTimer::timeout, this, &TGuiDispatcher::GridTick);
    }
    ~TGuiDispatcher() override {
        {
            std::lock_guard<std::mutex> lock(InstanceMutex());
            if (instance_ == this) instance_ = nullptr;
        }
        TGuiGate::CloseAll();
        for (int fd : pipe_)
            if (fd >= 0) ::close(fd);
    }

    static std::mutex& InstanceMutex() {
        static std::mutex m;
        return m;
    }
    // The dispatcher of the running application, created on its thread.
    static void Install() {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr || app->thread() != QThread::currentThread()) return;
        std::lock_guard<std::mutex> lock(InstanceMutex());
        if (instance_ != nullptr) return;
        instance_ = new TGuiDispatcher(app);
        QObject::connect(app, &QCoreApplication::aboutToQuit, instance_, &TGuiGate::CloseAll);
    }
    static bool Post(const std::shared_ptr<Call>& call) {
        std::lock_guard<std::mutex> lock(InstanceMutex());
        if (instance_ == nullptr || instance_->pipe_[1] < 0) return false;
        bool wake;
        {
            std::lock_guard<std::mutex> q(instance_->queueMutex_);
            if (call->idlePeriod == 0) {
                // A queue that already holds calls has its wake-up on the way.
                wake = instance_->queue_.empty();
                instance_->queue_.push_back(call);
            } else {
                // The first idle call asks the GUI thread to start the grid.
                wake = !instance_->gridArmed_;
                instance_->gridArmed_ = true;
                instance_->idle_.push_back(call);
            }
        }
        if (wake) {
            const char byte = 1;
            [[maybe_unused]] ssize_t n = ::write(instance_->pipe_[1], &byte, 1);
        }
        return true;
    }
    // GUI thread: runs the idle call of state soon, or, when its worker is
    // not waiting yet, makes its next idle call run at once.
    static void Expedite(const std::shared_ptr<TGuiGate::State>& state) {
        TGuiDispatcher* self;
        {
            std::lock_guard<std::mutex> lock(InstanceMutex());
            self = instance_;
        }
        if (self == nullptr) return;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->expedite = true;
        }
        self->expedited_.push_back(state);
        // Queued, not run here: a caller that posts twice in one step still
        // has only its second post taken.
        if (self->expedited_.size() == 1)
            QMetaObject::invokeMethod(self, &TGuiDispatcher::RunExpedited, Qt::QueuedConnection);
    }

private:
    void Drain() {
        char buf[256];
        while (::read(pipe_[0], buf, sizeof buf) > 0) {
        }
        for (;;) {
            std::shared_ptr<Call> call;
            {
                std::lock_guard<std::mutex> q(queueMutex_);
                if (queue_.empty()) break;
                call = queue_.front();
                queue_.pop_front();
            }
            // An expedited poll that found nothing goes on polling on the grid.
            if (RunCall(*call)) {
                std::lock_guard<std::mutex> q(queueMutex_);
                idle_.push_back(call);
                gridArmed_ = true;
            }
        }
        bool arm;
        {
            std::lock_guard<std::mutex> q(queueMutex_);
            arm = gridArmed_ && !grid_.isActive();
        }
        if (arm) ArmGrid();
    }

    // Starts the grid timer for the next multiple of the shortest period of
    // the waiting idle calls on the monotonic clock.
    void ArmGrid() {
        int period = 0;
        {
            std::lock_guard<std::mutex> q(queueMutex_);
            for (const auto& c : idle_)
                if (period == 0 || c->idlePeriod < period) period = c->idlePeriod;
            if (period == 0) period = lastPeriod_;
            lastPeriod_ = period;
        }
        const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count();
        grid_.start(static_cast<int>(period - now % period));
    }

    void GridTick() {
        std::vector<std::shared_ptr<Call>> due;
        {
            std::lock_guard<std::mutex> q(queueMutex_);
            due.swap(idle_);
            // Workers that just polled will poll again: keep the grid going
            // while there are any, and let it stop when a period brings none.
            gridArmed_ = !due.empty();
        }
        std::vector<std::shared_ptr<Call>> kept;
        for (auto& call : due)
            if (RunCall(*call)) kept.push_back(call);
        if (!kept.empty()) {
            std::lock_guard<std::mutex> q(queueMutex_);
            idle_.insert(idle_.end(), kept.begin(), kept.end());
            gridArmed_ = true;
        }
        if (!due.empty()) ArmGrid();
    }

    void RunExpedited() {
        std::vector<std::shared_ptr<TGuiGate::State>> states;
        states.swap(expedited_);
        std::vector<std::shared_ptr<Call>> now;
        {
            std::lock_guard<std::mutex> q(queueMutex_);
            for (auto it = idle_.begin(); it != idle_.end();) {
                if (std::find(states.begin(), states.end(), (*it)->state) != states.end()) {
                    now.push_back(*it);
                    it = idle_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (auto& call : now) {
            {
                std::lock_guard<std::mutex> lock(call->state->mutex);
                call->state->expedite = false;
            }
            if (RunCall(*call)) {
                std::lock_guard<std::mutex> q(queueMutex_);
                idle_.push_back(call);
                gridArmed_ = true;
            }
        }
    }

    static TGuiDispatcher* instance_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    QTimer grid_;
    int lastPeriod_ = 10;
    std::vector<std::shared_ptr<TGuiGate::State>> expedited_;  // GUI thread only
    std::mutex queueMutex_;
    std::deque<std::shared_ptr<Call>> queue_;
    std::vector<std::shared_ptr<Call>> idle_;
    bool gridArmed_ = false;
};

TGuiDispatcher* TGuiDispatcher::instance_ = nullptr;

// Registry of live gates, so that the application's shutdown can close them.
std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}
std::set<TGuiGate*>& Registry() {
    static std::set<TGuiGate*> gates;
    return gates;
}

}  // namespace

bool IsGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && app->thread() == QThread::currentThread();
}

TGuiGate::TGuiGate() : state_(std::make_shared<State>()) {
    TGuiDispatcher::Install();
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Registry().insert(this);
}

TGuiGate::~TGuiGate() {
    {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        Registry().erase(this);
    }
    Close();
}

void TGuiGate::Close() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->closed = true;
    state_->cv.notify_all();
}

bool TGuiGate::IsClosed() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->closed;
}

void TGuiGate::CloseAll() {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    for (TGuiGate* gate : Registry()) gate->Close();
}

bool TGuiGate::RunOnGuiThread(const std::function<void()>& step) { return Run(step, 0, nullptr); }

bool TGuiGate::RunOnGuiThreadIdle(const std::function<void()>& step, int periodMs,
                                  const std::function<bool()>& again) {
    return Run(step, periodMs > 0 ? periodMs : 1, &again);
}

void TGuiGate::Expedite() {
    if (IsGuiThread()) TGuiDispatcher::Expedite(state_);
}

bool TGuiGate::Post(std::function<void()> step) {
    auto call = std::make_shared<Call>();
    call->state = state_;
    call->owned = std::move(step);
    call->step = &call->owned;
    if (IsClosed()) return false;
    return TGuiDispatcher::Post(call);
}

bool TGuiGate::Run(const std::function<void()>& step, int idlePeriod, const std::function<bool()>* again) {
    if (IsGuiThread()) {
        if (IsClosed()) return false;
        step();
        return true;
    }
    // From here on only the shared state is used, never the gate itself, so
    // a gate closed and destroyed by its owner cannot be touched by a worker
    // that is still on its way out.
    auto call = std::make_shared<Call>();
    call->state = state_;
    call->step = &step;
    call->idlePeriod = idlePeriod;
    call->again = again;
    State& state = *call->state;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.closed) return false;
        // Something was posted for this worker while it was busy: its poll
        // runs at once instead of waiting for the grid.
        if (idlePeriod != 0 && state.expedite) {
            state.expedite = false;
            call->idlePeriod = 0;
        }
    }
    if (!TGuiDispatcher::Post(call)) return false;
    // A step that is running is waited for even if the gate closes
    // meanwhile: it runs on the worker's frame.
    std::unique_lock<std::mutex> lock(state.mutex);
    state.cv.wait(lock, [&] { return call->done || (state.closed && !call->running); });
    return call->done;
}
