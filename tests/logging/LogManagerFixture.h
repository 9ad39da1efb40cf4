// The fixture of the traffic log's tests: a fresh data home per test and the reading of the
// log's lines, record numbers and time stamps.
#pragma once

#include "logging/LogManager.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

// A fresh data home per test, so the default log path points into a temporary folder.
class LogManagerTest : public ::testing::Test {
protected:
    static std::string ReadFile(const std::string& Path) { return ReadFileText(Path); }

    // Splits the file at CR LF; the text after the last CR LF must be empty.
    static std::vector<std::string> Lines(const std::string& Content) {
        std::vector<std::string> Result;
        std::string::size_type Start = 0;
        for (auto End = Content.find("\r\n"); End != std::string::npos;
             End = Content.find("\r\n", Start)) {
            Result.push_back(Content.substr(Start, End - Start));
            Start = End + 2;
        }
        EXPECT_EQ(Start, Content.size()) << "log does not end with CR LF";
        return Result;
    }

    // Removes "<number>\t<time stamp>\t" from a record line, checking both fields: the time
    // stamp is hh:mm:ss (24-hour clock), ":" and the milliseconds without leading zeros.
    static std::string TextOf(const std::string& Line, int ExpectedNumber) {
        const auto NumberEnd = Line.find('\t');
        const auto StampEnd = Line.find('\t', NumberEnd + 1);
        EXPECT_NE(StampEnd, std::string::npos) << Line;
        if (StampEnd == std::string::npos) {
            return Line;
        }
        EXPECT_EQ(Line.substr(0, NumberEnd), std::to_string(ExpectedNumber));
        const std::string Stamp = Line.substr(NumberEnd + 1, StampEnd - NumberEnd - 1);
        unsigned Hours = 99, Minutes = 99, Seconds = 99, Milliseconds = 9999;
        int Length = 0;
        EXPECT_EQ(std::sscanf(Stamp.c_str(), "%2u:%2u:%2u:%u%n", &Hours, &Minutes, &Seconds,
                              &Milliseconds, &Length),
                  4)
            << Stamp;
        EXPECT_EQ(static_cast<std::size_t>(Length), Stamp.size()) << Stamp;
        EXPECT_TRUE(Stamp.size() > 9 && Stamp[2] == ':' && Stamp[5] == ':' && Stamp[8] == ':')
            << "hours, minutes and seconds have two digits: " << Stamp;
        EXPECT_TRUE(Hours < 24 && Minutes < 60 && Seconds < 61 && Milliseconds < 1000) << Stamp;
        EXPECT_EQ(Stamp.substr(9), std::to_string(Milliseconds)) << "leading zeros: " << Stamp;
        return Line.substr(StampEnd + 1);
    }

    // The number of a record line.
    static int NumberOf(const std::string& Line) { return std::atoi(Line.c_str()); }

    // The lines of the older file followed by those of the current one (each record one line).
    static std::vector<std::string> BothFiles(const TLogManager& Log) {
        std::vector<std::string> Result;
        if (std::filesystem::exists(Log.GetOlderFileName())) {
            Result = Lines(ReadFile(Log.GetOlderFileName()));
        }
        const std::vector<std::string> Current = Lines(ReadFile(Log.GetFileName()));
        Result.insert(Result.end(), Current.begin(), Current.end());
        return Result;
    }

    const TTemporaryDataHome Home{"velmora-log"};
    const std::string DataHome = Home.Path();
};
