#include "platform/CommandLine.h"

std::vector<std::string> ProgramArguments(int Count, char** Words) {
    return Count > 1 ? std::vector<std::string>(Words + 1, Words + Count)
                     : std::vector<std::string>();
}
