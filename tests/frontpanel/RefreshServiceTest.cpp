// The refresh request on the session D-Bus, called by another connection
// through a private bus daemon, and the program without any bus.

#include "MainFormFixture.h"
#include "frontpanel/RemoteAccess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string g_busAddress;  // the private session bus of this test process

TEST_F(MainFormTest, RefreshLinkOnTheSessionBusRefreshesOneLinkAndIgnoresOtherNumbers) {
    ASSERT_FALSE(g_busAddress.empty()) << "no private session bus (dbus-daemon)";
    Serve({{935, "BUS1", 0}, {935, "BUS2", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "BUS1"));
    ASSERT_TRUE(WaitUsable(2, "BUS2"));
    TRemoteAccess remote(*form);
    ASSERT_TRUE(remote.OfferDBus(QDBusConnection::sessionBus()));

    // Another program: a connection of its own to the same bus.
    QDBusConnection caller = QDBusConnection::connectToBus(QString::fromStdString(g_busAddress), "caller");
    ASSERT_TRUE(caller.isConnected());
    for (int box : {9, 0, 2}) {
        QDBusMessage call = QDBusMessage::createMethodCall(TRemoteService::ServiceName, TRemoteService::ObjectPath,
                                                           TRemoteService::InterfaceName, "RefreshLink");
        call << box;
        QDBusPendingCallWatcher reply(caller.asyncCall(call));
        ASSERT_TRUE(WaitUntil([&] { return reply.isFinished(); }));
        EXPECT_FALSE(reply.isError()) << box << ": " << reply.error().message().toStdString();
    }
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(simIndex[1]) == 2 && CountOnWire(1, "IDN?") == 2; }));
    PumpEvents(300);
    EXPECT_EQ(sim.Accepted(simIndex[0]), 1);
    QDBusConnection::disconnectFromBus("caller");
}

TEST(RefreshServiceWithoutBus, ProgramStartsSilently) {
    for (const char* address : {"", "unix:path=/nonexistent/bus"}) {
        SCOPED_TRACE(address);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");  // no bus to start for an X session either
        if (*address == 0)
            env.remove("DBUS_SESSION_BUS_ADDRESS");
        else
            env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"--without-bus"});
        ASSERT_TRUE(child.waitForFinished(30000));
        EXPECT_EQ(child.exitCode(), 0);  // not offered, and no crash
        EXPECT_EQ(child.readAllStandardError().toStdString(), "");
        EXPECT_EQ(child.readAllStandardOutput().toStdString(), "");
    }
}

// The child of ProgramStartsSilently: the window and its bus hook, as the
// program starts them. Exits with 1 when the hook was offered after all.
int RunWithoutBus(int argc, char** argv) {
    const QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QApplication app(argc, argv);
    TMainForm form;
    form.show();
    TRemoteAccess remote(form);
    const bool offered = remote.OfferDBus(QDBusConnection::sessionBus());
    PumpEvents(200);
    return offered ? 1 : 0;
}

// A private session bus daemon that also ends should this process die.
struct TPrivateBus {
    pid_t pid = -1;
    std::string address;
};

TPrivateBus StartBus() {
    TPrivateBus bus;
    int fds[2];
    if (::pipe(fds) != 0) return bus;
    bus.pid = ::fork();
    if (bus.pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::close(fds[0]);
        const std::string print = "--print-address=" + std::to_string(fds[1]);
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", print.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char c;
    while (bus.pid > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') bus.address += c;
    ::close(fds[0]);
    return bus;
}

void StopBus(const TPrivateBus& bus) {
    if (bus.pid <= 0) return;
    ::kill(bus.pid, SIGTERM);
    ::waitpid(bus.pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::string(argv[1]) == "--without-bus") return RunWithoutBus(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    TPrivateBus bus;
    if (!::testing::GTEST_FLAG(list_tests)) {
        bus = StartBus();
        g_busAddress = bus.address;
        // Before the application object, as a desktop session sets it.
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(bus.address));
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    StopBus(bus);
    return rc;
}
