#include "operations/Settings.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"
#include "operations/TextEncoding.h"
#include "platform/AppDataFolder.h"
#include "platform/PathSeparator.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace {

std::string Trim(const std::string& Text) {
    const char* Blanks = " \t\r\n";
    const size_t First = Text.find_first_not_of(Blanks);
    if (First == std::string::npos) {
        return "";
    }
    return Text.substr(First, Text.find_last_not_of(Blanks) - First + 1);
}

bool SameName(const std::string& A, const std::string& B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return std::tolower(static_cast<unsigned char>(X)) ==
                      std::tolower(static_cast<unsigned char>(Y));
           });
}

// One line of the file: its text and the line end it had ("\r\n", "\n", or nothing for a last
// line without one), so that writing the file back keeps every line as it was.
struct TLine {
    std::string Text;
    std::string End;
};

// The lines of the file, and the encoding it is written back in; no lines when it is missing or
// cannot be read.
struct TFileLines {
    std::vector<TLine> Lines;
    TTextEncoding Encoding = TTextEncoding::Utf8;
};

TFileLines ReadLines(const std::string& FileName) {
    const TDecodedText Decoded = DecodeText(ReadFileContent(FileName).value_or(""));
    TFileLines File{{}, Decoded.Encoding};
    std::vector<TLine>& Lines = File.Lines;
    const std::string& Content = Decoded.Utf8;
    std::size_t Start = 0;
    for (std::size_t Feed = Content.find('\n'); Feed != std::string::npos;
         Start = Feed + 1, Feed = Content.find('\n', Start)) {
        if (Feed > Start && Content[Feed - 1] == '\r') {
            Lines.push_back({Content.substr(Start, Feed - 1 - Start), "\r\n"});
        } else {
            Lines.push_back({Content.substr(Start, Feed - Start), "\n"});
        }
    }
    if (Start < Content.size()) {
        Lines.push_back({Content.substr(Start), ""});
    }
    return File;
}

// The line end new lines take: the one of the file's first ended line; LF when no line has one.
std::string LineEndOf(const std::vector<TLine>& Lines) {
    for (const TLine& Line : Lines) {
        if (!Line.End.empty()) {
            return Line.End;
        }
    }
    return "\n";
}

// The section name of a "[Name]" line.
std::optional<std::string> SectionOf(const std::string& Line) {
    const std::string Text = Trim(Line);
    if (Text.size() >= 2 && Text.front() == '[' && Text.back() == ']') {
        return Trim(Text.substr(1, Text.size() - 2));
    }
    return std::nullopt;
}

// The key of a "Key=Value" line (comments and lines without "=" have none).
std::optional<std::string> KeyOf(const std::string& Line) {
    const std::string Text = Trim(Line);
    if (Text.empty() || Text.front() == ';' || Text.front() == '#') {
        return std::nullopt;
    }
    const size_t Equals = Text.find('=');
    if (Equals == std::string::npos) {
        return std::nullopt;
    }
    return Trim(Text.substr(0, Equals));
}

std::string ValueOf(const std::string& Line) {
    return Trim(Line.substr(Line.find('=') + 1));
}

// Replaces the file with the lines as a whole, so a failed write never leaves half a settings
// file behind and a written one is on disk. Only the last line may lack an end.
bool WriteLines(const std::string& FileName, const TFileLines& File) {
    std::string Lines;
    for (const TLine& Line : File.Lines) {
        Lines += Line.Text;
        Lines += Line.End;
    }
    const std::string Text = EncodeText(Lines, File.Encoding);
    return ReplaceFileContent(
        FileName, [&Text](TFileHandle& File) { return File.WriteAll(Text) == Text.size(); });
}

} // namespace

std::string ReadIniString(const std::string& FileName, const std::string& Section,
                          const std::string& Key, const std::string& Default) {
    bool InSection = false;
    for (const TLine& Line : ReadLines(FileName).Lines) {
        if (const auto Name = SectionOf(Line.Text)) {
            InSection = SameName(*Name, Section);
        } else if (InSection) {
            const auto LineKey = KeyOf(Line.Text);
            if (LineKey && SameName(*LineKey, Key)) {
                return ValueOf(Line.Text);
            }
        }
    }
    return Default;
}

bool WriteIniString(const std::string& FileName, const std::string& Section, const std::string& Key,
                    const std::string& Value) {
    TFileLines File = ReadLines(FileName);
    std::vector<TLine>& Lines = File.Lines;
    const std::string End = LineEndOf(Lines);
    const std::string NewLine = Key + "=" + Value;
    bool InSection = false;
    std::optional<size_t> SectionEnd; // where a missing key goes: after the section's last line
    for (size_t Index = 0; Index < Lines.size(); ++Index) {
        if (const auto Name = SectionOf(Lines[Index].Text)) {
            InSection = SameName(*Name, Section);
            if (InSection) {
                SectionEnd = Index + 1;
            }
            continue;
        }
        if (!InSection) {
            continue;
        }
        const auto LineKey = KeyOf(Lines[Index].Text);
        if (LineKey && SameName(*LineKey, Key)) {
            Lines[Index].Text = NewLine;
            return WriteLines(FileName, File);
        }
        if (!Trim(Lines[Index].Text).empty()) {
            SectionEnd = Index + 1;
        }
    }
    if (SectionEnd) {
        Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(*SectionEnd), {NewLine, End});
    } else {
        if (!Lines.empty() && !Trim(Lines.back().Text).empty()) {
            Lines.push_back({"", End});
        }
        Lines.push_back({"[" + Section + "]", End});
        Lines.push_back({NewLine, End});
    }
    // A last line without an end that is no longer the last gets one.
    for (size_t Index = 0; Index + 1 < Lines.size(); ++Index) {
        if (Lines[Index].End.empty()) {
            Lines[Index].End = End;
        }
    }
    return WriteLines(FileName, File);
}

std::optional<std::string> SettingsFileProblem(const std::string& FileName) {
    TFileReader Reader;
    const TOpenResult Result = Reader.Open(FileName);
    std::string Content;
    if (Result == TOpenResult::Missing ||
        (Result == TOpenResult::Opened && Reader.ReadAll(Content))) {
        return std::nullopt;
    }
    return FormatText(SSettingsFileUnreadable, FileName.c_str());
}

std::string DefaultSettingsFileName() {
    return GetProgramDataFolder() + "/" + SSettingsFileName;
}

std::string LoadPortName(const std::string& FileName) {
    const std::string Name = ReadIniString(FileName, SComPortSection, SComNameKey, "");
    return Name.empty() ? SDefaultPortName : Name;
}

namespace {

// Writes Key, creating the data folder when needed.
bool StoreSetting(const std::string& FileName, const char* Section, const char* Key,
                  const std::string& Value) {
    const size_t Slash = LastPathSeparator(FileName);
    if (Slash != std::string::npos && Slash > 0) {
        EnsureFolderExists(FileName.substr(0, Slash));
    }
    return WriteIniString(FileName, Section, Key, Value);
}

} // namespace

bool SavePortName(const std::string& Name, const std::string& FileName) {
    return StoreSetting(FileName, SComPortSection, SComNameKey, Name);
}

bool LoadAskBeforeChipErase(const std::string& FileName) {
    return ReadIniString(FileName, SQuestionsSection, SAskBeforeChipEraseKey, "1") != "0";
}

bool SaveAskBeforeChipErase(bool Ask, const std::string& FileName) {
    return StoreSetting(FileName, SQuestionsSection, SAskBeforeChipEraseKey, Ask ? "1" : "0");
}

std::uint64_t LoadLogLimit(const std::string& FileName) {
    return ParseLogLimit(ReadIniString(FileName, SLogSection, SLogLimitKey, ""))
        .value_or(DefaultLogLimit);
}
