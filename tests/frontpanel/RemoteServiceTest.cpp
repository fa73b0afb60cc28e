// The front panel driven by another connection over the private session bus
// against simulated racks: sets, read-backs and signals, refused calls, and
// sequence runs through the sequence list window.

#include "MainFormFixture.h"
#include "frontpanel/RemoteAccess.h"
#include "sequencer/SequenceFile.h"
#include "sequencer/SequencerForm.h"

#include <QDBusAbstractInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <thread>

#include <unistd.h>

namespace {

// What a script sees: the interface's calls and signals.
class TPanelProxy : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit TPanelProxy(const QDBusConnection& bus)
        : QDBusAbstractInterface(TRemoteService::ServiceName, TRemoteService::ObjectPath,
                                 TRemoteService::InterfaceName, bus, nullptr) {}
signals:
    void AttenuationChanged(int box, const QString& dB);
    void StatusChanged(int box, const QString& status);
};

class RemoteServiceTest : public MainFormTest {
protected:
    void TearDown() override {
        proxy.reset();
        remote.reset();
        QDBusConnection::sessionBus().unregisterService(TRemoteService::ServiceName);
        QDBusConnection::disconnectFromBus("script");
        MainFormTest::TearDown();
    }
    // The program with the given attenuators (index as Serve) configured,
    // offering its front panel, and a script connected to it.
    void StartProgram(const std::vector<TRackAtt>& atts, const std::vector<int>& enabled) {
        Serve(atts);
        WriteSettings(WriteConfig(enabled));
        // As the program does: the service watches the window from its start.
        ASSERT_TRUE(Start(true, [this] { remote = std::make_unique<TRemoteAccess>(*form); }));
        for (std::size_t i = 0; i < enabled.size(); ++i) {
            const int n = static_cast<int>(i) + 1;
            ASSERT_TRUE(WaitUsable(n, atts[enabled[i]].name));
            ASSERT_TRUE(WaitSettled(n));
        }
        ASSERT_TRUE(remote->OfferDBus(QDBusConnection::sessionBus()));
        QDBusConnection script = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "script");
        ASSERT_TRUE(script.isConnected());
        proxy = std::make_unique<TPanelProxy>(script);
    }
    QDBusMessage Call(const char* method, const QList<QVariant>& args = {}) {
        QDBusPendingCall pending = proxy->asyncCallWithArgumentList(QString::fromLatin1(method), args);
        QDBusPendingCallWatcher watcher(pending);
        EXPECT_TRUE(WaitUntil([&] { return watcher.isFinished(); }, 20000)) << method;
        return pending.reply();
    }
    QString Text(const char* method, const QList<QVariant>& args) {
        const QDBusMessage reply = Call(method, args);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << method << ": " << reply.errorMessage().toStdString();
        return reply.arguments().value(0).toString();
    }
    // The call is refused with exactly this message.
    void ExpectRefused(const char* method, const QList<QVariant>& args, const std::string& message) {
        const QDBusMessage reply = Call(method, args);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << method;
        EXPECT_EQ(reply.errorName().toStdString(), RemoteErrorName) << method;
        EXPECT_EQ(reply.errorMessage().toStdString(), message) << method;
    }
    int SetsOnWire(int att) const {
        int c = 0;
        for (const auto& l : sim.Lines(simIndex[att])) c += l.line.rfind("ATT ", 0) == 0;
        return c;
    }
    std::string Sequence(const std::string& name, std::array<bool, 8> atts, std::vector<TActionRow> rows) {
        const std::string path = home.path().toStdString() + "/" + name;
        std::string error;
        EXPECT_TRUE(SaveSequenceFile(path, TSequenceFileData{atts, std::move(rows)}, error)) << error;
        return path;
    }
    // A blocking call as a script makes it, from a thread of its own.
    static QDBusMessage ScriptCall(const char* method, const QList<QVariant>& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(TRemoteService::ServiceName, TRemoteService::ObjectPath,
                                                        TRemoteService::InterfaceName, method);
        m.setArguments(args);
        return QDBusConnection(QStringLiteral("script")).call(m, QDBus::Block, 30000);
    }
    static TSequencerForm* OpenList() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* list = qobject_cast<TSequencerForm*>(w); list && list->isVisible()) return list;
        return nullptr;
    }

    std::unique_ptr<TRemoteAccess> remote;
    std::unique_ptr<TPanelProxy> proxy;
};

TEST_F(RemoteServiceTest, SetsAreVerifiedShownReadBackAndSignalled) {
    StartProgram({{935, "AT1", 0}, {63, "AT2", 5}}, {0, 1});
    std::vector<std::pair<int, QString>> values, statuses;
    QObject::connect(proxy.get(), &TPanelProxy::AttenuationChanged,
                     [&](int box, const QString& dB) { values.emplace_back(box, dB); });
    QObject::connect(proxy.get(), &TPanelProxy::StatusChanged,
                     [&](int box, const QString& status) { statuses.emplace_back(box, status); });
    EXPECT_EQ(Text("Name", {1}), "AT1");
    EXPECT_EQ(Text("Status", {2}), "AT2");  // the caption: its name, once it has come
    EXPECT_EQ(Text("Status", {3}), "disabled.");
    EXPECT_EQ(Text("Attenuation", {1}), "0.0");
    EXPECT_EQ(Text("Attenuation", {2}), "5");

    // Rounded to the half-decibel step of a tenths attenuator, as by hand.
    EXPECT_EQ(Text("SetAttenuation", {1, QStringLiteral("57.3")}), "57.5");
    EXPECT_EQ(Box(1)->Value(), 575);  // shown at once, as sent
    EXPECT_EQ(Text("SetAttenuation", {2, QStringLiteral(" 13 ")}), "13");
    ASSERT_TRUE(WaitUntil([&] { return Text("Attenuation", {1}) == "57.5" && Text("Attenuation", {2}) == "13"; }));
    EXPECT_EQ(sim.Attenuation(simIndex[0]), 575);
    EXPECT_EQ(sim.Attenuation(simIndex[1]), 13);
    ASSERT_TRUE(WaitUntil([&] { return values.size() >= 2; }));
    // Each box signals when its own link has read the value back; the two links race.
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::pair<int, QString>>{{1, "57.5"}, {2, "13"}}));
    EXPECT_EQ(Box(1)->Value(), 575);  // as after a hand change
    // Sent once each: the box's own report of the shown value goes nowhere.
    PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
    EXPECT_EQ(SetsOnWire(0), 1);
    EXPECT_EQ(SetsOnWire(1), 1);

    // A link that re-opens shows its steps as status signals.
    EXPECT_EQ(Call("RefreshLink", {2}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(WaitUntil([&] {
        return std::count_if(statuses.begin(), statuses.end(), [](auto& s) { return s.first == 2; }) >= 2 &&
               Text("Status", {2}) == "AT2";
    }));
    EXPECT_NE(statuses.front().second, "AT2");
    EXPECT_TRUE(std::all_of(statuses.begin(), statuses.end(), [](auto& s) { return s.first == 2; }));
}

TEST_F(RemoteServiceTest, BadCallsGetTheProgramsMessageAndSendNothing) {
    StartProgram({{935, "AT1", 0}, {63, "AT2", 5}}, {0, 1});
    for (const char* method : {"Attenuation", "Status", "Name", "Floor"})
        for (int box : {0, 9, -1}) ExpectRefused(method, {box}, RemoteBoxProblem(box, 8).value());
    EXPECT_EQ(Text("Floor", {2}), "0");  // none configured
    ExpectRefused("SetAttenuation", {9, QStringLiteral("10")}, "There is no attenuator 9 (1..8).");
    ExpectRefused("SetAttenuation", {1, QStringLiteral("ten")}, "\"ten\" is not an attenuation in dB.");
    ExpectRefused("SetAttenuation", {1, QStringLiteral("93.6")}, "93.6 dB is outside 0..93.5 dB for attenuator 1.");
    ExpectRefused("SetAttenuation", {2, QStringLiteral("64")}, "64 dB is outside 0..63 dB for attenuator 2.");
    ExpectRefused("SetAttenuation", {2, QStringLiteral("12.5")}, "\"12.5\" is finer than the 1 dB step for attenuator 2.");
    ExpectRefused("SetAttenuation", {3, QStringLiteral("10")}, "Attenuator 3 is not ready (disabled.).");
    // Wrong argument types are the bus's own refusal, and harmless.
    EXPECT_EQ(Call("SetAttenuation", {QStringLiteral("1"), 10}).type(), QDBusMessage::ErrorMessage);
    ExpectRefused("RunSequences", {QStringList{"relative.sqc"}}, "\"relative.sqc\" is not an absolute path.");
    PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
    EXPECT_EQ(SetsOnWire(0), 0);
    EXPECT_EQ(SetsOnWire(1), 0);
    EXPECT_EQ(Box(1)->Value(), 0);
    EXPECT_EQ(Text("SetAttenuation", {1, QStringLiteral("1")}), "1.0");  // still serving
}

TEST_F(RemoteServiceTest, SequencesRunAndStopThroughTheListWindowWithItsMessages) {
    StartProgram({{935, "AT1", 0}, {935, "AT2", 0}}, {0, 1});
    const QString ramp = QString::fromStdString(Sequence("ramp.sqc", {true}, {{1, 0, ActionRamp, 0, 900, 9999}}));
    const QString also1 = QString::fromStdString(Sequence("also1.sqc", {true}, {{1, 0, ActionStep, 0, 100, 50}}));
    const QString missing = home.path() + "/missing.sqc";

    // The list window is modal: its event loop runs on top of this test's,
    // so the script makes its calls from a thread of its own, as another
    // program would, and the window's steps run meanwhile.
    std::vector<QDBusMessage> r;
    bool ranOnWire = false;
    std::atomic<bool> done{false};
    std::thread script([&] {
        auto call = [&](const char* method, const QList<QVariant>& args) { r.push_back(ScriptCall(method, args)); };
        call("RunSequences", {QStringList{}});
        call("RunSequences", {QStringList{ramp, also1}});
        call("RunSequences", {QStringList{missing}});
        call("SetAttenuation", {2, QStringLiteral("10")});  // each failed run closed its window
        call("RunSequences", {QStringList{ramp}});
        ranOnWire = sim.WaitForLines(simIndex[0], [&](const std::vector<TSimLine>& lines) {
            return std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.line.rfind("ATT ", 0) == 0; }) >= 3;
        }, 10000);
        call("SetAttenuation", {2, QStringLiteral("20")});
        call("RunSequences", {QStringList{ramp}});
        call("StopSequences", {});
        call("SetAttenuation", {2, QStringLiteral("30")});  // answered once the window has closed
        done = true;
    });
    const bool finished = WaitUntil([&] { return done.load(); }, 200000);
    script.join();
    ASSERT_TRUE(finished);
    ASSERT_EQ(r.size(), 9u);
    auto error = [&](std::size_t i) {
        EXPECT_EQ(r[i].type(), QDBusMessage::ErrorMessage) << i;
        EXPECT_EQ(r[i].errorName().toStdString(), RemoteErrorName) << i;
        return r[i].errorMessage().toStdString();
    };
    auto answer = [&](std::size_t i) {
        EXPECT_EQ(r[i].type(), QDBusMessage::ReplyMessage) << i << ": " << r[i].errorMessage().toStdString();
        return r[i].arguments().value(0).toString().toStdString();
    };
    EXPECT_EQ(error(0), "Select sequence before running !");
    EXPECT_EQ(error(1), "Attenuators interferences !");
    EXPECT_NE(error(2).find("missing.sqc"), std::string::npos);
    EXPECT_EQ(answer(3), "10.0");
    answer(4);
    EXPECT_TRUE(ranOnWire);
    EXPECT_EQ(error(5), RemoteSequencerOpenMessage);
    EXPECT_EQ(error(6), RemoteAlreadyRunningMessage);
    answer(7);
    EXPECT_EQ(answer(8), "30.0");
    EXPECT_FALSE(form->SequencerOpen());
    EXPECT_EQ(OpenList(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[1]) == 300; }));
}

TEST_F(RemoteServiceTest, AScriptRunsExactlyTheFilesItNamesInTheOperatorsList) {
    StartProgram({{935, "AT1", 0}, {935, "AT2", 0}}, {0, 1});
    const std::string lower = Sequence("a.sqc", {true}, {{1, 0, ActionStep, 0, 100, 5}});
    const std::string upper = Sequence("A.sqc", {false, true}, {{1, 0, ActionStep, 0, 200, 5}});
    const std::string linked = home.path().toStdString() + "/link.sqc";
    ASSERT_EQ(::symlink(upper.c_str(), linked.c_str()), 0);

    // The operator's list holds a.sqc and A.sqc, two files; the script
    // names a.sqc, then a link to A.sqc.
    std::vector<QDBusMessage> r;
    std::atomic<bool> done{false};
    std::thread script;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        TSequencerForm* list = OpenList();
        if (!list) return;
        if (!script.joinable()) {
            list->AddFiles({lower, upper});
            script = std::thread([&] {
                r.push_back(ScriptCall("RunSequences", {QStringList{QString::fromStdString(lower)}}));
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                r.push_back(ScriptCall("RunSequences", {QStringList{QString::fromStdString(linked)}}));
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                done = true;
            });
        } else if (done && !list->Running()) {
            list->reject();
        }
    });
    driver.start(20);
    form->miSequencer->trigger();  // modal: returns once the list window has closed
    driver.stop();
    script.join();
    ASSERT_EQ(r.size(), 2u);
    for (const QDBusMessage& m : r) EXPECT_EQ(m.type(), QDBusMessage::ReplyMessage) << m.errorMessage().toStdString();
    auto sets = [&](int att) {
        std::vector<std::string> got;
        for (const auto& l : sim.Lines(simIndex[att]))
            if (l.line.rfind("ATT ", 0) == 0) got.push_back(l.line);
        return got;
    };
    EXPECT_EQ(sets(0), (std::vector<std::string>{"ATT 0 100"}));
    EXPECT_EQ(sets(1), (std::vector<std::string>{"ATT 0 200"}));
}

TEST_F(RemoteServiceTest, ProfilesRunThroughTheListWindowInEachAttenuatorsUnitAndTellTheirFaults) {
    // Attenuator 1 counts tenths, 2 whole decibels.
    StartProgram({{935, "AT1", 0}, {60, "AT2", 0}}, {0, 1});
    auto write = [&](const char* name, const char* text) {
        const QString path = home.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    };
    const QString good = write("handover.csv", "time_s,att1,att2\n0,12.5,60\n0.1,13,59\n");
    const QString bad = write("bad.csv", "time_s,att1,att2\n0,12.5,20.5\n");

    std::vector<QDBusMessage> r;
    std::atomic<bool> done{false};
    std::thread script([&] {
        auto call = [&](const char* method, const QList<QVariant>& args) { r.push_back(ScriptCall(method, args)); };
        call("RunSequences", {QStringList{bad}});
        call("RunSequences", {QStringList{good}});
        sim.WaitForLines(simIndex[1], [&](const std::vector<TSimLine>& lines) {
            return std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.line.rfind("ATT ", 0) == 0; }) >= 2;
        }, 10000);
        call("StopSequences", {});
        done = true;
    });
    const bool finished = WaitUntil([&] { return done.load(); }, 100000);
    script.join();
    ASSERT_TRUE(finished);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].errorMessage().toStdString(),
              "\"" + bad.toStdString() + "\", line 2, column 3 (att2): 20.5 dB is finer than the 1 dB step of attenuator 2.");
    EXPECT_EQ(r[1].type(), QDBusMessage::ReplyMessage) << r[1].errorMessage().toStdString();
    auto sent = [&](int k) {
        std::vector<std::string> v;
        for (const auto& l : sim.Lines(simIndex[k]))
            if (l.line.rfind("ATT ", 0) == 0) v.push_back(l.line);
        return v;
    };
    EXPECT_EQ(sent(0), (std::vector<std::string>{"ATT 0 125", "ATT 0 130"}));
    EXPECT_EQ(sent(1), (std::vector<std::string>{"ATT 0 060", "ATT 0 059"}));
}

TEST_F(RemoteServiceTest, ReadmeExampleSetsThreeAttenuatorsAndSeesTheirReadBacks) {
    StartProgram({{935, "AT1", 0}, {935, "AT2", 0}, {935, "AT3", 0}}, {0, 1, 2});
    QProcess script;
    script.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(ATT_SOURCE_DIR "/docs/remote-example.py")});
    ASSERT_TRUE(WaitUntil([&] { return script.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString()
                                    << " (python3-dbus: scripts/deps.sh installs it)";
    EXPECT_EQ(script.readAllStandardOutput().toStdString(), "1:10.0 2:20.5 3:57.5\n");
    EXPECT_EQ(sim.Attenuation(simIndex[0]), 100);
    EXPECT_EQ(sim.Attenuation(simIndex[1]), 205);
    EXPECT_EQ(sim.Attenuation(simIndex[2]), 575);
}

}  // namespace

#include "RemoteServiceTest.moc"
