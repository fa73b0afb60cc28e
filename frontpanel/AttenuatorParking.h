#pragma once
// Parking the attenuators when the program closes: every usable attenuator
// gets two verified sets at the common maximum, so that nothing is left at
// a low attenuation. From the moment parking begins the front panel holds
// its input: no box change and no refresh may reach a link, or it could
// replace a park command. GUI thread only.

#include "link/TovarinThread.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QLabel;
class TAttGroupBox;

class TAttenuatorParking {
public:
    static constexpr int SlotCount = 8;
    using TLinks = std::array<std::unique_ptr<TTovarinThread>, SlotCount>;
    using TBoxes = std::array<TAttGroupBox*, SlotCount>;
    // Sends a verified set of value (in the attenuator's unit, not yet
    // rounded) to box n = 1..8; returns its serial.
    using TSetAttenuator = std::function<std::uint64_t(int n, int value)>;

    // The links, boxes and status panel are the window's; they must outlive
    // this object.
    TAttenuatorParking(const TLinks& links, const TBoxes& boxes, TSetAttenuator set)
        : links_(links), boxes_(boxes), set_(std::move(set)) {}

    // Parks every usable attenuator at value, showing "WAIT ......." in
    // status meanwhile. Blocks for at most about 1.5 s; the links' GUI steps
    // run while it waits, the operator's input does not. Afterwards the
    // attenuators count as parked.
    void Park(int value, QLabel* status);

    // One round of parking: every attenuator that can take a command now
    // gets its set of value. The boxes and their sets' serials.
    std::vector<std::pair<int, std::uint64_t>> PostRound(int value);

    // True while Park runs.
    bool Parking() const { return parking_; }
    // True once Park has finished.
    bool Parked() const { return parked_; }
    // True from the moment parking begins: the front panel sends nothing of
    // its own any more.
    bool HoldsInput() const { return parking_ || parked_; }

private:
    bool Ready(int n) const;  // can take a command now
    bool Busy(int n) const;   // has not yet finished its last command

    const TLinks& links_;
    const TBoxes& boxes_;
    TSetAttenuator set_;
    bool parking_ = false;
    bool parked_ = false;
};
