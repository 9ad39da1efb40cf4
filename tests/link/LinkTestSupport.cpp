#include "tests/link/LinkTestSupport.h"

#include "simulator/SimulatorWire.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

TLinkTestLog::TLinkTestLog() {
    char Template[] = "/tmp/velmora-link-XXXXXX";
    if (mkdtemp(Template) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    Folder = Template;
    Log = std::make_unique<TLogManager>(Folder + "/Velmora.log");
    Log->HexMode = true;
    GLogManager = Log.get();
}

TLinkTestLog::~TLinkTestLog() {
    GLogManager = nullptr;
    const std::string FileName = Log->GetFileName();
    Log.reset();
    std::remove(FileName.c_str());
    rmdir(Folder.c_str());
}

std::vector<std::string> TLinkTestLog::Texts() const {
    std::ifstream Stream(Log->GetFileName(), std::ios::binary);
    const std::string Content{std::istreambuf_iterator<char>(Stream),
                              std::istreambuf_iterator<char>()};
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

bool TLinkTestLog::Contains(const std::string& Text) const {
    const std::vector<std::string> Records = Texts();
    return std::find(Records.begin(), Records.end(), Text) != Records.end();
}

bool TLinkTestLog::ContainsInOrder(const std::vector<std::string>& Expected) const {
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

std::unique_ptr<TProgrammerSimulator> StartSimulator(TSimulatorOptions Options) {
    auto Simulator = std::make_unique<TProgrammerSimulator>(std::move(Options));
    Simulator->Start();
    return Simulator;
}

TByteArray ExpectedFrame(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                         const TByteArray& Data) {
    return SimComposeFrame(SimBuildPackage(Number, Command, PageNumber, Data));
}

TByteArray PagePattern(std::uint8_t Seed) {
    TByteArray Page(SimPageLength);
    for (std::size_t i = 0; i < Page.size(); ++i) {
        Page[i] = static_cast<std::uint8_t>(i * 37 + Seed);
    }
    return Page;
}

TByteArray Hex(const std::string& Text) {
    TByteArray Bytes;
    std::size_t Position = 0;
    while ((Position = Text.find_first_not_of(' ', Position)) != std::string::npos) {
        Bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(Text.substr(Position, 2), nullptr, 16)));
        Position += 2;
    }
    return Bytes;
}
