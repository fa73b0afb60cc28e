#pragma once
// Helpers shared by the tests.

#include <chrono>
#include <functional>
#include <string>

// Processes GUI events until pred() holds or timeoutMs has passed; returns
// pred()'s last value. Tests use it to wait for events with generous
// time-outs, never to assert speed.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 10000);

// Processes GUI events for ms milliseconds.
void PumpEvents(int ms);

// Milliseconds on the monotonic clock, for tests that look at the spacing of
// events recorded elsewhere.
long long MonotonicMs();

// The whole content of a file (empty when it cannot be read), and a file
// written with exactly the given bytes.
std::string ReadAll(const std::string& path);
void WriteRaw(const std::string& path, const std::string& text);
