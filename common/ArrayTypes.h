// The byte container used by every layer, and the handler type that delivers byte sequences.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

using TByteArray = std::vector<std::uint8_t>;

// A handler bound to an object that receives a byte sequence (received bursts, composed
// frames, extracted packages). Sender is the object that produced the bytes. An empty handler
// makes the producer drop its output.
using TBytesEvent = std::function<void(void* Sender, const TByteArray& Bytes)>;
