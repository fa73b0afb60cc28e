#pragma once
// A test engineer's side of the SCPI server: a plain blocking TCP client
// (POSIX sockets, so that it runs on a thread of its own while the GUI
// thread serves), bound to a loopback source address of its choice.

#include <string>

class TScpiClient {
public:
    // Connects to host:port from source (any when empty); Connected() tells.
    TScpiClient(const std::string& host, int port, const std::string& source = {});
    ~TScpiClient();
    TScpiClient(const TScpiClient&) = delete;
    TScpiClient& operator=(const TScpiClient&) = delete;

    bool Connected() const { return fd_ >= 0; }
    void Send(const std::string& bytes);  // as given, no LF added
    // The next line without its LF; "" with Closed() or TimedOut() set when
    // there is none.
    std::string ReadLine(int timeoutMs = 20000);
    std::string Query(const std::string& line, int timeoutMs = 20000) {
        Send(line + "\n");
        return ReadLine(timeoutMs);
    }
    // Ends both directions; a send blocked on another thread returns.
    void Shutdown();
    bool Closed() const { return closed_; }
    bool TimedOut() const { return timedOut_; }

private:
    int fd_ = -1;
    std::string buffer_;
    bool closed_ = false;
    bool timedOut_ = false;
};
