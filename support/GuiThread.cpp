#include "GuiThread.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

struct TGuiGate::State {
    std::mutex mutex;
    std::condition_variable cv;
    bool closed = false;
};

namespace {

// One hand-over: the step lives in the waiting worker's frame.
struct Call {
    std::shared_ptr<TGuiGate::State> state;
    const std::function<void()>* step;
    bool started = false;
    bool done = false;
};

// Runs posted calls on the GUI thread. Calls pass through a queue under our
// own mutex and a pipe wakes the GUI thread's event loop, so every hand-over
// is ordered by synchronisation that is visible in this file.
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
            // A queue that already holds calls has its wake-up on the way.
            wake = instance_->queue_.empty();
            instance_->queue_.push_back(call);
        }
        if (wake) {
            const char byte = 1;
            [[maybe_unused]] ssize_t n = ::write(instance_->pipe_[1], &byte, 1);
        }
        return true;
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
                if (queue_.empty()) return;
                call = queue_.front();
                queue_.pop_front();
            }
            auto& state = *call->state;
            {
                std::lock_guard<std::mutex> lock(state.mutex);
                if (state.closed) continue;  // the worker has been released
                call->started = true;
            }
            (*call->step)();
            std::lock_guard<std::mutex> lock(state.mutex);
            call->done = true;
            state.cv.notify_all();
        }
    }

    static TGuiDispatcher* instance_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    std::mutex queueMutex_;
    std::deque<std::shared_ptr<Call>> queue_;
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

bool TGuiGate::RunOnGuiThread(const std::function<void()>& step) {
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
    State& state = *call->state;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.closed) return false;
    }
    if (!TGuiDispatcher::Post(call)) return false;
    // Once started, the step is waited for even if the gate closes meanwhile:
    // it runs on the worker's frame.
    std::unique_lock<std::mutex> lock(state.mutex);
    state.cv.wait(lock, [&] { return call->done || (state.closed && !call->started); });
    return call->done;
}
