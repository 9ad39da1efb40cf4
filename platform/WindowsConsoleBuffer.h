// A stream buffer that writes UTF-8 text to a Windows console as UTF-16: the C runtime's byte
// path garbles Cyrillic on some consoles even with the UTF-8 code page, WriteConsoleW never
// does. Used only by the Windows console files of the platform layer.
#pragma once

#include <functional>
#include <streambuf>
#include <string>

class TConsoleUtf16Buffer : public std::streambuf {
public:
    // Write takes each piece of whole characters; a console's is WriteConsoleW.
    using TWriter = std::function<void(const std::wstring& Text)>;

    explicit TConsoleUtf16Buffer(TWriter Write) : Write(std::move(Write)) {}
    ~TConsoleUtf16Buffer() override { WriteWholeCharacters(); }
    TConsoleUtf16Buffer(const TConsoleUtf16Buffer&) = delete;
    TConsoleUtf16Buffer& operator=(const TConsoleUtf16Buffer&) = delete;

protected:
    int_type overflow(int_type Character) override;
    std::streamsize xsputn(const char* Text, std::streamsize Count) override;
    int sync() override;

private:
    // Writes what is held up to the last whole UTF-8 character; a character cut between two
    // writes of the program waits for its rest.
    void WriteWholeCharacters();

    TWriter Write;
    std::string Held;
};

// The console writer for Handle (a HANDLE).
TConsoleUtf16Buffer::TWriter ConsoleWriter(void* Handle);
