#include "platform/CommandLine.h"

#include <cstddef>

std::string QuoteCommandLineWord(const std::string& Word) {
    if (!Word.empty() && Word.find_first_of(" \t\n\v\"") == std::string::npos) {
        return Word;
    }
    std::string Quoted = "\"";
    std::size_t Backslashes = 0;
    for (const char Character : Word) {
        if (Character == '\\') {
            ++Backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each one is doubled and the quote itself
        // gets one more; elsewhere they stand for themselves.
        const std::size_t Written = Character == '"' ? 2 * Backslashes + 1 : Backslashes;
        Quoted.append(Written, '\\');
        Quoted += Character;
        Backslashes = 0;
    }
    // The closing quote must stay a quote, so the backslashes before it are doubled.
    Quoted.append(2 * Backslashes, '\\');
    Quoted += '"';
    return Quoted;
}
