#pragma once
// The programs a benchmark starts beside itself: a child process with an
// environment of its own, its processor time from /proc, the private X
// display and session bus on which the desktop program runs as an operator
// would have it, and the port and files they are given.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <string>

namespace bench {

class TChild {
public:
    // Starts program with args; its standard output and error go to log.
    // Throws std::runtime_error when it does not start.
    TChild(const QString& program, const QStringList& args, const QProcessEnvironment& env, const QString& log);
    // Ends the program with SIGTERM (SIGKILL after 10 s) when it still runs.
    ~TChild();
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    long Pid() const { return static_cast<long>(process_.processId()); }
    bool Running() const { return process_.state() == QProcess::Running; }
    // User and system time of the whole process so far, in seconds.
    double CpuSeconds() const;
    // SIGTERM, then waits up to timeoutMs; the exit status, -1 when it did
    // not end in time (it is killed then).
    int Terminate(int timeoutMs);

private:
    mutable QProcess process_;
};

// A program that prints one line when it is ready (Xvfb -displayfd 1,
// dbus-daemon --print-address=1): started, and that line read.
class TDaemon {
public:
    TDaemon(const QString& program, const QStringList& args);
    ~TDaemon();
    TDaemon(const TDaemon&) = delete;
    TDaemon& operator=(const TDaemon&) = delete;
    // The line it printed; empty when it did not start within 10 s.
    const QString& Line() const { return line_; }

private:
    QProcess process_;
    QString line_;
};

// A TCP port free on 127.0.0.1 right now; 0 when none could be found.
int FreePort();
// Writes text to path, making its folder; throws std::runtime_error.
void WriteText(const QString& path, const std::string& text);

// Runs a program to its end (at most timeoutMs); true when it exited 0.
bool RunTool(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs);

}  // namespace bench
