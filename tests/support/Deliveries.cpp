#include "tests/support/Deliveries.h"

#include <algorithm>

TBytesEvent TDeliveries::Handler() {
    return [this](void* Sender, const TByteArray& Bytes) {
        {
            std::lock_guard<std::mutex> Guard(Mutex);
            Items.push_back(Bytes);
            ItemSenders.push_back(Sender);
        }
        Changed.notify_all();
    };
}

testing::AssertionResult TDeliveries::WaitForCount(std::size_t Count,
                                                   std::chrono::milliseconds Timeout) {
    return WaitFor([&] { return Items.size() >= Count; }, Timeout);
}

testing::AssertionResult TDeliveries::WaitFor(const TByteArray& Bytes,
                                              std::chrono::milliseconds Timeout) {
    return WaitFor([&] { return std::find(Items.begin(), Items.end(), Bytes) != Items.end(); },
                   Timeout);
}

testing::AssertionResult TDeliveries::Delivered(const std::vector<TByteArray>& Expected) {
    testing::AssertionResult Arrived = WaitForCount(Expected.size());
    if (Arrived && Received() != Expected) {
        return testing::AssertionFailure() << "delivered " << testing::PrintToString(Received());
    }
    return Arrived;
}

testing::AssertionResult TDeliveries::WaitFor(const std::function<bool()>& Arrived,
                                              std::chrono::milliseconds Timeout) {
    std::unique_lock<std::mutex> Guard(Mutex);
    if (Changed.wait_for(Guard, Timeout, Arrived)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "only " << Items.size() << " deliveries after " << Timeout.count()
           << " ms: " << testing::PrintToString(Items);
}

std::vector<TByteArray> TDeliveries::Received() const {
    std::lock_guard<std::mutex> Guard(Mutex);
    return Items;
}

std::vector<TByteArray> TDeliveries::ReceivedBefore(const TByteArray& Bytes) const {
    std::lock_guard<std::mutex> Guard(Mutex);
    return {Items.begin(), std::find(Items.begin(), Items.end(), Bytes)};
}

std::vector<void*> TDeliveries::Senders() const {
    std::lock_guard<std::mutex> Guard(Mutex);
    return ItemSenders;
}
