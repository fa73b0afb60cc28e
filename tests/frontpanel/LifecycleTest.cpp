// Fifty starts and closes of the whole program with its links in every
// state at the moment of closing: connecting to an address that never
// accepts, in the middle of identification, with a verified set in flight,
// and just after a sequence run was stopped. Every close ends within 2 s.
// ATT_LIFECYCLE_CYCLES=n runs n cycles instead of fifty (the quick test run
// takes a few; the full run all fifty).

#include "MainFormFixture.h"
#include "sequencer/SequencerForm.h"
#include "sequencer/SequenceFile.h"

#include <QListWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace {

int Cycles() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ATT_LIFECYCLE_CYCLES", &ok);
    return ok && n > 0 ? n : 50;
}

// A port that takes no connection: it listens with a full backlog, so a
// connect to it waits until the connecting side gives up.
class TNeverAccepts {
public:
    TNeverAccepts(const std::string& ip, int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ok_ = ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(listener_, 0) == 0;
        // One connection fills a backlog of 0; the kernel drops later ones.
        filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ok_ = ok_ && ::connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~TNeverAccepts() {
        ::close(filler_);
        ::close(listener_);
    }
    bool Ok() const { return ok_; }

private:
    int listener_ = -1;
    int filler_ = -1;
    bool ok_ = false;
};

TEST_F(MainFormTest, RepeatedStartsAndClosesWithLinksInEveryStateEachCloseWithinTwoSeconds) {
    Serve({{935, "VSET", 0}, {935, "IDNT", 0}, {935, "SEQR", 0}});
    TSimFaults slow;
    slow.replyDelayMs = 60;  // a verified set is still in flight at the close
    sim.SetFaults(simIndex[0], slow);
    TSimFaults mute;
    mute.silentIdn = true;  // connected, waiting for the identification
    sim.SetFaults(simIndex[1], mute);
    TNeverAccepts never(ip2, 10001);
    ASSERT_TRUE(never.Ok());
    WriteSettings(WriteConfig({0, 1, 2, 4}));

    TSequenceFileData ramp;
    ramp.Selected[2] = true;
    ramp.Rows = {{1, 0, ActionRamp, 0, 500, 50}};
    const std::string file = home.path().toStdString() + "/ramp.sqc";
    std::string error;
    ASSERT_TRUE(SaveSequenceFile(file, ramp, error)) << error;

    long long longestClose = 0;
    const int cycles = Cycles();
    std::printf("%d start and close cycles\n", cycles);
    for (int cycle = 0; cycle < cycles; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        const int sets = static_cast<int>(sim.Lines(simIndex[0]).size());
        ASSERT_TRUE(Start());
        ASSERT_TRUE(WaitUsable(3, "SEQR"));
        ASSERT_TRUE(WaitUsable(1, "VSET"));
        ASSERT_TRUE(WaitSettled(1));

        bool stopped = false;
        WhenShown<TSequencerForm>([&](TSequencerForm* list) {
            list->AddFiles({file});
            list->LBSequence->selectAll();
            list->ButtonRun->click();
            WaitUntil([&] { return !list->Analyzing(); }, 20000);  // read off the GUI thread
            WaitUntil([&] { return CountOnWire(2, "ATT 0 010") > 0 || !list->Running(); }, 5000);
            list->ButtonStop->click();
            stopped = WaitUntil([&] { return !list->Running(); });
            list->reject();
        });
        form->miSequencer->trigger();
        ASSERT_TRUE(stopped);

        Box(1)->SetValue(100 + 5 * (cycle % 2));
        ASSERT_TRUE(WaitUntil([&] { return form->Link(0)->Verifying(); }));
        EXPECT_FALSE(Box(2)->isEnabled());  // still identifying
        EXPECT_FALSE(Box(4)->isEnabled());  // still connecting

        const long long start = MonotonicMs();
        form->close();
        form.reset();
        longestClose = std::max(longestClose, MonotonicMs() - start);
        ASSERT_GT(static_cast<int>(sim.Lines(simIndex[0]).size()), sets);
    }
    EXPECT_LT(longestClose, 2000);
}

}  // namespace
