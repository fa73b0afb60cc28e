// Hand-over of steps to the GUI thread, and its release at shutdown.

#include "support/GuiThread.h"
#include "tests/testsupport/TestSupport.h"

#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(GuiGate, RunsTheStepOnTheGuiThreadAndWaitsForIt) {
    TGuiGate gate;
    std::atomic<bool> returned{false};
    bool ranOnGui = false;
    int value = 0;
    std::thread worker([&] {
        EXPECT_TRUE(gate.RunOnGuiThread([&] {
            ranOnGui = IsGuiThread();
            value = 42;
        }));
        EXPECT_EQ(value, 42);  // the step has finished before the call returns
        returned = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(ranOnGui);
}

TEST(GuiGate, OnTheGuiThreadTheStepRunsInline) {
    TGuiGate gate;
    int n = 0;
    EXPECT_TRUE(gate.RunOnGuiThread([&] { ++n; }));
    EXPECT_EQ(n, 1);
    gate.Close();
    EXPECT_FALSE(gate.RunOnGuiThread([&] { ++n; }));
    EXPECT_EQ(n, 1);
}

TEST(GuiGate, PostedStepRunsLaterOnTheGuiThreadAfterTheWorkersSteps) {
    TGuiGate gate;
    std::vector<int> order;  // GUI thread only
    bool onGui = false;
    std::atomic<bool> posted{false};
    std::thread worker([&] {
        gate.RunOnGuiThread([&] { order.push_back(1); });
        EXPECT_TRUE(gate.Post([&] {
            onGui = IsGuiThread();
            order.push_back(2);
        }));
        posted = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return posted.load(); }));
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_TRUE(onGui);

    // A step posted on the GUI thread also runs later; one not yet run when
    // the gate closes never runs.
    int n = 0;
    EXPECT_TRUE(gate.Post([&] { ++n; }));
    EXPECT_EQ(n, 0);
    ASSERT_TRUE(WaitUntil([&] { return n == 1; }));
    EXPECT_TRUE(gate.Post([&] { ++n; }));
    gate.Close();
    PumpEvents(50);
    EXPECT_EQ(n, 1);
    EXPECT_FALSE(gate.Post([&] { ++n; }));
}

TEST(GuiGate, ClosingReleasesAWaitingWorkerAndDropsItsStep) {
    auto gate = std::make_unique<TGuiGate>();
    std::atomic<int> result{-1};
    std::atomic<bool> ran{false};
    std::thread worker([&] { result = gate->RunOnGuiThread([&] { ran = true; }) ? 1 : 0; });
    // The GUI thread does not pump events: the worker stays blocked until the
    // gate closes.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(result.load(), -1);
    gate->Close();
    worker.join();
    gate.reset();
    EXPECT_EQ(result.load(), 0);
    PumpEvents(50);  // the posted call finds the gate gone and does nothing
    EXPECT_FALSE(ran.load());
}

TEST(GuiGate, CloseAllReleasesEveryGate) {
    TGuiGate a, b;
    std::atomic<int> released{0};
    std::thread wa([&] { if (!a.RunOnGuiThread([] {})) ++released; });
    std::thread wb([&] { if (!b.RunOnGuiThread([] {})) ++released; });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    TGuiGate::CloseAll();
    wa.join();
    wb.join();
    EXPECT_EQ(released.load(), 2);
    EXPECT_TRUE(a.IsClosed());
}

TEST(GuiGate, ManyWorkersShareTheGuiThread) {
    TGuiGate gate;
    int counter = 0;  // touched on the GUI thread only
    std::atomic<int> done{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 8; ++w)
        workers.emplace_back([&] {
            for (int i = 0; i < 200; ++i) gate.RunOnGuiThread([&] { ++counter; });
            ++done;
        });
    ASSERT_TRUE(WaitUntil([&] { return done.load() == 8; }, 30000));
    for (auto& t : workers) t.join();
    EXPECT_EQ(counter, 1600);
}

}  // namespace

namespace {

TEST(GuiGate, IdlePollRunsEveryPeriodWithoutWakingItsWorkerUntilItFindsSomething) {
    TGuiGate gate;
    int polls = 0;          // GUI thread only
    bool posted = false;    // GUI thread only
    std::atomic<int> returns{0};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) {
            if (!gate.RunOnGuiThreadIdle([&] { ++polls; }, 10, [&] { return !posted; })) break;
            ++returns;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    PumpEvents(200);
    EXPECT_GE(polls, 5);             // polled on the grid...
    EXPECT_EQ(returns.load(), 0);    // ...while the worker slept throughout
    // A post makes the waiting poll run at once and return.
    posted = true;
    const int before = polls;
    gate.Expedite();
    ASSERT_TRUE(WaitUntil([&] { return returns.load() >= 1; }, 5000));
    EXPECT_GE(polls, before + 1);
    // A post made while the worker is busy (here: sleeping after a return)
    // makes its next poll run at once; when that poll finds nothing after
    // all, polling goes on as before.
    ASSERT_TRUE(WaitUntil([&] { return returns.load() >= 2; }, 5000));
    posted = false;
    const int returned = returns.load();
    gate.Expedite();
    PumpEvents(100);
    const int polled = polls;
    PumpEvents(100);
    EXPECT_GE(polls, polled + 3) << "the poll stopped";
    EXPECT_LE(returns.load(), returned + 1);
    posted = true;
    gate.Expedite();
    ASSERT_TRUE(WaitUntil([&] { return returns.load() > returned + 1; }, 5000));
    // Closing releases a worker whose poll goes on.
    posted = false;
    stop = true;
    PumpEvents(50);
    gate.Close();
    worker.join();
}

}  // namespace
