#include "tools/simulator/SimSockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simsockets {

int OpenListener(const std::string& ip, int port, int* error) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1) {
        ::close(fd);
        *error = EINVAL;
        return -1;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

void StampArrivals(int fd) {
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &one, sizeof one);
}

ssize_t ReceiveStamped(int fd, char* buf, std::size_t size, TArrival& arrived) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    iovec io{buf, size};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd, &msg, 0);
    const auto now = Clock::now();
    const auto wallNow = std::chrono::system_clock::now();
    arrived = {now, wallNow};
    if (n <= 0) return n;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
        // The kernel stamps on the system clock; on the monotonic clock the
        // arrival is the stamp's age now, taken from the time of reading.
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
        const std::chrono::system_clock::time_point wall{std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec))};
        const auto age = wallNow - wall;
        // A stepped system clock in between gives no sensible age.
        if (age >= std::chrono::seconds(0) && age <= std::chrono::seconds(1))
            arrived = {now - std::chrono::duration_cast<Clock::duration>(age), wall};
    }
    return n;
}

}  // namespace simsockets
