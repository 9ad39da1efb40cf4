// Bounded waits: a test that waits for another thread, a process or a line gives up after a
// generous time and fails at the line that waited, instead of hanging the test run.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>

// How long a test waits for what takes milliseconds when all is well: room enough for a loaded
// machine and the sanitizer builds, and far below the time-out of a whole test in CTest.
inline constexpr std::uint32_t TestWaitBoundMs = 30000;
inline constexpr std::chrono::milliseconds TestWaitBound{TestWaitBoundMs};

// Checks Condition until it holds, at most Timeout. Use as ASSERT_TRUE(WaitUntil(...)) or,
// while a thread of the test still has to be joined, as EXPECT_TRUE.
testing::AssertionResult WaitUntil(const std::function<bool()>& Condition,
                                   std::chrono::milliseconds Timeout = TestWaitBound);
