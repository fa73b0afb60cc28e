#pragma once
// The echo decision of an attenuator box. A value read back from an
// attenuator and written into its box schedules a change like any other;
// that change is the echo of the read-back and must not be sent back to the
// attenuator. Any other change made before the echo is reported (the
// operator moving, typing over or abandoning it) replaces the echo, and is
// the operator's.

class TEchoFilter {
public:
    // A value was written into the box and schedules a change: the echo of
    // a read-back when readBack, else the operator's. Returns true when this
    // replaced a pending echo.
    bool ValueWritten(bool readBack);
    // The pending change is abandoned. Returns true when it was an echo.
    bool Drop();
    // The pending change is being reported: returns whether it is the echo.
    // IsEcho() answers the same until EndReport.
    bool BeginReport();
    void EndReport() { reporting_ = false; }

    bool Pending() const { return pending_; }
    bool IsEcho() const { return reporting_; }

private:
    bool pending_ = false;    // the pending change is the echo of a read-back
    bool reporting_ = false;  // the change being reported is that echo
};
