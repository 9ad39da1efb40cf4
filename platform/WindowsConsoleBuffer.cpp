#include "platform/WindowsConsoleBuffer.h"

#include "platform/WindowsText.h"

#include <windows.h>

namespace {

// Bytes at the end of Text that begin a UTF-8 character they do not finish.
std::size_t UnfinishedTail(const std::string& Text) {
    const std::size_t Size = Text.size();
    for (std::size_t Back = 1; Back <= 3 && Back <= Size; ++Back) {
        const auto Byte = static_cast<unsigned char>(Text[Size - Back]);
        if ((Byte & 0xC0) == 0x80) {
            continue; // a continuation byte: look further back for its lead
        }
        const std::size_t Length = Byte >= 0xF0 ? 4 : Byte >= 0xE0 ? 3 : Byte >= 0xC0 ? 2 : 1;
        return Length > Back ? Back : 0;
    }
    return 0;
}

} // namespace

TConsoleUtf16Buffer::int_type TConsoleUtf16Buffer::overflow(int_type Character) {
    if (!traits_type::eq_int_type(Character, traits_type::eof())) {
        Held += traits_type::to_char_type(Character);
        if (Held.back() == '\n') {
            WriteWholeCharacters();
        }
    }
    return traits_type::not_eof(Character);
}

std::streamsize TConsoleUtf16Buffer::xsputn(const char* Text, std::streamsize Count) {
    Held.append(Text, static_cast<std::size_t>(Count));
    if (Held.find('\n') != std::string::npos) {
        WriteWholeCharacters();
    }
    return Count;
}

int TConsoleUtf16Buffer::sync() {
    WriteWholeCharacters();
    return 0;
}

void TConsoleUtf16Buffer::WriteWholeCharacters() {
    const std::size_t Whole = Held.size() - UnfinishedTail(Held);
    if (Whole == 0) {
        return;
    }
    Write(WidenUtf8(Held.substr(0, Whole)));
    Held.erase(0, Whole);
}

TConsoleUtf16Buffer::TWriter ConsoleWriter(void* Handle) {
    return [Handle](const std::wstring& Text) {
        DWORD Written = 0;
        WriteConsoleW(Handle, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
    };
}
