#pragma once
// A full disk, as the writer meets it: no file of this process may grow
// beyond limit bytes, and a write past it fails with an error (EFBIG)
// instead of a signal. RLIM_INFINITY lifts the limit again.

#include <sys/resource.h>

#include <csignal>

inline void LimitFileSize(rlim_t limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &r);
}
