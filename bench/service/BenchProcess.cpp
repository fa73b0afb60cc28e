#include "bench/service/BenchProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

TChild::TChild(const QString& program, const QStringList& args, const QProcessEnvironment& env, const QString& log) {
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(log);
    process_.start(program, args);
    if (!process_.waitForStarted(10000))
        throw std::runtime_error(program.toStdString() + " did not start: " + process_.errorString().toStdString());
}

TChild::~TChild() {
    if (Running()) Terminate(10000);
}

double TChild::CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(Pid()) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // After the command's name in parentheses: state, then ten fields, then
    // utime and stime in clock ticks.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 0; i < 11 && fields >> field; ++i) {
    }
    if (!(fields >> utime >> stime)) return -1;
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

int TChild::Terminate(int timeoutMs) {
    process_.terminate();
    if (process_.waitForFinished(timeoutMs))
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    process_.kill();
    process_.waitForFinished(5000);
    return -1;
}

TDaemon::TDaemon(const QString& program, const QStringList& args) {
    process_.start(program, args);
    if (!process_.waitForStarted(10000)) return;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!process_.canReadLine() && std::chrono::steady_clock::now() < end) process_.waitForReadyRead(200);
    if (process_.canReadLine()) line_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
}

TDaemon::~TDaemon() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

void WriteText(const QString& path, const std::string& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), static_cast<qint64>(text.size())) < 0)
        throw std::runtime_error("cannot write " + path.toStdString());
}

bool RunTool(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs) {
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(program, args);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished(5000);
        return false;
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

}  // namespace bench
