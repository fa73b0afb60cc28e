// Host name lookups of the rack link's TCP client: a numeric address at
// once, a name on a helper thread that the link can abandon.

#include "link/TovarinSend.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

// A host name lookup, owned jointly by the client that waits for it and the
// helper thread that runs it: a client that gives up (its link ends) leaves
// it to the helper, which frees it when the resolver finally returns.
struct TTovarinSend::TResolution {
    TResolution(std::string h, std::string p) : host(std::move(h)), port(std::move(p)) {
        if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) pipe[0] = pipe[1] = -1;
    }
    ~TResolution() {
        for (int fd : pipe)
            if (fd >= 0) ::close(fd);
    }
    const std::string host;
    const std::string port;
    int pipe[2] = {-1, -1};  // readable once the lookup is done
    std::mutex mutex;
    int error = 0;  // under mutex, as is address
    sockaddr_in address{};
};

namespace {

std::mutex& ResolverMutex() {
    static std::mutex m;
    return m;
}
TTovarinSend::TResolver& Resolver() {
    static TTovarinSend::TResolver r = &TTovarinSend::SystemResolve;
    return r;
}

}  // namespace

TTovarinSend::TResolver TTovarinSend::SetResolver(TResolver resolver) {
    std::lock_guard<std::mutex> lock(ResolverMutex());
    TResolver previous = std::move(Resolver());
    Resolver() = resolver ? std::move(resolver) : TResolver(&SystemResolve);
    return previous;
}

int TTovarinSend::SystemResolve(const std::string& host, const std::string& port, sockaddr_in& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr) return kHostNotFound;
    std::memcpy(&address, found->ai_addr, sizeof address);
    ::freeaddrinfo(found);
    return 0;
}

int TTovarinSend::Resolve(sockaddr_in& address) {
    // A numeric address needs no resolver.
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    const int numeric = ::getaddrinfo(TargetHost.c_str(), TargetPort.c_str(), &hints, &found);
    if (numeric == 0 && found != nullptr) {
        std::memcpy(&address, found->ai_addr, sizeof address);
        ::freeaddrinfo(found);
        return 0;
    }
    if (numeric != EAI_NONAME) return kHostNotFound;

    // A name: looked up on a helper thread while this one waits for the result
    // or for the end of the link. A lookup that is still running when the link
    // tries again is waited for again, never started twice.
    if (!resolving_ || resolving_->host != TargetHost || resolving_->port != TargetPort) {
        auto lookup = std::make_shared<TResolution>(TargetHost, TargetPort);
        if (lookup->pipe[0] < 0) return errno;
        TResolver resolver;
        {
            std::lock_guard<std::mutex> lock(ResolverMutex());
            resolver = Resolver();
        }
        try {
            std::thread([lookup, resolver] {
                sockaddr_in found{};
                const int error = resolver(lookup->host, lookup->port, found);
                {
                    std::lock_guard<std::mutex> lock(lookup->mutex);
                    lookup->error = error;
                    lookup->address = found;
                }
                const char byte = 1;
                [[maybe_unused]] ssize_t n = ::write(lookup->pipe[1], &byte, 1);
            }).detach();
        } catch (const std::system_error& e) {
            return e.code().value();
        }
        resolving_ = std::move(lookup);
    }
    switch (WaitFor(resolving_->pipe[0], POLLIN, ConnectTimeout)) {
    case WaitResult::Ready: break;
    case WaitResult::TimedOut: return kHostNotFound;
    case WaitResult::Interrupted: return ECANCELED;
    case WaitResult::Failed: return lastError_;
    }
    const std::shared_ptr<TResolution> done = std::move(resolving_);
    std::lock_guard<std::mutex> lock(done->mutex);
    address = done->address;
    return done->error;
}
