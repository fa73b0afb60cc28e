#include "tools/simulator/RackSimulator.h"
#include "tools/simulator/SimSockets.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using simsockets::OpenListener;

std::string Pad3(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.3d", v);
    return buf;
}

}  // namespace

struct TRackSimulator::Impl {
    struct Conn {
        int fd;
        int att;
        std::string in;
        std::string out;       // bytes waiting to be sent
        Clock::time_point due; // earliest time of the next write
        int lines = 0;
        bool endless = false;
    };
    struct Att {
        TSimAttenuator cfg;
        TSimFaults faults;
        int listener = -1;
        int accepted = 0;
        std::vector<TSimLine> lines;
    };

    mutable std::mutex mutex;
    mutable std::condition_variable linesChanged;
    // Fault changes are counted so that SetFaults can wait until the loop has
    // opened or closed the listeners: a test that refuses connections must
    // not be raced by a connect that still finds the old listener.
    std::condition_variable faultsApplied;
    std::uint64_t faultsSet = 0;
    std::uint64_t faultsSeen = 0;
    std::vector<Att> atts;
    std::vector<Conn> conns;
    std::function<void(const TSimLine&)> observer;
    std::vector<int> dropRequests;
    std::vector<TSimLine> toObserve;  // told to the observer outside the lock
    std::thread thread;
    bool stop = false;
    int wake[2] = {-1, -1};

    void Wake() {
        const char b = 1;
        [[maybe_unused]] ssize_t n = ::write(wake[1], &b, 1);
    }

    // Answers one received line; called with the mutex held.
    void Handle(Conn& c, const std::string& line) {
        Att& a = atts[c.att];
        const TSimFaults& f = a.faults;
        std::string reply;
        const bool query = line == "IDN?" || line == "N?" || line == "STA?";
        if (query && f.endlessLine) {
            c.endless = true;
            return;
        }
        if (query && f.garbage) {
            reply = "#?%GARBAGE";
        } else if (line == "IDN?") {
            if (f.silentIdn) return;
            if (f.manualMode)
                reply = "MOD MANUAL";
            else if (!f.idnReply.empty())
                reply = f.idnReply;
            else
                reply = "IDN " + a.cfg.id + "," + Pad3(a.cfg.maxAtt) + "," + a.cfg.info;
        } else if (line == "N?") {
            if (f.silentName) return;
            reply = "NAM 0 " + a.cfg.name;
        } else if (line == "STA?") {
            if (f.silentState) return;
            reply = f.statePrefix + " 0 " + Pad3(a.cfg.attenuation + f.readbackOffset);
        } else if (line.rfind("ATT ", 0) == 0 && line.size() > 6) {
            char* end = nullptr;
            const long v = std::strtol(line.c_str() + 6, &end, 10);
            if (end != line.c_str() + 6 && *end == '\0')
                a.cfg.attenuation = static_cast<int>(v < 0 ? 0 : (v > a.cfg.maxAtt ? a.cfg.maxAtt : v));
            return;
        } else if (line.rfind("N0 ", 0) == 0) {
            a.cfg.name = line.substr(3, 4);
            return;
        } else {
            return;
        }
        if (c.out.empty()) c.due = Clock::now() + std::chrono::milliseconds(f.replyDelayMs);
        c.out += reply + "\r\n";
    }

    void CloseConn(std::size_t i) {
        ::close(conns[i].fd);
        conns.erase(conns.begin() + static_cast<long>(i));
    }

    void Accept(int index) {
        for (;;) {
            const int fd = ::accept4(atts[index].listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return;
            atts[index].accepted++;
            simsockets::StampArrivals(fd);
            conns.push_back(Conn{fd, index, {}, {}, Clock::now(), 0, false});
        }
    }

    void Read(std::size_t i) {
        char buf[4096];
        simsockets::TArrival arrived;
        const ssize_t n = simsockets::ReceiveStamped(conns[i].fd, buf, sizeof buf, arrived);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
            CloseConn(i);
            return;
        }
        Conn& c = conns[i];
        c.in.append(buf, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = c.in.find("\r\n")) != std::string::npos) {
            TSimLine rec{c.att, c.in.substr(0, end), arrived.steady, arrived.wall};
            c.in.erase(0, end + 2);
            atts[c.att].lines.push_back(rec);
            linesChanged.notify_all();
            if (observer) toObserve.push_back(rec);
            ++c.lines;
            const int limit = atts[c.att].faults.closeAfterLines;
            if (limit > 0 && c.lines >= limit) {
                // What was answered before goes out first, as from a device
                // that closes its socket.
                if (!c.out.empty())
                    [[maybe_unused]] ssize_t sent = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
                CloseConn(i);
                return;
            }
            Handle(c, rec.line);
        }
    }

    // Sends what is due; returns false when the connection was closed.
    bool Write(std::size_t i) {
        Conn& c = conns[i];
        if (c.endless && c.out.empty()) c.out.assign(1024, 'X');
        if (c.out.empty() || Clock::now() < c.due) return true;
        const int drip = atts[c.att].faults.dripMs;
        const std::size_t len = drip > 0 ? 1 : c.out.size();
        const ssize_t n = ::send(c.fd, c.out.data(), len, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) return true;
            CloseConn(i);
            return false;
        }
        c.out.erase(0, static_cast<std::size_t>(n));
        if (drip > 0) c.due = Clock::now() + std::chrono::milliseconds(drip);
        return true;
    }

    void Run() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stop) {
            for (int index : dropRequests)
                for (std::size_t i = conns.size(); i-- > 0;)
                    if (conns[i].att == index) CloseConn(i);
            dropRequests.clear();
            for (std::size_t i = conns.size(); i-- > 0;) Write(i);

            std::vector<pollfd> fds;
            std::vector<int> owner;  // >= 0: listener of att; < 0: -(conn index) - 1
            fds.push_back({wake[0], POLLIN, 0});
            owner.push_back(0);
            for (std::size_t a = 0; a < atts.size(); ++a) {
                Att& at = atts[a];
                if (at.faults.refuseConnections && at.listener >= 0) {
                    ::close(at.listener);
                    at.listener = -1;
                } else if (!at.faults.refuseConnections && at.listener < 0) {
                    int err = 0;
                    at.listener = OpenListener(at.cfg.ip, at.cfg.port, &err);
                }
                if (at.listener >= 0) {
                    fds.push_back({at.listener, POLLIN, 0});
                    owner.push_back(static_cast<int>(a));
                }
            }
            faultsSeen = faultsSet;
            faultsApplied.notify_all();
            int timeout = 200;
            const auto now = Clock::now();
            for (std::size_t i = 0; i < conns.size(); ++i) {
                short ev = POLLIN;
                if (!conns[i].out.empty() || conns[i].endless) {
                    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(conns[i].due - now).count();
                    if (wait <= 0)
                        ev |= POLLOUT;
                    else if (wait + 1 < timeout)
                        timeout = static_cast<int>(wait) + 1;
                }
                fds.push_back({conns[i].fd, ev, 0});
                owner.push_back(-static_cast<int>(i) - 1);
            }

            lock.unlock();
            ::poll(fds.data(), fds.size(), timeout);
            lock.lock();
            if (fds[0].revents & POLLIN) {
                char drain[64];
                while (::read(wake[0], drain, sizeof drain) > 0) {
                }
            }
            // Handle connections from the highest index down, so that closing
            // one leaves the indexes still to visit valid.
            for (std::size_t k = fds.size(); k-- > 1;) {
                if (fds[k].revents == 0) continue;
                if (owner[k] >= 0) {
                    if (atts[owner[k]].listener == fds[k].fd) Accept(owner[k]);
                    continue;
                }
                const std::size_t i = static_cast<std::size_t>(-owner[k] - 1);
                if (i >= conns.size() || conns[i].fd != fds[k].fd) continue;
                if (fds[k].revents & (POLLIN | POLLHUP | POLLERR))
                    Read(i);
                else if (fds[k].revents & POLLOUT)
                    Write(i);
            }
            if (!toObserve.empty()) {
                std::vector<TSimLine> lines;
                lines.swap(toObserve);
                auto tell = observer;
                lock.unlock();
                for (const auto& l : lines) tell(l);
                lock.lock();
            }
        }
        for (std::size_t i = conns.size(); i-- > 0;) CloseConn(i);
    }
};

TRackSimulator::TRackSimulator() : impl_(std::make_unique<Impl>()) {
    if (::pipe2(impl_->wake, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
}

TRackSimulator::~TRackSimulator() {
    Stop();
    for (auto& a : impl_->atts)
        if (a.listener >= 0) ::close(a.listener);
    ::close(impl_->wake[0]);
    ::close(impl_->wake[1]);
}

int TRackSimulator::Add(const TSimAttenuator& att) {
    int err = 0;
    const int fd = OpenListener(att.ip, att.port, &err);
    if (fd < 0)
        throw std::runtime_error("cannot listen on " + att.ip + ":" + std::to_string(att.port) + ": " +
                                 std::strerror(err));
    std::lock_guard<std::mutex> lock(impl_->mutex);
    Impl::Att a;
    a.cfg = att;
    a.listener = fd;
    impl_->atts.push_back(std::move(a));
    impl_->Wake();
    return static_cast<int>(impl_->atts.size()) - 1;
}

void TRackSimulator::Start() {
    if (!impl_->thread.joinable()) impl_->thread = std::thread([this] { impl_->Run(); });
}

void TRackSimulator::Stop() {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->stop = true;
    }
    impl_->Wake();
    if (impl_->thread.joinable()) impl_->thread.join();
}

void TRackSimulator::SetFaults(int att, const TSimFaults& faults) {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    impl_->atts.at(att).faults = faults;
    const std::uint64_t set = ++impl_->faultsSet;
    impl_->Wake();
    // Wait (bounded) for the loop to apply it, unless called from the loop's
    // own thread (an observer) or before the simulator runs.
    if (impl_->thread.joinable() && std::this_thread::get_id() != impl_->thread.get_id())
        impl_->faultsApplied.wait_for(lock, std::chrono::seconds(2),
                                      [&] { return impl_->faultsSeen >= set || impl_->stop; });
}

TSimFaults TRackSimulator::Faults(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->atts.at(att).faults;
}

void TRackSimulator::SetAttenuation(int att, int value) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->atts.at(att).cfg.attenuation = value;
}

int TRackSimulator::Attenuation(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->atts.at(att).cfg.attenuation;
}

std::string TRackSimulator::Name(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->atts.at(att).cfg.name;
}

int TRackSimulator::MaxAtt(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->atts.at(att).cfg.maxAtt;
}

std::string TRackSimulator::Address(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    const auto& c = impl_->atts.at(att).cfg;
    return c.ip + ":" + std::to_string(c.port);
}

int TRackSimulator::Accepted(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->atts.at(att).accepted;
}

int TRackSimulator::OpenConnections(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    int n = 0;
    for (const auto& c : impl_->conns) n += c.att == att;
    return n;
}

void TRackSimulator::DropConnections(int att) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->dropRequests.push_back(att);
    impl_->Wake();
}

std::vector<TSimLine> TRackSimulator::Lines(int att) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->atts.at(att).lines;
}

std::vector<TSimLine> TRackSimulator::AllLines() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    std::vector<TSimLine> all;
    for (const auto& a : impl_->atts) all.insert(all.end(), a.lines.begin(), a.lines.end());
    std::sort(all.begin(), all.end(), [](const TSimLine& x, const TSimLine& y) { return x.time < y.time; });
    return all;
}

void TRackSimulator::ClearLines() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    for (auto& a : impl_->atts) a.lines.clear();
}

bool TRackSimulator::WaitForLines(int att, const std::function<bool(const std::vector<TSimLine>&)>& pred,
                                  int timeoutMs) const {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->linesChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return pred(impl_->atts.at(att).lines); });
}

void TRackSimulator::SetLineObserver(std::function<void(const TSimLine&)> observer) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->observer = std::move(observer);
}

std::string TRackSimulator::FreeLoopbackAddress(int firstPort, int count) {
    // Start from a place that depends on the process, so that test processes
    // running side by side rarely even try the same address.
    std::mt19937 rng(static_cast<unsigned>(::getpid()) * 2654435761u ^
                     static_cast<unsigned>(Clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 2000; ++attempt) {
        const unsigned x = 1 + rng() % 250, y = 2 + rng() % 250;
        const std::string ip = "127.0." + std::to_string(x) + "." + std::to_string(y);
        std::vector<int> fds;
        bool free = true;
        for (int p = firstPort; p < firstPort + count && free; ++p) {
            int err = 0;
            const int fd = OpenListener(ip, p, &err);
            if (fd < 0)
                free = false;
            else
                fds.push_back(fd);
        }
        for (int fd : fds) ::close(fd);
        if (free) return ip;
    }
    throw std::runtime_error("no free loopback address");
}
