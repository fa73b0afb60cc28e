#include "GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <set>

struct TGuiGate::State {
    std::mutex mutex;
    std::condition_variable cv;
    bool closed = false;
};

namespace {

// Registry of live gates, so that the application's shutdown can close them.
std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}
std::set<TGuiGate*>& Registry() {
    static std::set<TGuiGate*> gates;
    return gates;
}

// Connects CloseAll to the application's aboutToQuit once per application.
void HookApplication() {
    static QCoreApplication* hooked = nullptr;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || app == hooked) return;
    if (app->thread() != QThread::currentThread()) return;
    hooked = app;
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, &TGuiGate::CloseAll);
}

}  // namespace

bool IsGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && app->thread() == QThread::currentThread();
}

TGuiGate::TGuiGate() : state_(std::make_shared<State>()) {
    HookApplication();
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
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return false;
    if (app->thread() == QThread::currentThread()) {
        if (IsClosed()) return false;
        step();
        return true;
    }

    std::shared_ptr<State> state = state_;
    struct Call {
        bool started = false;
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->closed) return false;
    }
    // The posted call holds the shared state, never the gate, so it stays safe
    // to run (and then does nothing) after the gate and its owner are gone.
    // The step lives in the worker's frame: it is only started while the gate
    // is open, and once started the worker waits for it to finish even if the
    // gate closes meanwhile.
    const std::function<void()>* stepPtr = &step;
    QMetaObject::invokeMethod(app, [state, call, stepPtr] {
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->closed) return;
            call->started = true;
        }
        (*stepPtr)();
        std::lock_guard<std::mutex> lock(state->mutex);
        call->done = true;
        state->cv.notify_all();
    }, Qt::QueuedConnection);

    std::unique_lock<std::mutex> lock(state->mutex);
    state->cv.wait(lock, [&] { return call->done || (state->closed && !call->started); });
    return call->done;
}
