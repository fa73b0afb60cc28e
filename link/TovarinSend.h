#pragma once
// TCP client of one rack link: connect, send a CR LF line, read a CR LF line
// with a time-out on every wait for data.
//
// Every blocking wait, a host name lookup included, also watches an optional
// interrupt descriptor: once it becomes readable (the link was told to end)
// the wait returns at once with ECANCELED.

#include <functional>
#include <memory>
#include <string>

#include <netinet/in.h>

class TTovarinSend {
public:
    // Looks a host name up: fills address (IPv4, port included) and returns
    // 0, or returns an error code (kHostNotFound). May block for as long as
    // the system's resolver takes; Connect runs it on a helper thread of its
    // own, so that the link can abandon it.
    using TResolver = std::function<int(const std::string& host, const std::string& port, sockaddr_in& address)>;
    // Replaces the resolver of every client (tests); returns the previous one.
    static TResolver SetResolver(TResolver resolver);
    // The system's resolver (getaddrinfo).
    static int SystemResolve(const std::string& host, const std::string& port, sockaddr_in& address);

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
    // Nothing is written once the peer is seen to have closed the
    // connection: that fails as ECONNRESET, as a read of the close does.
    bool SendLine(const std::string& text);
    // Whether the peer has closed the connection (or reset it), as far as
    // the socket already tells: looks without waiting and without reading or
    // writing anything. False while no connection is open.
    bool PeerClosed() const;
    // PeerClosed, noted as the client's error (ECONNRESET) when true.
    bool CheckPeerClosed();
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
    WaitResult WaitFor(int fd, short events, int timeoutMs);
    bool Fail(int code);
    // TargetHost:TargetPort as an address; 0 or an error code.
    int Resolve(sockaddr_in& address);

    struct TResolution;  // a lookup in flight, shared with its helper thread
    std::shared_ptr<TResolution> resolving_;

    int sock_ = -1;
    int interruptFd_ = -1;
    int lastError_ = 0;
    std::string buffer_;
};
