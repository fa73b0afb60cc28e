#pragma once
// Shorter link pauses and time-outs, so that the suite stays fast; the
// protocol's own defaults are exercised by the tests that use TLinkTimings().
// Header only: for test targets that link the link library.

#include "link/TovarinThread.h"

inline TLinkTimings FastTimings() {
    TLinkTimings t;
    t.ReadTimeout = 300;
    t.ConnectRetry = 100;
    t.IdnRetry = 100;
    t.StateRetryUnit = 50;
    t.ConnectTimeout = 2000;
    return t;
}
