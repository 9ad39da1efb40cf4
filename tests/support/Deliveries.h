// Collects the byte arrays a TBytesEvent delivers, on whatever thread it fires, for the test
// thread to wait for and read.
#pragma once

#include "common/ArrayTypes.h"
#include "tests/support/Wait.h"

#include <condition_variable>
#include <mutex>
#include <vector>

class TDeliveries {
public:
    // The event handler that records each delivery with its sender.
    TBytesEvent Handler();

    // Waits until Count deliveries in all have arrived.
    testing::AssertionResult WaitForCount(std::size_t Count,
                                          std::chrono::milliseconds Timeout = TestWaitBound);
    // Waits until Bytes has been delivered.
    testing::AssertionResult WaitFor(const TByteArray& Bytes,
                                     std::chrono::milliseconds Timeout = TestWaitBound);
    // Waits until as many deliveries as Expected holds have arrived; true when they are Expected.
    testing::AssertionResult Delivered(const std::vector<TByteArray>& Expected);

    // Everything delivered so far, in order.
    std::vector<TByteArray> Received() const;
    // What was delivered before the first delivery of Bytes (everything when it never came).
    std::vector<TByteArray> ReceivedBefore(const TByteArray& Bytes) const;
    std::vector<void*> Senders() const;

private:
    testing::AssertionResult WaitFor(const std::function<bool()>& Arrived,
                                     std::chrono::milliseconds Timeout);

    mutable std::mutex Mutex;
    std::condition_variable Changed;
    std::vector<TByteArray> Items;
    std::vector<void*> ItemSenders;
};
