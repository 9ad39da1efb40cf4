#include "simulator/SimulatorCommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>

namespace {

// Unsigned number in decimal, or hexadecimal with 0x.
bool ParseNumber(const std::string& Text, unsigned long long Maximum, unsigned long long& Value) {
    if (Text.empty() || Text[0] == '-' || Text[0] == '+') {
        return false;
    }
    char* End = nullptr;
    errno = 0;
    Value = std::strtoull(Text.c_str(), &End, 0);
    return errno == 0 && *End == '\0' && Value <= Maximum;
}

template <typename T> bool ParseInto(const std::string& Text, T& Target) {
    unsigned long long Value = 0;
    if (!ParseNumber(Text, std::numeric_limits<T>::max(), Value)) {
        return false;
    }
    Target = static_cast<T>(Value);
    return true;
}

// CMD=CODE, both bytes.
bool ParseForcedReply(const std::string& Text, TSimulatorOptions& Options) {
    const auto Equals = Text.find('=');
    std::uint8_t Command = 0;
    std::uint8_t Code = 0;
    if (Equals == std::string::npos || !ParseInto(Text.substr(0, Equals), Command) ||
        !ParseInto(Text.substr(Equals + 1), Code)) {
        return false;
    }
    Options.ForcedReplies[Command] = Code;
    return true;
}

// CODE (the success code of every page command) or CMD=CODE, both bytes.
bool ParseSuccessCode(const std::string& Text, TSimulatorOptions& Options) {
    const auto Equals = Text.find('=');
    std::uint8_t Code = 0;
    if (Equals == std::string::npos) {
        if (!ParseInto(Text, Code)) {
            return false;
        }
        for (const std::uint8_t Command :
             {SimCmdTransfer, SimCmdWrite, SimCmdRead, SimCmdCompare, SimCmdErase}) {
            Options.SuccessCodes[Command] = Code;
        }
        return true;
    }
    std::uint8_t Command = 0;
    if (!ParseInto(Text.substr(0, Equals), Command) || !ParseInto(Text.substr(Equals + 1), Code)) {
        return false;
    }
    Options.SuccessCodes[Command] = Code;
    return true;
}

// PAGE=CODE, writes of chip page PAGE refused with CODE.
bool ParseRefusedWrites(const std::string& Text, TSimulatorOptions& Options) {
    const auto Equals = Text.find('=');
    std::uint16_t Page = 0;
    std::uint8_t Code = 0;
    if (Equals == std::string::npos || !ParseInto(Text.substr(0, Equals), Page) ||
        !ParseInto(Text.substr(Equals + 1), Code)) {
        return false;
    }
    Options.RefusedWrites[Page] = Code;
    return true;
}

// One number or a comma-separated list of them, each handed to Take (false: not accepted).
template <typename T> bool ParseList(const std::string& Text, const std::function<bool(T)>& Take) {
    std::size_t From = 0;
    while (true) {
        const auto Comma = Text.find(',', From);
        T Value = 0;
        if (!ParseInto(Text.substr(From, Comma - From), Value) || !Take(Value)) {
            return false;
        }
        if (Comma == std::string::npos) {
            return true;
        }
        From = Comma + 1;
    }
}

bool ParsePageList(const std::string& Text, TSimulatorOptions& Options) {
    return ParseList<std::uint16_t>(Text, [&](std::uint16_t Page) {
        Options.UnknownPages.insert(Page);
        return true;
    });
}

bool ParseStuckPages(const std::string& Text, TSimulatorOptions& Options) {
    return ParseList<std::uint16_t>(Text, [&](std::uint16_t Page) {
        Options.StuckPages.insert(Page);
        return true;
    });
}

// PAGE=N, N writes of chip page PAGE lost.
bool ParseLostWrites(const std::string& Text, TSimulatorOptions& Options) {
    const auto Equals = Text.find('=');
    std::uint16_t Page = 0;
    std::size_t Count = 0;
    if (Equals == std::string::npos || !ParseInto(Text.substr(0, Equals), Page) ||
        !ParseInto(Text.substr(Equals + 1), Count)) {
        return false;
    }
    Options.LostWrites[Page] = Count;
    return true;
}

// Frame numbers count from 1.
bool ParseFrameList(const std::string& Text, TSimulatorOptions& Options) {
    return ParseList<std::size_t>(Text, [&](std::size_t Frame) {
        return Frame != 0 && (Options.LateFrames.insert(Frame), true);
    });
}

bool ParseCount(const std::string& Text, std::optional<std::size_t>& Target) {
    std::size_t Value = 0;
    if (!ParseInto(Text, Value)) {
        return false;
    }
    Target = Value;
    return true;
}

} // namespace

bool ParseSimulatorCommandLine(const std::vector<std::string>& Arguments,
                               TSimulatorCommandLine& CommandLine, std::string& Error) {
    TSimulatorOptions& Options = CommandLine.Options;
    using TValueParser = std::function<bool(const std::string&)>;
    const std::vector<std::pair<std::string, TValueParser>> ValueFlags = {
        {"--chip", [&](const std::string& V) { return !(Options.ChipFile = V).empty(); }},
        {"--link", [&](const std::string& V) { return !(CommandLine.LinkPath = V).empty(); }},
        {"--id", [&](const std::string& V) { return Options.IdentificationText = V, true; }},
        {"--baud",
         [&](const std::string& V) { return ParseInto(V, Options.BaudRate) && Options.BaudRate; }},
        {"--success", [&](const std::string& V) { return ParseSuccessCode(V, Options); }},
        {"--reply", [&](const std::string& V) { return ParseForcedReply(V, Options); }},
        {"--refuse-write", [&](const std::string& V) { return ParseRefusedWrites(V, Options); }},
        {"--unknown-page", [&](const std::string& V) { return ParsePageList(V, Options); }},
        {"--stuck-page", [&](const std::string& V) { return ParseStuckPages(V, Options); }},
        {"--lose-writes", [&](const std::string& V) { return ParseLostWrites(V, Options); }},
        {"--noise", [&](const std::string& V) { return ParseInto(V, Options.NoiseBytes); }},
        {"--broken-frame",
         [&](const std::string& V) {
             return ParseInto(V, Options.BrokenFrameBytes) &&
                    (Options.BrokenFrameBytes == 0 || Options.BrokenFrameBytes >= 4);
         }},
        {"--pieces", [&](const std::string& V) { return ParseInto(V, Options.ReplyPieceSize); }},
        {"--piece-gap",
         [&](const std::string& V) { return ParseInto(V, Options.ReplyPieceGapMs); }},
        {"--delay", [&](const std::string& V) { return ParseInto(V, Options.ReplyDelayMs); }},
        {"--stop-after", [&](const std::string& V) { return ParseCount(V, Options.StopAfter); }},
        {"--cut-reply", [&](const std::string& V) { return ParseCount(V, Options.CutRepliesTo); }},
        {"--late", [&](const std::string& V) { return ParseFrameList(V, Options); }},
        {"--damage", [&](const std::string& V) { return ParseInto(V, Options.DamageEvery); }},
        {"--hang-up-after",
         [&](const std::string& V) { return ParseCount(V, Options.HangUpAfter); }},
    };

    for (std::size_t i = 0; i < Arguments.size(); ++i) {
        const std::string& Argument = Arguments[i];
        if (Argument == "--help" || Argument == "-h") {
            CommandLine.ShowHelp = true;
            continue;
        }
        if (Argument == "--version") {
            CommandLine.ShowVersion = true;
            continue;
        }
        if (Argument == "--silent") {
            Options.NeverAnswer = true;
            continue;
        }
        if (Argument == "--no-echo") {
            Options.EchoNumbers = false;
            continue;
        }
        if (Argument == "--verbose" || Argument == "-v") {
            CommandLine.Verbose = true;
            continue;
        }
        // --flag VALUE or --flag=VALUE
        const auto Equals = Argument.find('=');
        const std::string Flag = Argument.substr(0, Equals);
        const TValueParser* Parser = nullptr;
        for (const auto& Entry : ValueFlags) {
            if (Entry.first == Flag) {
                Parser = &Entry.second;
            }
        }
        if (Parser == nullptr) {
            Error = "unknown option " + Argument;
            return false;
        }
        std::string Value;
        if (Equals != std::string::npos) {
            Value = Argument.substr(Equals + 1);
        } else if (i + 1 < Arguments.size()) {
            Value = Arguments[++i];
        } else {
            Error = "option " + Flag + " needs a value";
            return false;
        }
        if (!(*Parser)(Value)) {
            Error = "bad value '" + Value + "' for " + Flag;
            return false;
        }
    }
    return true;
}

const char* SimulatorHelpText() {
    return R"(Usage: velmora-sim [OPTIONS]

Stands in for the Velmora programmer board: opens a pseudo-terminal, prints the path of its
port side on the first line of standard output, and answers the program's requests on it
until SIGINT or SIGTERM (or until a hang-up fault ends it).

The board holds a 528-byte page buffer and a chip of 4096 pages of 528 bytes, erased (0xFF)
at start. Commands and replies (package number echoed unless --no-echo):
  0x10 transfer  528 data bytes into the buffer        -> 0x11, page echoed
  0x20 write     the buffer into the chip page          -> 0x21
  0x30 read      the chip page into the buffer          -> 0x31
  0x40 compare   the chip page with the buffer          -> 0x41 equal, 0x44 different
  0x50 erase     the chip page (0xFF)                   -> 0x51
  0x60 request   the buffer                             -> 0x65, page number of the buffer
                 (0xFFFF before any read or transfer), the 528 buffer bytes
  0xF0 initialise                                       -> 0xF6, the identification text
A frame with a wrong checksum, a data length field that disagrees with the data, fewer than
7 package bytes or an undoubled 0xAA gets 0x02. An unknown command, a page beyond 4095, or
a transfer of other than 528 bytes gets the command's high nibble with low nibble 3
(for example 0x70 -> 0x73, write of page 5000 -> 0x23).

Options:
  --chip FILE          keep the chip in FILE: loaded at start when present (it must hold
                       exactly 2162688 bytes), created erased otherwise; every written or
                       erased page is stored at once
  --link PATH          make a symbolic link PATH to the port (replaces an existing link,
                       removed at exit)
  --id TEXT            identification text (default "Velmora simulator 1.0")
  --baud N             pace the line at N baud, 10 bits per byte: a request counts as
                       arrived and a reply as sent only after its wire time
  --success CODE       answer the success of every page command (transfer, write, read,
                       compare, erase) with CODE, as a board with one success code;
                       CMD=CODE for command CMD alone (repeatable; e.g. --success 0x51)
  --verbose, -v        one line per request and reply on standard error
  --help, -h           this text
  --version            the program's name and version

Faults (for tests):
  --silent             record requests, never answer
  --reply CMD=CODE     answer command CMD with reply code CODE without carrying it out
                       (repeatable; e.g. --reply 0x20=0x23)
  --unknown-page LIST  answer the request command with page number 0xFFFF when the buffer
                       holds one of these pages (comma-separated, repeatable)
  --stuck-page LIST    in these chip pages (comma-separated, repeatable) the lowest bit of
                       every byte is stuck at 0: they never read back as written unless
                       that bit is 0 everywhere
  --lose-writes PAGE=N acknowledge the next N writes of chip page PAGE without carrying
                       them out (repeatable)
  --refuse-write PAGE=CODE
                       refuse every write of chip page PAGE with reply code CODE
                       (repeatable; e.g. --refuse-write 17=0x13)
  --noise N            send N noise bytes (never 0xAA) before every reply
  --broken-frame N     send a damaged frame of N bytes (at least 4: 0xAA, noise, 0x55, a
                       byte) just before every reply, in the same write
  --pieces N           write every reply in pieces of N bytes
  --piece-gap MS       pause between pieces (default 2)
  --delay MS           answer every request MS milliseconds late
  --late LIST          hold back the replies to these frames (numbered from 1,
                       comma-separated) and send each just before the reply to the next
                       frame, as a board that answered after the program gave up waiting
  --no-echo            number replies with the board's own running number instead of
                       echoing the request's
  --damage N           flip one bit in every N-th reply package (1: every reply), as a
                       reply damaged on the line
  --stop-after N       answer the first N frames, then only record
  --cut-reply N        cut every reply package to its first N bytes before framing it
                       (below 7: a reply too short to be a package)
  --hang-up-after N    answer the first N frames; the next frame unplugs the board: the
                       simulator closes its side (the program sees a hang-up) and exits

Numbers may be decimal or hexadecimal (0x...). Options take their value as the next
argument or after '=' (--delay=50).
)";
}
