#include "Poll.h"

#include <time.h>

#include <chrono>

bool PollUntil(const std::function<bool()>& done, int timeoutMs, int intervalMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const timespec rest{0, static_cast<long>(intervalMs) * 1000000L};
    for (;;) {
        if (done()) return true;
        if (Clock::now() >= deadline) return done();
        nanosleep(&rest, nullptr);
    }
}
