#pragma once
// Stands between a run's command tickets and the link: the inner ticket
// (the record's) is settled at once, on whichever thread the link settles
// it, and the owner hears whether the command was written on the GUI
// thread, through a gate that closes when the owner goes away.

#include "link/PostTicket.h"
#include "support/GuiThread.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

class TPostRelay : public TPostOutcomes, public std::enable_shared_from_this<TPostRelay> {
public:
    // GUI thread: told of each followed command, written (sent) or not.
    using TWritten = std::function<void(std::uint64_t serial, bool sent)>;

    static std::shared_ptr<TPostRelay> Make(TWritten written);
    // The owner is going away: nothing is told after this (GUI thread).
    void Close();

    // Follows inner; the returned ticket goes to the link with the command.
    TPostTicket Follow(TPostTicket inner, std::uint64_t& serial);

    void Sent(std::uint64_t serial, std::chrono::system_clock::time_point at) override;
    void NotSent(std::uint64_t serial, TNotSent why) override;

private:
    TPostTicket Take(std::uint64_t serial);
    void Tell(std::uint64_t serial, bool sent);

    std::mutex mutex_;
    std::map<std::uint64_t, TPostTicket> inner_;  // by serial
    std::uint64_t next_ = 0;
    TGuiGate gate_;
    TWritten written_;  // GUI thread only
};
