// The settings file: the input, up to its first NUL byte, is written as Settings.ini; after the
// NUL come further writes to try, as lines of section, key and value in turn. The writes tried
// are the port name, every key the file seems to hold (with a new value) and those of the input.
//
// Every name that looks like a section or a key of the file is read before the writes. After
// each write the key reads back as the value written, and every other name reads as before;
// writing the same value again leaves the file as it is. Names and values that no INI line can
// carry are not written: line breaks anywhere, blanks around them, "=" in a key or a key that
// would read as a comment or a section.
#include "fuzz/FuzzCheck.h"
#include "operations/Settings.h"
#include "operations/TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Never a value: values hold no line breaks.
const std::string Absent = "\n";
constexpr std::size_t MostWrites = 5;

std::string FileName;

struct TName {
    std::string Section;
    std::string Key;
};

struct TWrite {
    TName Name;
    std::string Value;
};

bool HasBlankEnds(const std::string& Text) {
    const auto Blank = [](char C) { return C == ' ' || C == '\t'; };
    return !Text.empty() && (Blank(Text.front()) || Blank(Text.back()));
}

bool Writable(const TWrite& Write) {
    const auto Plain = [](const std::string& Text) {
        return Text.find_first_of("\r\n") == std::string::npos && !HasBlankEnds(Text);
    };
    const std::string& Key = Write.Name.Key;
    return Plain(Write.Name.Section) && Plain(Key) && Plain(Write.Value) &&
           Key.find('=') == std::string::npos &&
           (Key.empty() || (Key.front() != ';' && Key.front() != '#' && Key.front() != '['));
}

bool SameText(const std::string& A, const std::string& B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return std::tolower(static_cast<unsigned char>(X)) ==
                      std::tolower(static_cast<unsigned char>(Y));
           });
}

bool SameName(const TName& A, const TName& B) {
    return SameText(A.Section, B.Section) && SameText(A.Key, B.Key);
}

std::string Trimmed(const std::string& Text) {
    const std::size_t First = Text.find_first_not_of(" \t\r");
    if (First == std::string::npos) {
        return "";
    }
    return Text.substr(First, Text.find_last_not_of(" \t\r") - First + 1);
}

// The names a reader of Text might look for: "[...]" lines give sections, the text before "="
// gives keys, and every key is paired with every section.
std::vector<TName> NamesIn(const std::string& Text) {
    std::vector<std::string> Sections = {""};
    std::vector<std::string> Keys;
    std::istringstream Lines(Text);
    std::string Line;
    while (std::getline(Lines, Line)) {
        const std::string Plain = Trimmed(Line);
        if (Plain.size() >= 2 && Plain.front() == '[' && Plain.back() == ']') {
            Sections.push_back(Trimmed(Plain.substr(1, Plain.size() - 2)));
        } else if (Plain.find('=') != std::string::npos) {
            Keys.push_back(Trimmed(Plain.substr(0, Plain.find('='))));
        }
    }
    Keys.resize(std::min<std::size_t>(Keys.size(), 8));
    Sections.resize(std::min<std::size_t>(Sections.size(), 4));
    std::vector<TName> Names;
    for (const std::string& Section : Sections) {
        for (const std::string& Key : Keys) {
            Names.push_back({Section, Key});
        }
    }
    return Names;
}

std::string FileText() {
    std::ifstream File(FileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

void WriteFileText(const std::string& Text) {
    std::ofstream File(FileName, std::ios::binary | std::ios::trunc);
    File << Text;
    File.close();
    FUZZ_REQUIRE(File.good());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* Base = std::getenv("TMPDIR");
    std::string Folder = std::string(Base != nullptr && Base[0] != '\0' ? Base : "/tmp") +
                         "/velmora-settings-fuzz-XXXXXX";
    FUZZ_REQUIRE(::mkdtemp(Folder.data()) != nullptr);
    FileName = Folder + "/Settings.ini";
    static const std::string Remove = Folder;
    std::atexit([] {
        ::unlink(FileName.c_str());
        ::rmdir(Remove.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string Input(reinterpret_cast<const char*>(Data), Size);
    const std::size_t Split = std::min(Input.find('\0'), Input.size());
    const std::string Text = Input.substr(0, Split);
    // The model below reads the bytes as UTF-8 lines; a file with a byte order mark is decoded
    // first, which the settings tests cover.
    if (DecodeText(Text).Encoding != TTextEncoding::Utf8) {
        return 0;
    }
    WriteFileText(Text);

    std::vector<TName> Names = NamesIn(Text);
    std::vector<TWrite> Writes = {{{"COM Port", "COM Name"}, "COM7"}};
    for (std::size_t Index = 0; Index < Names.size() && Index < 2; ++Index) {
        Writes.push_back({Names[Index], "v" + std::to_string(Index)});
    }
    std::istringstream Requests(Split < Input.size() ? Input.substr(Split + 1) : "");
    TWrite Request;
    while (std::getline(Requests, Request.Name.Section) &&
           std::getline(Requests, Request.Name.Key) && std::getline(Requests, Request.Value)) {
        Writes.push_back(Request);
    }
    Writes.resize(std::min(Writes.size(), MostWrites));

    std::vector<std::string> Values;
    for (const TName& Name : Names) {
        Values.push_back(ReadIniString(FileName, Name.Section, Name.Key, Absent));
    }
    FUZZ_REQUIRE(!LoadPortName(FileName).empty());

    for (const TWrite& Write : Writes) {
        if (!Writable(Write)) {
            continue;
        }
        FUZZ_REQUIRE(WriteIniString(FileName, Write.Name.Section, Write.Name.Key, Write.Value));
        FUZZ_REQUIRE(ReadIniString(FileName, Write.Name.Section, Write.Name.Key, Absent) ==
                     Write.Value);
        for (std::size_t Index = 0; Index < Names.size(); ++Index) {
            if (SameName(Names[Index], Write.Name)) {
                Values[Index] = Write.Value;
            }
            FUZZ_REQUIRE(ReadIniString(FileName, Names[Index].Section, Names[Index].Key, Absent) ==
                         Values[Index]);
        }
        Names.push_back(Write.Name);
        Values.push_back(Write.Value);

        const std::string Written = FileText();
        FUZZ_REQUIRE(WriteIniString(FileName, Write.Name.Section, Write.Name.Key, Write.Value));
        FUZZ_REQUIRE(FileText() == Written);
    }

    const std::string Port = Writes.back().Value;
    if (Writable(Writes.back()) && !Port.empty()) {
        FUZZ_REQUIRE(SavePortName(Port, FileName));
        FUZZ_REQUIRE(LoadPortName(FileName) == Port);
    }
    return 0;
}
