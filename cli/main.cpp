// velmora-cli: checks, dumps and re-saves image files from the command line.
#include "cli/CliCommands.h"
#include "cli/HeapTuning.h"

#include <iostream>

int main(int ArgumentCount, char** ArgumentValues) {
    KeepFreedMemoryForReuse();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> Arguments(ArgumentValues + 1, ArgumentValues + ArgumentCount);
    return RunCli(Arguments, std::cout, std::cerr);
}
