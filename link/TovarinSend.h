#pragma once
// TCP client of one rack link: connect, send a CR LF line, read a CR LF line
// with a time-out on every wait for data.
//
// Every blocking wait also watches an optional interrupt descriptor: once it
// becomes readable (the link was told to end) the wait returns at once with
// ECANCELED.

#include <string>

class TTovarinSend {
public:
    // Error code of a read that waited Timeout ms without data.
    static constexpr int kTimedOut = 10060;
    // Error code of a host name that cannot be resolved.
    static constexpr int kHostNotFound = 11001;
    // A reply line may hold at most this many bytes before its CR LF.
    static constexpr std::size_t kMaxLine = 4096;

    TTovarinSend();
    ~TTovarinSend();
    TTovarinSend(const TTovarinSend&) = delete;
    TTovarinSend& operator=(const TTovarinSend&) = delete;

    std::string TargetHost = "127.0.0.1";
    std::string TargetPort = "0";
    std::string IPInterface = "0.0.0.0";
    int Timeout = 5000;          // ms, longest wait for reply data
    int ConnectTimeout = 21000;  // ms, longest wait for a connect to complete
    bool TCPNoDelay = false;

    void SetInterruptFd(int fd) { interruptFd_ = fd; }

    bool Connect();
    void Disconnect();
    // Sends text + CR LF. Returns false on error (LastError tells which).
    bool SendLine(const std::string& text);
    // Returns the next line without its CR LF; empty with LastError set on a
    // time-out (kTimedOut, bytes kept for the next read), a closed
    // connection, an over-long line (EMSGSIZE) or another socket error.
    std::string ReadLine();

    int LastError() const { return lastError_; }
    void ClearError() { lastError_ = 0; }
    std::string LastErrorText() const;
    bool IsOpen() const { return sock_ >= 0; }

private:
    enum class WaitResult { Ready, TimedOut, Interrupted, Failed };
    WaitResult WaitFor(short events, int timeoutMs);
    bool Fail(int code);

    int sock_ = -1;
    int interruptFd_ = -1;
    int lastError_ = 0;
    std::string buffer_;
};
