// A throw-away data folder (XDG_DATA_HOME) and a traffic log in it, for the objects of one
// test to record into.
#pragma once

#include "logging/LogManager.h"
#include "tests/support/TempFolder.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A log that is off, for objects whose records a test does not look at.
TLogManager& NoLog();

// Points XDG_DATA_HOME at a fresh temporary folder; the previous value comes back afterwards.
class TTemporaryDataHome {
public:
    explicit TTemporaryDataHome(const std::string& Prefix = "velmora-data");
    ~TTemporaryDataHome();
    TTemporaryDataHome(const TTemporaryDataHome&) = delete;
    TTemporaryDataHome& operator=(const TTemporaryDataHome&) = delete;

    const std::string& Path() const { return Folder.Path(); }

private:
    TTempFolder Folder;
    std::optional<std::string> Previous;
};

// The program's default log (in hex mode) below a temporary data home.
class TTestLog {
public:
    TTestLog();
    ~TTestLog();
    TTestLog(const TTestLog&) = delete;
    TTestLog& operator=(const TTestLog&) = delete;

    // The log to hand to the objects under test.
    TLogManager& Get() { return *Log; }
    operator TLogManager&() { return *Log; }

    // The whole file as written so far.
    std::string Contents() const;
    // The texts of the records written so far, without number and time stamp; a record that
    // spans several lines is one element.
    std::vector<std::string> Texts() const;
    bool Contains(const std::string& Text) const;
    // True when the records hold Expected in this order (other records may lie between);
    // an expected text ending in "*" matches any record that starts with what precedes it.
    bool ContainsInOrder(const std::vector<std::string>& Expected) const;

private:
    TTemporaryDataHome DataHome;
    std::unique_ptr<TLogManager> Log;
};
