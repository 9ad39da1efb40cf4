// velmora-cli: checks, dumps and re-saves image files from the command line.
#include "cli/CliCommands.h"
#include "cli/HeapTuning.h"
#include "platform/CommandLine.h"
#include "platform/Console.h"

#include <iostream>

int main(int ArgumentCount, char** ArgumentValues) {
    KeepFreedMemoryForReuse();
    PrepareConsoleOutput();
    std::ios::sync_with_stdio(false);
    return RunCli(ProgramArguments(ArgumentCount, ArgumentValues), std::cout, std::cerr);
}
