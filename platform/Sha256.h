// SHA-256 of bytes given piece by piece, as lowercase hexadecimal: the fingerprint of an image
// in the records of a production line. The system's own implementation does the work (nettle
// on Linux, CNG on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Add(const std::uint8_t* Bytes, std::size_t Count);
    // The digest of everything added; the object is spent after it.
    std::string HexDigest();

private:
    static constexpr std::size_t DigestSize = 32;
    // Writes the DigestSize bytes of the digest.
    void Finish(std::uint8_t* Digest);

    struct TState;
    std::unique_ptr<TState> State;
};
