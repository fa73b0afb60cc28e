#pragma once
// The simulator's sockets: listeners on loopback addresses, and reads that
// say when their data came off the wire.

#include <chrono>
#include <cstddef>
#include <string>
#include <sys/types.h>

namespace simsockets {

using Clock = std::chrono::steady_clock;

// A non-blocking listener on ip:port; -1 with *error set when it cannot be
// opened (the address taken, not a valid address).
int OpenListener(const std::string& ip, int port, int* error);
// An accepted connection's reads are to be stamped by the kernel.
void StampArrivals(int fd);
// When data came off the wire, on both clocks.
struct TArrival {
    Clock::time_point steady;
    std::chrono::system_clock::time_point wall;
};
// recv() that also gives when the kernel took in the data read: the time it
// came off the wire, not the time this thread got round to reading it, which
// a busy machine can delay by a scheduler tick. The time of reading where the
// kernel gave none.
ssize_t ReceiveStamped(int fd, char* buf, std::size_t size, TArrival& arrived);

}  // namespace simsockets
