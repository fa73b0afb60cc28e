// Commands and link requests: verified sets, direct posts, refresh.

#include "LinkFixture.h"

namespace {

std::vector<long long> TimesOf(const std::vector<TSimLine>& lines, const std::string& text) {
    std::vector<long long> t;
    for (const auto& l : lines)
        if (l.line == text)
            t.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(l.time.time_since_epoch()).count());
    return t;
}

TEST_F(LinkTest, VerifiedSetThatNeverMatchesResendsThreeTimesThenShowsTheTruth) {
    StartLink(TLinkTimings());  // the protocol's own pauses
    ASSERT_TRUE(WaitReady());
    SetFaults([](TSimFaults& f) { f.readbackOffset = -1; });
    view.events.clear();
    sim.ClearLines();

    link->SetAttenuation("0", 57);
    // The re-send pauses (up to 450 ms) are the link's: the GUI thread keeps
    // running its events meanwhile.
    long long last = MonotonicMs(), longestGuiGap = 0;
    ASSERT_TRUE(WaitUntil([&] {
        const long long now = MonotonicMs();
        longestGuiGap = std::max(longestGuiGap, now - last);
        last = now;
        return !link->Verifying();
    }, 15000));
    EXPECT_LT(longestGuiGap, 400);
    PumpEvents(300);  // nothing more may follow

    const auto lines = sim.Lines(att);
    const auto sends = TimesOf(lines, "ATT 0 057");
    const auto reads = TimesOf(lines, "STA?");
    ASSERT_EQ(sends.size(), 4u);
    ASSERT_EQ(reads.size(), 4u);
    // Each read-back follows its send; re-send n waits n x 150 ms after the
    // read-back's reply (which itself comes 100 ms after the query).
    for (int k = 1; k <= 3; ++k) {
        const long long gap = sends[k] - reads[k - 1];
        EXPECT_GE(gap, 100 + 150 * k - 5) << "re-send " << k;
        EXPECT_LE(gap, 100 + 150 * k + 400) << "re-send " << k;
    }
    // After the fourth read-back the box is given what the attenuator holds.
    EXPECT_EQ(view.Answers(), (std::vector<std::string>{"STA 0 056"}));
    EXPECT_TRUE(view.Statuses().empty());
    ASSERT_EQ(view.ends.size(), 1u);
    EXPECT_EQ(view.ends[0].End, TSetOutcome::TEnd::Mismatch);
    EXPECT_EQ(view.ends[0].Expected, 57);
    EXPECT_EQ(view.ends[0].ReadBack, 56);
}

TEST_F(LinkTest, ReadBackAsAttLineConfirmsAtOnce) {
    SetFaults([](TSimFaults& f) { f.statePrefix = "ATT"; });
    StartLink();
    ASSERT_TRUE(WaitReady());
    view.events.clear();
    const std::uint64_t serial = link->SetAttenuation("0", 57);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire("STA?") >= 2 && !link->Verifying(); }));
    PumpEvents(400);
    EXPECT_EQ(CountOnWire("ATT 0 057"), 1);
    EXPECT_EQ(sim.Attenuation(att), 57);
    EXPECT_TRUE(view.Answers().empty());  // the box is not touched while verifying
    ASSERT_EQ(view.ends.size(), 1u);
    EXPECT_TRUE(view.ends[0].Confirmed());
    EXPECT_EQ(view.ends[0].Serial, serial);
    EXPECT_EQ(view.ends[0].ReadBack, 57);
}

TEST_F(LinkTest, UnreadableReadBackEndsVerificationWithoutChange) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    // "STA 0 X 0 057": positions 7-9 are not a number.
    SetFaults([](TSimFaults& f) { f.statePrefix = "STA 0 X"; });
    view.events.clear();
    link->SetAttenuation("0", 57);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire("STA?") >= 2 && !link->Verifying(); }));
    PumpEvents(500);
    EXPECT_EQ(CountOnWire("ATT 0 057"), 1);
    EXPECT_TRUE(view.events.empty());
    ASSERT_EQ(view.ends.size(), 1u);
    EXPECT_EQ(view.ends[0].End, TSetOutcome::TEnd::Unreadable);
}

TEST_F(LinkTest, DirectPostEndsVerificationSoNoResendOverwritesIt) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    SetFaults([](TSimFaults& f) { f.readbackOffset = 1; });
    const std::uint64_t first = link->SetAttenuation("0", 57);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire("ATT 0 057") >= 1; }));
    // A newer verified set ends the first one at once, and so does a direct post.
    const std::uint64_t second = link->SetAttenuation("0", 57);
    link->SetPendingCommand("ATT 0 030");
    EXPECT_FALSE(link->Verifying());
    ASSERT_EQ(view.ends.size(), 2u);
    EXPECT_EQ(view.ends[0].Serial, first);
    EXPECT_EQ(view.ends[1].Serial, second);
    EXPECT_EQ(view.ends[1].End, TSetOutcome::TEnd::Superseded);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire("ATT 0 030") == 1; }));
    PumpEvents(1200);  // longer than every re-send pause
    const auto w = Wire();
    const auto last030 = std::find(w.rbegin(), w.rend(), "ATT 0 030");
    EXPECT_EQ(std::find(w.rbegin(), last030, "ATT 0 057"), last030) << "a re-send came after the newer command";
    EXPECT_EQ(sim.Attenuation(att), 30);
}

TEST_F(LinkTest, TwoPostsBeforeTheLinkTakesOneSendOnlyTheSecond) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    // Both posts happen within one GUI step, so Dispatch cannot run between.
    link->SetPendingCommand("ATT 0 010");
    link->SetPendingCommand("ATT 0 020");
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire("ATT 0 020") == 1; }));
    PumpEvents(200);
    EXPECT_EQ(CountOnWire("ATT 0 010"), 0);
    EXPECT_EQ(sim.Attenuation(att), 20);
    // An unverified command reads nothing back.
    EXPECT_EQ(CountOnWire("STA?"), 1);
}

TEST_F(LinkTest, NameCommandAndUnknownTextInPendingCommand) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    link->SetPendingCommand("N0 AB12");
    ASSERT_TRUE(WaitUntil([&] { return sim.Name(att) == "AB12"; }));
    EXPECT_EQ(link->PendingCommand(), "");
    link->SetPendingCommand("HELLO");
    PumpEvents(200);
    EXPECT_EQ(link->PendingCommand(), "HELLO");  // kept until replaced
    EXPECT_EQ(CountOnWire("HELLO"), 0);
}

TEST_F(LinkTest, ReadAttReadsTheValueAgain) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    sim.SetAttenuation(att, 321);
    link->SetPendingCommand("READATT");
    ASSERT_TRUE(WaitUntil([&] { return view.Answers().back() == "STA 0 321"; }));
}

TEST_F(LinkTest, RefreshOnAConnectedLinkReconnectsAndEndsASetInProgress) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    // The attenuator reads back a wrong value, so the link re-sends; the
    // refresh asked for during those re-sends is not lost.
    SetFaults([](TSimFaults& f) { f.readbackOffset = 1; });
    link->SetAttenuation("0", 57);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire("STA?") >= 2; }));
    view.events.clear();
    link->SetPendingCommand("REFRESH");
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(view.Statuses(), (std::vector<int>{1, 0, 3, 4}));
    EXPECT_EQ(sim.Accepted(att), 2);
    ASSERT_EQ(view.ends.size(), 1u);
    EXPECT_EQ(view.ends[0].End, TSetOutcome::TEnd::LinkLost);
}

TEST_F(LinkTest, RefreshOnADisabledLinkIsUsedUpAndDoesNothingLater) {
    link = std::make_unique<TTovarinThread>(&view, FastTimings());
    link->SetTargetHost(ip);
    link->SetTargetPort("10001");
    link->SetEnabled(false);
    link->Start();
    ASSERT_TRUE(WaitUntil([&] { return view.Count(1) >= 1; }));
    link->SetPendingCommand("REFRESH");
    ASSERT_TRUE(WaitUntil([&] { return link->PendingCommand().empty(); }));
    link->SetEnabled(true);
    ASSERT_TRUE(WaitReady());
    PumpEvents(300);
    EXPECT_EQ(sim.Accepted(att), 1);
}

TEST_F(LinkTest, ReconfigTakesTheNewAddress) {
    TRackSimulator other;
    const std::string ip2 = TRackSimulator::FreeLoopbackAddress(10002, 1);
    TSimAttenuator a;
    a.ip = ip2;
    a.port = 10002;
    a.name = "SEC2";
    const int att2 = other.Add(a);
    other.Start();
    StartLink();
    ASSERT_TRUE(WaitReady());
    view.events.clear();
    link->SetTargetHost(ip2);
    link->SetTargetPort("10002");
    link->SetPendingCommand("RECONFIG");
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(other.Accepted(att2), 1);
    EXPECT_EQ(view.Answers().front(), "NAM 0 SEC2");
    link.reset();
}

}  // namespace
