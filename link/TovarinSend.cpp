#include "link/TovarinSend.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

TTovarinSend::TTovarinSend() = default;

TTovarinSend::~TTovarinSend() { Disconnect(); }

bool TTovarinSend::Fail(int code) {
    lastError_ = code;
    return false;
}

std::string TTovarinSend::LastErrorText() const {
    switch (lastError_) {
    case 0: return {};
    case kTimedOut: return std::strerror(ETIMEDOUT);
    case kHostNotFound: return "Host not found";
    default: return std::strerror(lastError_);
    }
}

void TTovarinSend::Disconnect() {
    if (sock_ >= 0) {
        ::close(sock_);
        sock_ = -1;
    }
}

TTovarinSend::WaitResult TTovarinSend::WaitFor(int fd, short events, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {interruptFd_, POLLIN, 0}};
        const nfds_t n = interruptFd_ >= 0 ? 2 : 1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        const int r = ::poll(fds, n, left > 0 ? static_cast<int>(left) : 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            lastError_ = errno;
            return WaitResult::Failed;
        }
        if (n == 2 && (fds[1].revents & POLLIN)) return WaitResult::Interrupted;
        if (r > 0 && fds[0].revents != 0) return WaitResult::Ready;
        if (Clock::now() >= end) return WaitResult::TimedOut;
    }
}

bool TTovarinSend::Connect() {
    Disconnect();
    buffer_.clear();
    lastError_ = 0;

    sockaddr_in target{};
    if (const int error = Resolve(target); error != 0) return Fail(error);

    sock_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (sock_ < 0) return Fail(errno);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = 0;
    if (::inet_pton(AF_INET, IPInterface.c_str(), &local.sin_addr) != 1) return Fail(EADDRNOTAVAIL);
    if (::bind(sock_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return Fail(errno);

    if (TCPNoDelay) {
        int one = 1;
        ::setsockopt(sock_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }

    if (::connect(sock_, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS) return Fail(errno);
        switch (WaitFor(sock_, POLLOUT, ConnectTimeout)) {
        case WaitResult::Ready: break;
        case WaitResult::TimedOut: return Fail(ETIMEDOUT);
        case WaitResult::Interrupted: return Fail(ECANCELED);
        case WaitResult::Failed: return false;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(sock_, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) return Fail(errno);
        if (soError != 0) return Fail(soError);
    }
    return true;
}

bool TTovarinSend::PeerClosed() const {
    if (sock_ < 0) return false;
    // POLLRDHUP: the peer's FIN has arrived, even with unread data before
    // it; POLLHUP and POLLERR: the connection was reset or is gone.
    pollfd fd{sock_, POLLRDHUP, 0};
    for (;;) {
        const int r = ::poll(&fd, 1, 0);
        if (r >= 0) break;
        if (errno != EINTR) return false;
    }
    return (fd.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

bool TTovarinSend::CheckPeerClosed() {
    if (!PeerClosed()) return false;
    lastError_ = ECONNRESET;
    return true;
}

bool TTovarinSend::SendLine(const std::string& text) {
    if (sock_ < 0) return Fail(ENOTCONN);
    // A line written after the peer's close would be taken by the kernel
    // and lost: the caller must learn that it was never sent.
    if (CheckPeerClosed()) return false;
    const std::string line = text + "\r\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        // MSG_NOSIGNAL: a peer that has gone away gives EPIPE, not SIGPIPE.
        const ssize_t n = ::send(sock_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
        switch (WaitFor(sock_, POLLOUT, Timeout)) {
        case WaitResult::Ready: break;
        case WaitResult::TimedOut: return Fail(ETIMEDOUT);  // not a reply time-out: the link drops
        case WaitResult::Interrupted: return Fail(ECANCELED);
        case WaitResult::Failed: return false;
        }
    }
    lastError_ = 0;
    return true;
}

std::string TTovarinSend::ReadLine() {
    lastError_ = 0;
    if (sock_ < 0) {
        Fail(ENOTCONN);
        return {};
    }
    for (;;) {
        const std::size_t end = buffer_.find("\r\n");
        if (end != std::string::npos && end <= kMaxLine) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 2);
            return line;
        }
        const bool waitingForLf = buffer_.size() == kMaxLine + 1 && buffer_.back() == '\r';
        if (end != std::string::npos || (buffer_.size() > kMaxLine && !waitingForLf)) {
            // More than kMaxLine bytes without CR LF: the peer is not speaking
            // the protocol; drop what it sent rather than keep growing.
            buffer_.clear();
            Fail(EMSGSIZE);
            return {};
        }
        switch (WaitFor(sock_, POLLIN, Timeout)) {
        case WaitResult::Ready: break;
        case WaitResult::TimedOut: Fail(kTimedOut); return {};
        case WaitResult::Interrupted: Fail(ECANCELED); return {};
        case WaitResult::Failed: return {};
        }
        char chunk[4096];
        const ssize_t n = ::recv(sock_, chunk, sizeof chunk, 0);
        if (n == 0) {
            Fail(ECONNRESET);
            return {};
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            Fail(errno);
            return {};
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}
