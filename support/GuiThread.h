#pragma once
// Hand-over of a step from a worker thread to the GUI thread.
//
// A worker (a rack link, the sequencer engine) never touches windows itself:
// it hands a step to the GUI thread and blocks until the GUI thread has run
// it. Each worker owns one TGuiGate; closing the gate releases a worker that
// is waiting and makes every later call return at once without running its
// step, so a GUI thread that is about to destroy a worker (or the whole
// program) can never deadlock against it.

#include <functional>
#include <memory>

class TGuiGate {
public:
    TGuiGate();
    ~TGuiGate();
    TGuiGate(const TGuiGate&) = delete;
    TGuiGate& operator=(const TGuiGate&) = delete;

    // Runs step on the GUI thread and waits for it. Called on the GUI thread
    // itself, it runs the step directly. Returns false, without running the
    // step, when the gate is closed (or closes while waiting) or when no
    // application object exists.
    bool RunOnGuiThread(const std::function<void()>& step);

    // The poll of an idle worker: like RunOnGuiThread, but the step runs on a
    // grid of periodMs on the monotonic clock, together with the polls of
    // every other idle worker, or earlier when Expedite is called. After
    // each run, again() is asked on the GUI thread: while it is true the
    // poll found nothing, and the step runs again at the next tick without
    // waking the worker, which returns once again() is false (or the gate
    // closes).
    bool RunOnGuiThreadIdle(const std::function<void()>& step, int periodMs,
                            const std::function<bool()>& again);
    // Hands step to the GUI thread without waiting for it, through the same
    // queue as RunOnGuiThread, so that everything the worker did before is
    // visible to the step. The step runs later (also when called on the GUI
    // thread), unless the gate is closed before it starts. Returns false when
    // the gate is closed or no application object exists.
    bool Post(std::function<void()> step);

    // GUI thread: something was posted for this gate's worker; its waiting
    // (or next) idle poll runs as soon as the current GUI step returns.
    void Expedite();

    // Closes the gate: a waiting worker returns false at once and a step that
    // was posted but has not started is dropped. Safe from any thread; when
    // called on the GUI thread, no step of this gate runs after it returns.
    void Close();
    bool IsClosed() const;

    // Closes every gate that exists; run when the application is about to
    // quit, so that no worker stays blocked on a GUI thread that is gone.
    static void CloseAll();

    struct State;  // shared with the calls in flight; defined in the .cpp

private:
    bool Run(const std::function<void()>& step, int idlePeriod, const std::function<bool()>* again);
    std::shared_ptr<State> state_;
};

// True when called on the thread of the application object.
bool IsGuiThread();
