// The one waiting loop of the tests. Every wait (for a screen, a file, a
// process state, an exit) asks its condition again and again until it holds
// or a deadline passes; nothing waits a fixed time.
#pragma once
#include <functional>

// Generous: a loaded two-core machine running the sanitizer build. A wait
// that succeeds returns as soon as its condition holds, so only a failing
// test ever waits this long.
constexpr int WaitMs = 10000;

// Asks `done` until it returns true (then true) or timeoutMs have passed
// (then false), resting intervalMs between two questions.
bool PollUntil(const std::function<bool()>& done, int timeoutMs = WaitMs, int intervalMs = 10);
