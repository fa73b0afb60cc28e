#include "sequencer/PostRelay.h"

std::shared_ptr<TPostRelay> TPostRelay::Make(TWritten written) {
    auto relay = std::make_shared<TPostRelay>();
    relay->written_ = std::move(written);
    return relay;
}

void TPostRelay::Close() {
    written_ = {};
    gate_.Close();
}

TPostTicket TPostRelay::Follow(TPostTicket inner, std::uint64_t& serial) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        serial = ++next_;
        inner_.emplace(serial, std::move(inner));
    }
    return TPostTicket(shared_from_this(), serial);
}

TPostTicket TPostRelay::Take(std::uint64_t serial) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = inner_.find(serial);
    if (it == inner_.end()) return {};
    TPostTicket ticket = std::move(it->second);
    inner_.erase(it);
    return ticket;
}

void TPostRelay::Tell(std::uint64_t serial, bool sent) {
    gate_.Post([weak = weak_from_this(), serial, sent] {
        if (const auto self = weak.lock(); self && self->written_) self->written_(serial, sent);
    });
}

void TPostRelay::Sent(std::uint64_t serial, std::chrono::system_clock::time_point at) {
    Take(serial).Sent(at);
    Tell(serial, true);
}

void TPostRelay::NotSent(std::uint64_t serial, TNotSent why) {
    Take(serial).NotSent(why);
    Tell(serial, false);
}
