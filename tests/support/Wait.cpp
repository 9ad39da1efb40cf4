#include "tests/support/Wait.h"

#include <thread>

testing::AssertionResult WaitUntil(const std::function<bool()>& Condition,
                                   std::chrono::milliseconds Timeout) {
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    while (!Condition()) {
        if (std::chrono::steady_clock::now() >= Deadline) {
            return testing::AssertionFailure()
                   << "the condition did not hold within " << Timeout.count() << " ms";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return testing::AssertionSuccess();
}
