// The rack simulator as tests and the rack-sim program use it.

#include "tools/simulator/RackSimulator.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

// A plain client: sends lines, reads what comes back within a short while.
class TClient {
public:
    TClient(const std::string& ip, int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        timeval tv{0, 300000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    }
    ~TClient() { ::close(fd_); }
    bool Connected() const { return connected_; }
    void Send(const std::string& text) { [[maybe_unused]] auto n = ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL); }
    std::string Receive() {
        std::string all;
        char buf[512];
        ssize_t n;
        while ((n = ::recv(fd_, buf, sizeof buf, 0)) > 0) all.append(buf, static_cast<std::size_t>(n));
        return all;
    }

private:
    int fd_;
    bool connected_ = false;
};

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        a.ip = TRackSimulator::FreeLoopbackAddress(10001, 1);
        a.maxAtt = 630;
        a.name = "SIM1";
        att = sim.Add(a);
        sim.Start();
    }
    TSimAttenuator a;
    TRackSimulator sim;
    int att = 0;
};

TEST_F(SimulatorTest, AnswersLikeAnAttenuatorAndKeepsWhatItIsTold) {
    TClient c(a.ip, 10001);
    ASSERT_TRUE(c.Connected());
    c.Send("IDN?\r\nN?\r\nATT 0 057\r\nN0 AB12\r\nSTA?\r\nATT 0 999\r\nSTA?\r\n");
    EXPECT_EQ(c.Receive(), "IDN A1B2C3,630,V2\r\nNAM 0 SIM1\r\nSTA 0 057\r\nSTA 0 630\r\n");
    EXPECT_EQ(sim.Name(att), "AB12");
    EXPECT_EQ(sim.Attenuation(att), 630);  // held at its maximum
    EXPECT_EQ(sim.Lines(att).size(), 7u);
}

TEST_F(SimulatorTest, ObserverMayCallTheSimulator) {
    std::atomic<int> seen{0};
    sim.SetLineObserver([&](const TSimLine& l) {
        if (sim.Address(l.att) == a.ip + ":10001") ++seen;  // would deadlock under the lock
    });
    TClient c(a.ip, 10001);
    c.Send("STA?\r\nSTA?\r\n");
    c.Receive();
    EXPECT_TRUE(sim.WaitForLines(att, [](const auto& lines) { return lines.size() == 2; }, 2000));
    for (int i = 0; i < 100 && seen < 2; ++i) ::usleep(10000);
    EXPECT_EQ(seen.load(), 2);
    sim.SetLineObserver(nullptr);
}

// The wire log's times are the arrivals: a line the simulator's thread reads
// late (here held by the observer of the line before) keeps the time it came.
TEST_F(SimulatorTest, StampsALineWithItsArrivalNotItsReading) {
    using namespace std::chrono_literals;
    std::atomic<bool> holding{false};
    sim.SetLineObserver([&](const TSimLine& l) {
        if (l.line != "IDN?") return;
        holding = true;
        std::this_thread::sleep_for(400ms);
    });
    TClient c(a.ip, 10001);
    c.Send("IDN?\r\n");
    for (int i = 0; i < 200 && !holding; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(holding);
    const auto sent = std::chrono::steady_clock::now();
    c.Send("STA?\r\n");
    ASSERT_TRUE(sim.WaitForLines(att, [](const auto& lines) { return lines.size() == 2; }, 3000));
    EXPECT_LT(sim.Lines(att)[1].time - sent, 200ms);
    sim.SetLineObserver(nullptr);
}

TEST_F(SimulatorTest, RefusesAndAcceptsAgainOnDemand) {
    TSimFaults f;
    f.refuseConnections = true;
    sim.SetFaults(att, f);
    ::usleep(100000);
    EXPECT_FALSE(TClient(a.ip, 10001).Connected());
    sim.SetFaults(att, TSimFaults());
    ::usleep(100000);
    EXPECT_TRUE(TClient(a.ip, 10001).Connected());
}

TEST_F(SimulatorTest, WrongReadBackAndCloseAfterLines) {
    TSimFaults f;
    f.readbackOffset = -1;
    f.closeAfterLines = 3;
    sim.SetFaults(att, f);
    TClient c(a.ip, 10001);
    c.Send("ATT 0 057\r\nSTA?\r\nSTA?\r\nSTA?\r\n");
    // The third line closes the connection before it is answered.
    EXPECT_EQ(c.Receive(), "STA 0 056\r\n");
}

}  // namespace
