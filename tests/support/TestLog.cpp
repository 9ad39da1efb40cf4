#include "tests/support/TestLog.h"
#include "tests/support/TestEnvironment.h"

#include <algorithm>
#include <cstdlib>

TLogManager& NoLog() {
    static TLogManager Off;
    return Off;
}

TTemporaryDataHome::TTemporaryDataHome(const std::string& Prefix) : Folder(Prefix) {
    if (const char* Value = std::getenv("XDG_DATA_HOME")) {
        Previous = Value;
    }
    SetEnvironmentValue("XDG_DATA_HOME", Folder.Path());
}

TTemporaryDataHome::~TTemporaryDataHome() {
    if (Previous) {
        SetEnvironmentValue("XDG_DATA_HOME", *Previous);
    } else {
        UnsetEnvironmentValue("XDG_DATA_HOME");
    }
}

TTestLog::TTestLog() : DataHome("velmora-log") {
    Log = std::make_unique<TLogManager>(TLogManager::DefaultFileName());
    Log->HexMode = true;
}

TTestLog::~TTestLog() {
    Log.reset();
}

std::string TTestLog::Contents() const {
    return ReadFileText(Log->GetFileName());
}

std::vector<std::string> TTestLog::Texts() const {
    const std::string Content = Contents();
    // A record begins with "<number>\t<time stamp>\t"; continuation lines of a long byte list
    // hold no TAB.
    std::vector<std::string> Result;
    std::string::size_type LineStart = 0;
    while (LineStart < Content.size()) {
        auto LineEnd = Content.find("\r\n", LineStart);
        if (LineEnd == std::string::npos) {
            LineEnd = Content.size();
        }
        const std::string Line = Content.substr(LineStart, LineEnd - LineStart);
        const auto FirstTab = Line.find('\t');
        const auto SecondTab =
            FirstTab == std::string::npos ? FirstTab : Line.find('\t', FirstTab + 1);
        if (SecondTab != std::string::npos) {
            Result.push_back(Line.substr(SecondTab + 1));
        } else if (!Result.empty()) {
            Result.back() += "\r\n" + Line;
        }
        LineStart = LineEnd + 2;
    }
    return Result;
}

bool TTestLog::Contains(const std::string& Text) const {
    const std::vector<std::string> Records = Texts();
    return std::find(Records.begin(), Records.end(), Text) != Records.end();
}

bool TTestLog::ContainsInOrder(const std::vector<std::string>& Expected) const {
    const std::vector<std::string> Records = Texts();
    auto Next = Records.begin();
    for (const std::string& Text : Expected) {
        const bool Prefix = !Text.empty() && Text.back() == '*';
        const std::string Wanted = Prefix ? Text.substr(0, Text.size() - 1) : Text;
        Next = std::find_if(Next, Records.end(), [&](const std::string& Record) {
            return Prefix ? Record.compare(0, Wanted.size(), Wanted) == 0 : Record == Wanted;
        });
        if (Next == Records.end()) {
            return false;
        }
        ++Next;
    }
    return true;
}
