#include "platform/Sha256.h"

std::string TSha256::HexDigest() {
    static const char Digits[] = "0123456789abcdef";
    std::uint8_t Digest[DigestSize] = {};
    Finish(Digest);
    std::string Text;
    for (const std::uint8_t Byte : Digest) {
        Text += Digits[Byte >> 4];
        Text += Digits[Byte & 0x0F];
    }
    return Text;
}
