// The desktop program's own command-line options; everything else is left to the toolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TProgramOptions {
    bool Help = false;
    bool Version = false; // --version: print the program's name and version
    // Run against the in-process programmer simulator on a pseudo-terminal.
    bool Simulate = false;
    // Documentation pictures: the folder they go to, and the image loaded and written first.
    std::string ScreenshotFolder;
    std::string ScreenshotImage;
    // The traffic log's size limit (--log-limit SIZE); nothing: the one in Settings.ini.
    std::optional<std::uint64_t> LogLimit;
};

// Reads the program's options from the arguments (without the program name). Unknown
// arguments are the toolkit's. Returns nothing and sets Error when an option lacks its value
// or a --log-limit size is not valid.
std::optional<TProgramOptions> ParseProgramOptions(const std::vector<std::string>& Arguments,
                                                   std::string& Error);
