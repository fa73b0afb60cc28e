// The program as an instrument on the network: test scripts on threads of
// their own drive it through real sockets against simulated racks, while
// the GUI thread serves them.

#include "ScpiServerFixture.h"
#include "frontpanel/HelpViewer.h"
#include "remote/ScpiSession.h"
#include "sequencer/SequenceFile.h"
#include "tests/testsupport/LagProbe.h"

#include <QProcess>
#include <QTextBrowser>

#include <thread>

namespace {

TEST_F(ScpiServerTest, SetsQueriesNamesAndEveryMistakeOverASocket) {
    StartProgram({{935, "AT1", 0}, {63, "AT2", 5}}, {0, 1});
    Script([&] {
        TScpiClient c("127.0.0.1", port);
        ASSERT_TRUE(c.Connected());
        EXPECT_EQ(c.Query("*IDN?"), TScpiSession::Identity());
        EXPECT_EQ(c.Query("*idn?;*TST?;*ESE 36;*ESE?;*STB?"), TScpiSession::Identity() + ";0;36;0");
        EXPECT_EQ(c.Query("ATT1 57.3;*OPC?"), "1");
        EXPECT_EQ(c.Query("ATTenuation1:LEVel?;ATT2:MAX?;STEP?;READ?\r"), "57.5;63;1;1");
        EXPECT_EQ(c.Query(":att2 13 DB;:ATT1:MAX?;*WAI;:ATT2?"), "93.5;13");
        // The status is the box's caption: its name, once the name has come.
        EXPECT_EQ(c.Query("ATT3:READY?;STAT?;:ATT1:STAT?;NAME?"), "0;\"disabled.\";\"AT1\";\"AT1\"");
        EXPECT_EQ(c.Query("ATT2:NAME 'x1';NAME?"), "\"X1  \"");
        EXPECT_EQ(c.Query("SYST:ERR?"), "0,\"No error\"");
        // Every mistake: an error with the program's words, nothing sent.
        for (const char* bad : {"ATT9 5", "ATT0?", "FOO:BAR", "ATT1", "ATT1? 5", "ATT1 'x'", "ATT1 93.6", "ATT2 12.5",
                                "ATT3 5", "ATT1 5 5", "ATT1:MAX 5", "ATT2:NAME 'ABCDE'", "*ESE 256"})
            c.Send(std::string(bad) + "\n");
        EXPECT_EQ(c.Query("SYST:ERR:COUNT?"), "13");
        EXPECT_EQ(c.Query("*ESR?"), "48");  // command and execution errors
        const std::vector<std::string> errors = Errors(c);
        ASSERT_EQ(errors.size(), 13u);
        EXPECT_EQ(errors[0], "-114,\"Header suffix out of range; There is no attenuator 9 (1..8).\"");
        EXPECT_EQ(errors[1], "-114,\"Header suffix out of range; There is no attenuator 0 (1..8).\"");
        EXPECT_EQ(errors[2], "-113,\"Undefined header; FOO:BAR is not a command of this bench\"");
        EXPECT_EQ(errors[3], "-109,\"Missing parameter; ATT1 needs a parameter\"");
        EXPECT_EQ(errors[4], "-108,\"Parameter not allowed; ATT1? takes no parameter\"");
        EXPECT_EQ(errors[5], "-104,\"Data type error; an attenuation is a number of dB, not a string\"");
        EXPECT_EQ(errors[6], "-222,\"Data out of range; 93.6 dB is outside 0..93.5 dB for attenuator 1.\"");
        EXPECT_EQ(errors[7], "-222,\"Data out of range; \"\"12.5\"\" is finer than the 1 dB step for attenuator 2.\"");
        EXPECT_EQ(errors[8], "-200,\"Execution error; Attenuator 3 is not ready (disabled.).\"");
        EXPECT_EQ(Code(errors[9]), "-102");
        EXPECT_EQ(errors[10], "-113,\"Undefined header; ATT1:MAX is a query only\"");
        EXPECT_EQ(Code(errors[11]), "-224");
        EXPECT_EQ(Code(errors[12]), "-222");
        // A queue of 16: the overflow takes the last place.
        for (int i = 0; i < 20; ++i) c.Send("\x01\xfe garbage\n");
        const std::vector<std::string> flood = Errors(c);
        ASSERT_EQ(flood.size(), 16u);
        EXPECT_EQ(Code(flood[14]), "-102");
        EXPECT_EQ(flood[15], "-350,\"Queue overflow\"");
    });
    // The front panel shows what the script did, as if done by hand: the value sent.
    EXPECT_EQ(Box(1)->Value(), 575);
    EXPECT_EQ(Box(2)->Value(), 13);
    EXPECT_EQ(Caption(2), "X1  ");
    EXPECT_EQ(sim.Attenuation(simIndex[0]), 575);
    EXPECT_EQ(sim.Attenuation(simIndex[1]), 13);
    EXPECT_EQ(CountOnWire(1, "N0 X1  "), 1);
    PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
    EXPECT_EQ(SetsOnWire(0), 1);
    EXPECT_EQ(SetsOnWire(1), 1);
}

TEST_F(ScpiServerTest, OpcTellsAMismatchedReadBackAndANewLineInterruptsIt) {
    StartProgram({{935, "AT1", 0}, {935, "AT2", 0}}, {0, 1});
    TSimFaults wrong;
    wrong.readbackOffset = 5;
    sim.SetFaults(simIndex[0], wrong);
    Script([&] {
        TScpiClient c("127.0.0.1", port);
        EXPECT_EQ(c.Query("ATT1 57.3;ATT2 20;*OPC?"), "1");
        EXPECT_EQ(Errors(c), std::vector<std::string>{"-300,\"Device-specific error; Attenuator 1 was set to 57.5 dB "
                                                      "but read back 58.0 dB.\""});
        // *OPC: the event bit once the sets have ended.
        EXPECT_EQ(c.Query("*ESR?"), "8");
        EXPECT_EQ(c.Query("ATT2 30;*OPC;*WAI;*ESR?"), "1");
        // A line sent while *OPC? waits takes its place.
        c.Send("ATT1 10;*OPC?\n*IDN?\n");
        EXPECT_EQ(c.ReadLine(), TScpiSession::Identity());
        const std::vector<std::string> errors = Errors(c);
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(Code(errors[0]), "-410");
    });
}

TEST_F(ScpiServerTest, RstParksAndTheSequenceListHasTheAttenuatorsWhileOpen) {
    StartProgram({{935, "AT1", 400}, {63, "AT2", 10}}, {0, 1});
    std::string ramp = home.path().toStdString() + "/ramp.sqc";
    std::string error;
    // A whole-decibel bench (common maximum 63 dB): the ramp counts whole dB.
    ASSERT_TRUE(SaveSequenceFile(ramp, TSequenceFileData{{true}, {{1, 0, ActionRamp, 0, 60, 9999}}}, error)) << error;
    int setsBefore = 0;
    Script([&] {
        TScpiClient c("127.0.0.1", port);
        // As the close parks: both at the common maximum, 63 dB.
        EXPECT_EQ(c.Query("*RST;*OPC?"), "1");
        EXPECT_EQ(sim.Attenuation(simIndex[0]), 630);
        EXPECT_EQ(sim.Attenuation(simIndex[1]), 63);
        setsBefore = SetsOnWire(1);
        EXPECT_EQ(c.Query("SEQ:RUN \"" + ramp + "\";STAT?"), "RUN");
        c.Send("ATT2 10;*RST;ATT2:NAME 'AB'\nSEQ:RUN 'relative.sqc'\nSEQ:RUN '" + ramp + "'\n");
        EXPECT_EQ(c.Query("SEQ:STOP;STAT?"), "IDLE");
        c.Send("SEQuence:RUN '" + home.path().toStdString() + "/missing.sqc'\n");
        const std::vector<std::string> errors = Errors(c);
        ASSERT_EQ(errors.size(), 6u);
        EXPECT_EQ(errors[0], "-221,\"Settings conflict; The sequence list is open: the attenuators are driven by the "
                             "sequencer.\"");
        EXPECT_EQ(Code(errors[1]), "-221");
        EXPECT_EQ(Code(errors[2]), "-221");
        EXPECT_EQ(errors[3], "-224,\"Illegal parameter value; \"\"relative.sqc\"\" is not an absolute path.\"");
        EXPECT_EQ(errors[4], "-221,\"Settings conflict; Sequences are running: stop them first.\"");
        EXPECT_EQ(Code(errors[5]), "-200");
        EXPECT_NE(errors[5].find("missing.sqc"), std::string::npos);
    });
    EXPECT_EQ(SetsOnWire(1), setsBefore);  // nothing went to the box the run does not drive
    EXPECT_FALSE(form->SequencerOpen());
}

TEST_F(ScpiServerTest, AllowListLimitsAndHostileClientsCostTheGuiThreadNothing) {
    StartProgram({{935, "AT1", 0}}, {0});
    TIniFile listed;
    listed.LoadText("[Remote]\nSCPI clients=10.1.0.0/16, 127.0.0.9 ,bogus\n");
    const TScpiSettings allowing = ReadScpiSettings(listed);
    EXPECT_EQ(allowing.Problem, "\"bogus\" in \"SCPI clients\" is no address or network: it is left out.");
    TScpiServer second(remote->Core());
    ASSERT_EQ(second.Start(allowing, true), "");
    TLagProbe lag;
    Script([&] {
        // Not listed: closed at once. Listed: served.
        TScpiClient stranger("127.0.0.1", port, "127.0.0.9");
        EXPECT_EQ(stranger.Query("*IDN?"), "");
        EXPECT_TRUE(stranger.Closed());
        TScpiClient friendly("127.0.0.1", second.Port(), "127.0.0.9");
        EXPECT_EQ(friendly.Query("*IDN?"), TScpiSession::Identity());

        // Eight at once; the ninth hears why and is closed.
        std::vector<std::unique_ptr<TScpiClient>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(std::make_unique<TScpiClient>("127.0.0.1", port));
            EXPECT_EQ(clients.back()->Query("*TST?"), "0") << i;
        }
        TScpiClient ninth("127.0.0.1", port);
        EXPECT_EQ(ninth.ReadLine(), "-200,\"Execution error; the bench takes at most 8 connections at once\"");
        EXPECT_EQ(ninth.ReadLine(), "");
        EXPECT_TRUE(ninth.Closed());

        // Hostile: a line past 4096 bytes, binary garbage, a client that
        // drips bytes, one that floods queries and never reads.
        TScpiClient& longLine = *clients[0];
        longLine.Send(std::string(5000, 'A') + "\n*IDN?\n");
        EXPECT_EQ(longLine.ReadLine(), TScpiSession::Identity());
        EXPECT_EQ(Code(longLine.Query("SYST:ERR?")), "-363");
        std::string garbage;
        for (int i = 0; i < 200000; ++i) garbage += static_cast<char>((i * 7919) % 251);
        clients[1]->Send(garbage);
        for (char ch : std::string("ATT1:READ?\n")) {
            clients[2]->Send(std::string(1, ch));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(clients[2]->ReadLine(), "1");
        std::thread flood([&] {
            for (int i = 0; i < 200000; ++i) clients[3]->Send("*IDN?;*IDN?;*IDN?;*IDN?\n");  // blocks once buffers fill
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        clients[3]->Shutdown();  // the flood's sends now fail and it ends
        flood.join();
        EXPECT_EQ(clients[4]->Query("*IDN?"), TScpiSession::Identity());
    });
    // A server that read a flood in one turn would hold the loop for
    // seconds; the bound leaves room for a machine busy with other work.
    EXPECT_LT(lag.MaxLagMs(), 200);
    EXPECT_TRUE(WaitUntil([&] { return remote->Scpi().Connections() == 0; }));
}

TEST_F(ScpiServerTest, APortInUseLeavesTheProgramWorkingAndSaysSoInTheHelp) {
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
    StartProgram({{935, "AT1", 0}}, {0}, "SCPI port=" + std::to_string(holder.serverPort()) + "\n", false);
    const std::string problem = remote->StartScpi();
    EXPECT_EQ(problem.rfind("The SCPI server cannot listen on 127.0.0.1 port " + std::to_string(holder.serverPort()), 0),
              0u) << problem;
    EXPECT_FALSE(remote->Scpi().Listening());
    QWidget* help = THelpViewer::Show(QStringLiteral(ATT_SOURCE_DIR "/docs/quadrell2x4atts.html"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->findChild<QTextBrowser*>()->toPlainText().contains(QString::fromStdString(problem)));
    THelpViewer::CloseAllWindows();
    EXPECT_TRUE(Box(1)->isEnabled());  // the panel goes on
    TScpiSettings off;
    off.Port = 0;
    TScpiServer none(remote->Core());
    EXPECT_EQ(none.Start(off), "");
    EXPECT_FALSE(none.Listening());
}

TEST_F(ScpiServerTest, PyVisaExampleSetsConfirmsAndReadsBack) {
    StartProgram({{935, "AT1", 0}, {935, "AT2", 0}, {63, "AT3", 0}}, {0, 1, 2});
    QProcess script;
    script.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(ATT_SOURCE_DIR "/docs/scpi-example.py"),
                  QStringLiteral("TCPIP0::127.0.0.1::%1::SOCKET").arg(port)});
    ASSERT_TRUE(WaitUntil([&] { return script.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString()
                                    << " (python3-pyvisa, python3-pyvisa-py: scripts/deps.sh installs them)";
    EXPECT_EQ(script.readAllStandardOutput().toStdString(),
              TScpiSession::Identity() + "\n1: 10.0 dB\n2: 20.5 dB\n3: 57 dB\n-222,\"Data out of range; 99 dB is outside 0..63 dB for "
                  "attenuator 3.\"\n0,\"No error\"\n");
    EXPECT_EQ(sim.Attenuation(simIndex[1]), 205);
}

}  // namespace
