// What a script hears of what did not happen as it asked: boxes that did not
// end parked, sets that something else replaced, files that are no sequence,
// a record that cannot be written; and a list window it opened that closes
// when its run ends.

#include "tests/remote/ScpiServerFixture.h"
#include "remote/ScpiSession.h"
#include "sequencer/SequenceFile.h"
#include "support/GuiThread.h"


namespace {

const std::string Dde = "-300,\"Device-specific error; ";

TEST_F(ScpiServerTest, RstTellsEveryBoxThatDidNotEndParked) {
    StartProgram({{935, "AT1", 0}, {935, "AT2", 0}, {935, "AT3", 0}, {935, "AT4", 0}}, {0, 1, 2, 3});
    TSimFaults offset, closing, dead;
    offset.readbackOffset = 5;  // reads back 0.5 dB more than it was set to
    closing.closeAfterLines = 1;  // closes its connection on the next line
    dead.refuseConnections = true;
    sim.SetFaults(simIndex[0], offset);
    sim.SetFaults(simIndex[1], closing);
    sim.SetFaults(simIndex[2], dead);
    sim.DropConnections(simIndex[2]);
    form->RequestLinkRefresh(3);  // its link finds the attenuator gone
    ASSERT_TRUE(WaitUntil([&] { return !Box(3)->isEnabled(); }));
    Script([&] {
        TScpiClient c("127.0.0.1", port);
        EXPECT_EQ(c.Query("*RST;*OPC?"), "1");
        const std::vector<std::string> errors = Errors(c);
        ASSERT_EQ(errors.size(), 3u) << ::testing::PrintToString(errors);
        EXPECT_EQ(errors[0], Dde + "Attenuator 1 was not parked at 93.5 dB: it holds 94.0 dB.\"");
        EXPECT_EQ(errors[1].rfind(Dde + "Attenuator 2 was not parked at 93.5 dB: its link ", 0), 0u) << errors[1];
        EXPECT_EQ(errors[2].rfind(Dde + "Attenuator 3 was not parked at 93.5 dB: its link is down (", 0), 0u)
            << errors[2];
    });
    EXPECT_EQ(sim.Attenuation(simIndex[3]), 935);
}

TEST_F(ScpiServerTest, OpcTellsASetThatSomethingElseReplacedBeforeItWasConfirmed) {
    StartProgram({{935, "AT1", 0}}, {0});
    TSimFaults slow;
    slow.replyDelayMs = 150;  // room for another set while this one is read back
    sim.SetFaults(simIndex[0], slow);
    const std::string replaced = Dde + "Attenuator 1 was set to 20.0 dB but 45.0 dB replaced it before it was confirmed.\"";
    Script([&] {
        TScpiClient c("127.0.0.1", port), other("127.0.0.1", port);
        struct Case {
            const char* by;
            std::function<void()> replace;
            std::vector<std::string> errors;
        };
        const std::vector<Case> cases = {
            {"another client", [&] { other.Send("ATT1 45\n"); }, {replaced}},
            {"the operator", [&] {
                 // Through the program's own gate, whose hand-over the
                 // thread sanitizer sees (Qt's queued call it cannot).
                 TGuiGate gate;
                 gate.RunOnGuiThread([this] { form->SetAttenuator(1, "0", 450); });
             }, {replaced}},
            {"its own next set", [&] { c.Send("ATT1 45\n"); }, {}},
        };
        for (const Case& k : cases) {
            c.Send("ATT1 20\n");
            EXPECT_EQ(c.Query("*TST?"), "0");  // the set is out
            k.replace();
            EXPECT_EQ(c.Query("*OPC?"), "1") << k.by;
            EXPECT_EQ(Errors(c), k.errors) << k.by;
            EXPECT_EQ(other.Query("*OPC?"), "1");
        }
    });
}

TEST_F(ScpiServerTest, AScriptsListClosesWhenItsRunEndsAndAPlainTextFileIsRefused) {
    StartProgram({{935, "AT1", 0}}, {0});
    const std::string dir = home.path().toStdString();
    const std::string steps = dir + "/steps.sqc", notes = dir + "/notes.txt";
    std::string error;
    ASSERT_TRUE(SaveSequenceFile(steps, TSequenceFileData{{true}, {{1, 0, ActionStep, 0, 100, 3}}}, error)) << error;
    std::ofstream(notes) << "Bench notes: attenuator 1 is the long cable.\n";
    // No run record can be made in a folder that is a plain file.
    std::ofstream(dir + "/plain") << "x";
    form->SetSequencesDir(dir + "/plain/");
    Script([&] {
        TScpiClient c("127.0.0.1", port);
        EXPECT_EQ(c.Query("SEQ:RUN '" + notes + "';STAT?"), "IDLE");
        EXPECT_EQ(Errors(c), std::vector<std::string>{"-200,\"Execution error; Cannot open file \"\"" + notes +
                                                      "\"\". It is not a sequence file: it has no \"\"ATTS SELECTED\"\" "
                                                      "or \"\"ACTIONS\"\" line.\""});
        EXPECT_EQ(c.Query("SEQ:RUN '" + steps + "';STAT?"), "RUN");
        for (int i = 0; i < 200 && c.Query("SEQ:STAT?") != "IDLE"; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // Idle: the window the script opened has closed and the front panel takes its sets again.
        EXPECT_EQ(c.Query("ATT1 10;*OPC?"), "1");
        const std::vector<std::string> errors = Errors(c);
        ASSERT_EQ(errors.size(), 1u) << ::testing::PrintToString(errors);
        EXPECT_EQ(errors[0].rfind("-250,\"Mass storage error; The run record cannot be written in " + dir + "/plain/", 0),
                  0u) << errors[0];
        c.Query("SEQ:STOP;STAT?");  // should this fail, no list is left open
    });
    EXPECT_FALSE(form->SequencerOpen());
    EXPECT_EQ(sim.Attenuation(simIndex[0]), 100);
}

}  // namespace
