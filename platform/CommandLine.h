// The words of a command line: how this program gets its own, and how a word is written into
// the single command-line text a Windows program is started with.
#pragma once

#include <string>
#include <vector>

// This program's arguments (without the program itself) as UTF-8. On Windows they come from the
// UTF-16 command line, so that names outside the ANSI code page arrive intact; elsewhere they
// are Words as given to main.
std::vector<std::string> ProgramArguments(int Count, char** Words);

// Word quoted for a Windows command line so that CommandLineToArgvW and the C runtime's parser
// give it back unchanged: left as it is when it has no blank or quote and is not empty,
// otherwise in quotes, with every quote and every backslash run before a quote or the closing
// quote escaped by backslashes.
std::string QuoteCommandLineWord(const std::string& Word);
