// Failures: refused and hanging connects, time-outs, peers that close or
// flood, disabling, and prompt termination.

#include "LinkFixture.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

TEST_F(LinkTest, RefusedConnectShowsTheSystemTextAndRetries) {
    SetFaults([](TSimFaults& f) { f.refuseConnections = true; });
    StartLink();
    ASSERT_TRUE(WaitUntil([&] { return view.Count(6) >= 3; }));
    EXPECT_EQ(link->ErrorText(), "Connection refused");
    SetFaults([](TSimFaults& f) { f.refuseConnections = false; });
    ASSERT_TRUE(WaitReady());
}

TEST_F(LinkTest, UnknownHostIsASocketError) {
    link = std::make_unique<TTovarinThread>(&view, FastTimings());
    link->SetTargetHost("no-such-host.invalid");
    link->SetTargetPort("10001");
    link->Start();
    ASSERT_TRUE(WaitUntil([&] { return view.Count(6) >= 1; }));
    EXPECT_EQ(link->ErrorText(), "Host not found");
}

TEST_F(LinkTest, FourthStateTimeoutOnAConnectionDropsItDespiteGoodReadsBetween) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    // Three time-outs, each followed by a good read on the retry.
    for (int i = 0; i < 3; ++i) {
        const int before = CountOnWire("STA?");
        SetFaults([](TSimFaults& f) { f.silentState = true; });
        link->SetPendingCommand("READATT");
        ASSERT_TRUE(WaitUntil([&] { return CountOnWire("STA?") == before + 1; }));
        SetFaults([](TSimFaults& f) { f.silentState = false; });
        ASSERT_TRUE(WaitUntil([&] { return CountOnWire("STA?") == before + 2; }));
        ASSERT_TRUE(WaitUntil([&] { return link->PendingCommand().empty(); }));
        PumpEvents(50);
    }
    EXPECT_EQ(sim.Accepted(att), 1);
    view.events.clear();
    SetFaults([](TSimFaults& f) { f.silentState = true; });
    link->SetPendingCommand("READATT");
    ASSERT_TRUE(WaitUntil([&] { return view.Count(6) >= 1; }));
    EXPECT_EQ(view.Statuses().front(), 6);
    EXPECT_EQ(link->ErrorText(), "Connection timed out");
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(att) == 2; }));
}

TEST_F(LinkTest, ClearingEnabledKeepsTheConnectionUntilTheNextDrop) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    link->SetEnabled(false);
    PumpEvents(300);
    EXPECT_EQ(sim.OpenConnections(att), 1);
    link->SetAttenuation("0", 40);  // still usable meanwhile
    ASSERT_TRUE(WaitUntil([&] { return sim.Attenuation(att) == 40; }));
    sim.DropConnections(att);
    ASSERT_TRUE(WaitUntil([&] { return !link->Connected(); }));
    PumpEvents(500);
    EXPECT_EQ(sim.Accepted(att), 1);
    EXPECT_FALSE(link->Connected());
}

TEST_F(LinkTest, EndlessLineIsADialogueErrorAndDrops) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    SetFaults([](TSimFaults& f) { f.endlessLine = true; });
    view.events.clear();
    link->SetPendingCommand("READATT");
    ASSERT_TRUE(WaitUntil([&] { return view.Count(1) >= 1; }));
    const auto s = view.Statuses();  // the reconnection may follow at once
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(std::vector<int>(s.begin(), s.begin() + 2), (std::vector<int>{7, 1}));
    SetFaults([](TSimFaults& f) { f.endlessLine = false; });
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(att) >= 2; }));
}

TEST_F(LinkTest, PeerThatClosesIsDroppedWithoutKillingTheProgram) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    // The next line closes the connection; later sends meet a closed socket.
    SetFaults([](TSimFaults& f) { f.closeAfterLines = 1; });
    view.events.clear();
    for (int i = 0; i < 5; ++i) {
        link->SetPendingCommand("ATT 0 01" + std::to_string(i));
        PumpEvents(30);
    }
    ASSERT_TRUE(WaitUntil([&] { return view.Count(6) + view.Count(1) >= 1; }));
    SetFaults([](TSimFaults& f) { f.closeAfterLines = 0; });
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(att) >= 2 && link->LinkStatus() == 4; }));
}

TEST_F(LinkTest, ClosedConnectionIsNoticedWhileIdleAndNothingIsWrittenIntoIt) {
    // The client writes nothing once its socket tells that the peer closed.
    TTovarinSend client;
    client.TargetHost = ip;
    client.TargetPort = "10001";
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(client.SendLine("STA?"));
    EXPECT_EQ(client.ReadLine(), "STA 0 100");
    sim.DropConnections(att);
    ASSERT_TRUE(WaitUntil([&] { return client.PeerClosed(); }));
    EXPECT_FALSE(client.SendLine("ATT 0 150"));
    EXPECT_EQ(client.LastError(), ECONNRESET);

    // An idle link notices the close by itself, says so as a read of it
    // would, and connects again; watching writes nothing.
    StartLink();
    ASSERT_TRUE(WaitReady());
    const auto before = Wire();
    view.events.clear();
    sim.DropConnections(att);
    ASSERT_TRUE(WaitUntil([&] { return !view.Statuses().empty(); }, 5000));
    EXPECT_EQ(view.Statuses().front(), TTovarinThread::StatusSocketError);
    EXPECT_EQ(link->ErrorText(), "Connection reset by peer");
    ASSERT_TRUE(WaitReady());  // connected again: the value was read
    auto after = Wire();
    after.resize(before.size() + 3);
    EXPECT_EQ(after, ([&] {
                  auto w = before;
                  w.insert(w.end(), {"IDN?", "N?", "STA?"});
                  return w;
              })());
    EXPECT_EQ(CountOnWire("ATT 0 150"), 0);
}

// A listener whose backlog is full: further connects hang unanswered.
class HangingListener {
public:
    explicit HangingListener(const std::string& ip) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(10001);
        ::inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::listen(fd_, 0);
        for (int i = 0; i < 3; ++i) {
            const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
            fillers_.push_back(c);
        }
        PumpEvents(100);
    }
    ~HangingListener() {
        for (int c : fillers_) ::close(c);
        ::close(fd_);
    }

private:
    int fd_;
    std::vector<int> fillers_;
};

class HangingConnectTest : public ::testing::Test {
protected:
    std::string ip = TRackSimulator::FreeLoopbackAddress(10001, 1);
    TRecordingView view;
};

TEST_F(HangingConnectTest, ConnectThatNeverCompletesTimesOut) {
    HangingListener listener(ip);
    TLinkTimings t = FastTimings();
    t.ConnectTimeout = 400;
    TTovarinThread link(&view, t);
    link.SetTargetHost(ip);
    link.SetTargetPort("10001");
    link.Start();
    ASSERT_TRUE(WaitUntil([&] { return view.Count(6) >= 1; }));
    EXPECT_EQ(link.ErrorText(), "Connection timed out");
}

TEST_F(HangingConnectTest, TerminationInterruptsAConnectAndAReadAtOnce) {
    HangingListener listener(ip);
    auto link = std::make_unique<TTovarinThread>(&view, TLinkTimings());  // 21 s connect
    link->SetTargetHost(ip);
    link->SetTargetPort("10001");
    link->Start();
    PumpEvents(300);
    long long t0 = MonotonicMs();
    link.reset();
    EXPECT_LT(MonotonicMs() - t0, 1000);
    EXPECT_TRUE(view.events.empty());
}

TEST_F(LinkTest, TerminationInterruptsAWaitForAReply) {
    SetFaults([](TSimFaults& f) { f.silentIdn = true; });
    StartLink(TLinkTimings());  // 5 s read time-out
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire("IDN?") >= 1; }));
    PumpEvents(300);
    const long long t0 = MonotonicMs();
    link.reset();
    EXPECT_LT(MonotonicMs() - t0, 1000);
}

// A resolver that hangs like one whose name server never answers; it gives
// up after holdMs, or when the test lets it go.
class THangingResolver {
public:
    explicit THangingResolver(int holdMs) : state_(std::make_shared<TState>()) {
        previous_ = TTovarinSend::SetResolver([s = state_, holdMs](const std::string&, const std::string&, sockaddr_in&) {
            std::unique_lock<std::mutex> lock(s->m);
            ++s->entered;
            s->cv.wait_for(lock, std::chrono::milliseconds(holdMs), [&] { return s->released; });
            ++s->left;
            s->cv.notify_all();
            return TTovarinSend::kHostNotFound;
        });
    }
    // Restores the resolver and waits until no lookup runs in it any more.
    ~THangingResolver() {
        TTovarinSend::SetResolver(previous_);
        std::unique_lock<std::mutex> lock(state_->m);
        state_->released = true;
        state_->cv.notify_all();
        state_->cv.wait(lock, [&] { return state_->left == state_->entered; });
    }
    int Entered() const {
        std::lock_guard<std::mutex> lock(state_->m);
        return state_->entered;
    }

private:
    struct TState {
        std::mutex m;
        std::condition_variable cv;
        bool released = false;
        int entered = 0, left = 0;
    };
    std::shared_ptr<TState> state_;
    TTovarinSend::TResolver previous_;
};

TEST_F(LinkTest, NumericAddressSkipsTheResolverAndEndingNeverWaitsForAHostName) {
    THangingResolver resolver(3000);
    StartLink();  // a numeric address: no lookup at all
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(resolver.Entered(), 0);

    // A link given a name whose lookup hangs: each connect gives up after
    // its time-out and the next one waits for the same lookup again.
    TRecordingView namedView;
    TLinkTimings t = FastTimings();
    t.ConnectTimeout = 200;
    auto named = std::make_unique<TTovarinThread>(&namedView, t);
    named->SetTargetHost("rack1.lab.example");
    named->SetTargetPort("10001");
    named->Start();
    ASSERT_TRUE(WaitUntil([&] { return namedView.Count(6) >= 2; }));
    EXPECT_EQ(named->ErrorText(), "Host not found");
    EXPECT_EQ(resolver.Entered(), 1);
    PumpEvents(150);  // past the retry pause: the link waits for the lookup
    const long long t0 = MonotonicMs();
    named.reset();
    EXPECT_LT(MonotonicMs() - t0, 1000);
}

TEST_F(LinkTest, DestroyingALinkThatWaitsForTheGuiThreadDoesNotDeadlock) {
    StartLink();
    // Let the link block in a GUI-thread step without pumping events, then
    // destroy it from the GUI thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long long t0 = MonotonicMs();
    link.reset();
    EXPECT_LT(MonotonicMs() - t0, 1000);
}

}  // namespace
