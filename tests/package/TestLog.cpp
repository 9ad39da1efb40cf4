#include "TestLog.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace {

int RemoveEntry(const char* Path, const struct stat*, int, struct FTW*) {
    return remove(Path);
}

} // namespace

TTestLog::TTestLog() {
    char Template[] = "/tmp/velmora-package-XXXXXX";
    if (mkdtemp(Template) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    DataHome = Template;
    setenv("XDG_DATA_HOME", DataHome.c_str(), 1);
    Log = std::make_unique<TLogManager>(TLogManager::DefaultFileName());
    Log->HexMode = true;
    GLogManager = Log.get();
}

TTestLog::~TTestLog() {
    GLogManager = nullptr;
    Log.reset();
    unsetenv("XDG_DATA_HOME");
    nftw(DataHome.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> TTestLog::Texts() const {
    std::ifstream Stream(Log->GetFileName(), std::ios::binary);
    const std::string Content{std::istreambuf_iterator<char>(Stream),
                              std::istreambuf_iterator<char>()};
    // Each record starts with "<number>\t<time stamp>\t" at the beginning of a line.
    std::vector<std::string> Result;
    std::string::size_type Start = 0;
    while (Start < Content.size()) {
        const auto TextStart = Content.find('\t', Content.find('\t', Start) + 1) + 1;
        auto End = Content.find("\r\n", TextStart);
        // Continuation lines of a byte list carry no TAB-separated header.
        while (End != std::string::npos && End + 2 < Content.size()) {
            const auto NextLineEnd = Content.find("\r\n", End + 2);
            const std::string NextLine = Content.substr(End + 2, NextLineEnd - End - 2);
            if (NextLine.find('\t') != std::string::npos) {
                break;
            }
            End = NextLineEnd;
        }
        Result.push_back(Content.substr(TextStart, End - TextStart));
        Start = End == std::string::npos ? Content.size() : End + 2;
    }
    return Result;
}
