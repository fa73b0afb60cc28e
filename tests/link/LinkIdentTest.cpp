// Connecting, identification and the layouts of the attenuator's replies.

#include "LinkFixture.h"

namespace {

struct IdnCase {
    const char* reply;
    const char* id;
    int maxAtt;
    const char* info;
};

class IdnLayoutTest : public LinkTest, public ::testing::WithParamInterface<IdnCase> {};

TEST_P(IdnLayoutTest, InterpretsTheIdentLine) {
    const IdnCase& c = GetParam();
    SetFaults([&](TSimFaults& f) { f.idnReply = c.reply; });
    StartLink();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(link->DeviceId(), c.id);
    EXPECT_EQ(link->MaxAtt(), c.maxAtt);
    EXPECT_EQ(link->DeviceInfo(), c.info);
    // Opened, ident, automatic mode, then the name and the value.
    const std::vector<int> expected{0, 3, 4};
    EXPECT_EQ(view.Statuses(), expected);
    EXPECT_EQ(view.Answers(), (std::vector<std::string>{"NAM 0 LAB1", "STA 0 100"}));
    // Automatic mode is taken without asking the attenuator.
    EXPECT_EQ(Wire(), (std::vector<std::string>{"IDN?", "N?", "STA?"}));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, IdnLayoutTest,
    ::testing::Values(IdnCase{"IDN A1B2C3,935,V2", "A1B2C3", 935, "V2"},
                      IdnCase{"IDN A1B2C3,935,V2,EXTRA", "A1B2C3", 935, "V2"},
                      IdnCase{"IDN A1B2C3", "A1B2C3", 0, ""},       // no comma: maximum untouched
                      IdnCase{"IDN A1B2C3,9x5,V2", "A1B2C3", 0, "V2"},  // bad maximum reads as 0
                      IdnCase{"IDN A1B2C3,063", "A1B2C3", 63, ""},
                      IdnCase{"IDN A1B", "A1B", 0, ""},             // short lines are safe
                      IdnCase{"IDN", "", 0, ""},
                      IdnCase{"IDN A1B2C3,", "A1B2C3", 0, ""}),
    [](const ::testing::TestParamInfo<IdnCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(LinkTest, IdentWithoutCommaKeepsTheMaximumOfAnEarlierConnection) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    ASSERT_EQ(link->MaxAtt(), 935);
    SetFaults([](TSimFaults& f) { f.idnReply = "IDN ZZZZZZ"; });
    view.events.clear();
    link->SetPendingCommand("REFRESH");
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(link->DeviceId(), "ZZZZZZ");
    EXPECT_EQ(link->MaxAtt(), 935);
}

TEST_F(LinkTest, ManualModeAnswerMovesOnThroughAutomaticMode) {
    SetFaults([](TSimFaults& f) { f.manualMode = true; });
    StartLink();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(view.Statuses(), (std::vector<int>{0, 5, 4}));
    EXPECT_EQ(Wire(), (std::vector<std::string>{"IDN?", "N?", "STA?"}));
}

TEST_F(LinkTest, SilentAttenuatorIsAskedAgainWithoutDropping) {
    SetFaults([](TSimFaults& f) { f.silentIdn = true; });
    StartLink();
    ASSERT_TRUE(WaitUntil([&] { return view.Count(2) >= 4; }));
    EXPECT_EQ(sim.Accepted(att), 1);
    EXPECT_EQ(view.Count(1), 0);
    EXPECT_EQ(view.Count(6), 0);
    EXPECT_GE(CountOnWire("IDN?"), 4);
    // Once it answers, the link carries on over the same connection.
    SetFaults([](TSimFaults& f) { f.silentIdn = false; });
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(sim.Accepted(att), 1);
}

TEST_F(LinkTest, SixthNonIdentAnswerDropsTheConnection) {
    SetFaults([](TSimFaults& f) { f.garbage = true; });
    StartLink();
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(att) >= 2; }));
    // The first connection heard six answers to "IDN?", each a dialogue error.
    const auto lines = sim.Lines(att);
    int idnBeforeSecond = 0;
    for (const auto& l : lines) idnBeforeSecond += l.line == "IDN?";
    EXPECT_GE(idnBeforeSecond, 6);
    const auto s = view.Statuses();
    ASSERT_GE(s.size(), 8u);
    EXPECT_EQ(std::vector<int>(s.begin(), s.begin() + 8), (std::vector<int>{0, 7, 7, 7, 7, 7, 7, 1}));
}

TEST_F(LinkTest, NameAndStateRepliesThatFitNoLayoutDrop) {
    StartLink();
    ASSERT_TRUE(WaitReady());
    SetFaults([](TSimFaults& f) { f.statePrefix = "XYZ"; });
    view.events.clear();
    link->SetPendingCommand("READATT");
    ASSERT_TRUE(WaitUntil([&] { return view.Count(1) >= 1; }));
    EXPECT_EQ(view.Statuses().front(), 7);
}

TEST_F(LinkTest, RepliesDrippedByteByByteAreReadWhole) {
    // 20 ms between bytes: the whole line takes longer than the read time-out,
    // which counts per wait for data.
    SetFaults([](TSimFaults& f) { f.dripMs = 20; });
    TLinkTimings t = FastTimings();
    t.ReadTimeout = 200;
    StartLink(t);
    ASSERT_TRUE(WaitReady(20000));
    EXPECT_EQ(link->DeviceId(), "A1B2C3");
    EXPECT_EQ(view.Answers().front(), "NAM 0 LAB1");
}

TEST_F(LinkTest, NameTimeoutSkipsTheName) {
    SetFaults([](TSimFaults& f) { f.silentName = true; });
    StartLink();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(view.Answers(), (std::vector<std::string>{"STA 0 100"}));
    EXPECT_EQ(view.Count(1), 0);
}

}  // namespace
