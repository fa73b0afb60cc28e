#pragma once
// What became of a command posted to a link. A command posted with a ticket
// is followed to its end: written to the link's socket (with the moment of
// the write), or not sent, and why. The ticket is told exactly once, from
// whichever thread settles it (the GUI thread or the link's), so whatever
// receives the outcome must be thread-safe and must never wait for the GUI
// thread.

#include <chrono>
#include <cstdint>
#include <memory>

// Why a posted command never reached the attenuator.
enum class TNotSent {
    LinkNotUsable,  // the link was not connected and ready, or the write failed
    Replaced,       // a newer command took its place before the link took it
    DroppedAtStop,  // still waiting when the run that posted it ended
};

// Receives the outcomes of tickets; called from any thread.
class TPostOutcomes {
public:
    virtual ~TPostOutcomes() = default;
    virtual void Sent(std::uint64_t serial, std::chrono::system_clock::time_point at) = 0;
    virtual void NotSent(std::uint64_t serial, TNotSent why) = 0;
};

// One posted command's ticket: moves with the command, settles once. A
// ticket that goes away unsettled counts as dropped at stop; an empty ticket
// follows nothing.
class TPostTicket {
public:
    TPostTicket() = default;
    TPostTicket(std::shared_ptr<TPostOutcomes> outcomes, std::uint64_t serial)
        : outcomes_(std::move(outcomes)), serial_(serial) {}
    TPostTicket(TPostTicket&& other) noexcept = default;
    TPostTicket& operator=(TPostTicket&& other) noexcept;
    TPostTicket(const TPostTicket&) = delete;
    TPostTicket& operator=(const TPostTicket&) = delete;
    ~TPostTicket() { NotSent(TNotSent::DroppedAtStop); }

    explicit operator bool() const { return outcomes_ != nullptr; }
    std::uint64_t Serial() const { return serial_; }

    void Sent(std::chrono::system_clock::time_point at);
    void NotSent(TNotSent why);

private:
    std::shared_ptr<TPostOutcomes> outcomes_;  // empty once settled
    std::uint64_t serial_ = 0;
};
