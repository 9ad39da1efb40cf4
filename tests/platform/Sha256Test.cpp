#include "platform/Sha256.h"

#include <gtest/gtest.h>

#include <string>

// The system's SHA-256 through the wrapper, whole or piece by piece (the standard's own test
// vectors), as the production records print it.
TEST(Sha256, GivesTheStandardDigestsWholeOrInPieces) {
    const struct {
        std::string Text;
        const char* Digest;
    } Cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& Case : Cases) {
        const auto* Bytes = reinterpret_cast<const std::uint8_t*>(Case.Text.data());
        TSha256 Whole;
        Whole.Add(Bytes, Case.Text.size());
        EXPECT_EQ(Whole.HexDigest(), Case.Digest) << Case.Text;
        TSha256 Pieces;
        for (std::size_t Index = 0; Index < Case.Text.size(); ++Index) {
            Pieces.Add(Bytes + Index, 1);
        }
        EXPECT_EQ(Pieces.HexDigest(), Case.Digest) << Case.Text;
    }
}
