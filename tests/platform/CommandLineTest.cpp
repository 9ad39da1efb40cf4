#include "platform/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, QuotesAWordOnlyWhereItsParserNeedsIt) {
    const struct {
        const char* Word;
        const char* Quoted;
    } Cases[] = {
        {"plain", "plain"},
        {"C:\\folder\\file.hex", "C:\\folder\\file.hex"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"tab\there", "\"tab\there\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\"b", "\"a\\\"b\""},
        {"C:\\Program Files\\", "\"C:\\Program Files\\\\\""},
        {"back\\\"quote", "\"back\\\\\\\"quote\""},
        {"in the\\\\middle", "\"in the\\\\middle\""},
        {"Прошивка платы", "\"Прошивка платы\""},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(QuoteCommandLineWord(Case.Word), Case.Quoted) << Case.Word;
    }
}
