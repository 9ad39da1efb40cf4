#include "platform/Sha256.h"

#include <windows.h>

#include <bcrypt.h>
#include <stdexcept>

struct TSha256::TState {
    BCRYPT_ALG_HANDLE Algorithm = nullptr;
    BCRYPT_HASH_HANDLE Hash = nullptr;
};

TSha256::TSha256() : State(std::make_unique<TState>()) {
    if (BCryptOpenAlgorithmProvider(&State->Algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0 ||
        BCryptCreateHash(State->Algorithm, &State->Hash, nullptr, 0, nullptr, 0, 0) != 0) {
        throw std::runtime_error("SHA-256 is not available from the system");
    }
}

TSha256::~TSha256() {
    if (State->Hash != nullptr) {
        BCryptDestroyHash(State->Hash);
    }
    if (State->Algorithm != nullptr) {
        BCryptCloseAlgorithmProvider(State->Algorithm, 0);
    }
}

void TSha256::Add(const std::uint8_t* Bytes, std::size_t Count) {
    // BCryptHashData takes a ULONG count: large pieces go in parts.
    constexpr std::size_t Part = 1u << 30;
    for (std::size_t Done = 0; Done < Count; Done += Part) {
        const std::size_t Size = Count - Done < Part ? Count - Done : Part;
        BCryptHashData(State->Hash, const_cast<PUCHAR>(Bytes + Done), static_cast<ULONG>(Size), 0);
    }
}

void TSha256::Finish(std::uint8_t* Digest) {
    BCryptFinishHash(State->Hash, Digest, static_cast<ULONG>(DigestSize), 0);
}
