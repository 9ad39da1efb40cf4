#include "platform/WindowsConsoleBuffer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Text reaches the console as whole UTF-16 characters however the program's writes cut it: a
// Cyrillic letter split between two writes waits for its second byte, and each line goes out
// when it ends or the stream is flushed.
TEST(ConsoleUtf16Buffer, CyrillicCutBetweenWritesArrivesWhole) {
    std::vector<std::wstring> Written;
    TConsoleUtf16Buffer Buffer([&Written](const std::wstring& Text) { Written.push_back(Text); });
    std::ostream Stream(&Buffer);
    const std::string Line = "Запись прошла успешно.";
    Stream.write(Line.data(), 3); // "З" and the first byte of "а"
    Stream << std::flush;
    EXPECT_EQ(Written, std::vector<std::wstring>{L"З"});
    Stream.write(Line.data() + 3, static_cast<std::streamsize>(Line.size() - 3));
    EXPECT_EQ(Written.size(), 1u) << "nothing goes out before the line ends";
    Stream << '\n';
    ASSERT_EQ(Written.size(), 2u);
    EXPECT_EQ(Written[1], L"апись прошла успешно.\n");
    Stream << "50%" << std::flush;
    EXPECT_EQ(Written.back(), L"50%");
}
