// Waiting in tests: for a condition, up to a deadline, never for a fixed
// time. The deadline is generous, since on a busy machine what a test waits
// for can take a while, and a long deadline costs nothing when the
// condition comes at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

constexpr int32_t TEST_WAIT_MS = 30000;  // the deadline of every wait unless a test says otherwise
constexpr int32_t TEST_POLL_MS = 20;     // how often a condition is looked at

// Polls `ready` until it holds (true) or timeout_ms have passed (false).
inline bool wait_until(const std::function<bool()>& ready, int32_t timeout_ms = TEST_WAIT_MS) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (ready()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(TEST_POLL_MS));
    }
}
