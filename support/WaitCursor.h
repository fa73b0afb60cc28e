#pragma once
// The hourglass cursor shown while the GUI thread is busy.

// A counted hourglass cursor: the first BeginWaitCursor shows it, and the
// cursor returns when as many EndWaitCursor calls have followed. An
// EndWaitCursor without a matching begin does nothing. GUI thread only.
void BeginWaitCursor();
void EndWaitCursor();
