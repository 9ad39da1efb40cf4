#include "platform/Sha256.h"

#include <nettle/sha2.h>

struct TSha256::TState {
    sha256_ctx Context;
};

TSha256::TSha256() : State(std::make_unique<TState>()) {
    sha256_init(&State->Context);
}

TSha256::~TSha256() = default;

void TSha256::Add(const std::uint8_t* Bytes, std::size_t Count) {
    sha256_update(&State->Context, Count, Bytes);
}

void TSha256::Finish(std::uint8_t* Digest) {
    static_assert(DigestSize == SHA256_DIGEST_SIZE, "a SHA-256 digest has 32 bytes");
    sha256_digest(&State->Context, DigestSize, Digest);
}
