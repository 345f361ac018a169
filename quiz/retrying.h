#pragma once
// The one rule for waiting on another holder of a file (its lock, or a denial to share it).

#include <algorithm>
#include <chrono>
#include <thread>

// Calls tryOnce until busy() no longer holds for what it returned or `wait` has passed,
// sleeping a little longer after each refusal: a writer holds the records file for well
// under a millisecond, so the first retries come soon.
template <typename Try, typename Busy>
auto retryWhileBusy(std::chrono::milliseconds wait, Try tryOnce, Busy busy)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::chrono::milliseconds pause{1};
    for (;;) {
        auto outcome = tryOnce();
        if (!busy(outcome) || std::chrono::steady_clock::now() >= deadline)
            return outcome;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds{16});
    }
}
