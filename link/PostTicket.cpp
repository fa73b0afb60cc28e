#include "link/PostTicket.h"

TPostTicket& TPostTicket::operator=(TPostTicket&& other) noexcept {
    if (this != &other) {
        NotSent(TNotSent::DroppedAtStop);  // the ticket held so far is let go unsettled
        outcomes_ = std::move(other.outcomes_);
        serial_ = other.serial_;
    }
    return *this;
}

void TPostTicket::Sent(std::chrono::system_clock::time_point at) {
    if (!outcomes_) return;
    std::shared_ptr<TPostOutcomes> outcomes = std::move(outcomes_);
    outcomes_.reset();
    outcomes->Sent(serial_, at);
}

void TPostTicket::NotSent(TNotSent why) {
    if (!outcomes_) return;
    std::shared_ptr<TPostOutcomes> outcomes = std::move(outcomes_);
    outcomes_.reset();
    outcomes->NotSent(serial_, why);
}
