// A traffic log in a temporary data folder, installed as the process-wide log for one test.
#pragma once

#include "logging/LogManager.h"

#include <memory>
#include <string>
#include <vector>

class TTestLog {
public:
    TTestLog();
    ~TTestLog();
    TTestLog(const TTestLog&) = delete;
    TTestLog& operator=(const TTestLog&) = delete;

    // The texts of the records written so far (number and time stamp removed); a record with
    // line breaks is one element.
    std::vector<std::string> Texts() const;

private:
    std::string DataHome;
    std::unique_ptr<TLogManager> Log;
};
