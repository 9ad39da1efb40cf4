#include "app/ProgramOptions.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"

std::optional<TProgramOptions> ParseProgramOptions(const std::vector<std::string>& Arguments,
                                                   std::string& Error) {
    TProgramOptions Options;
    for (size_t Index = 0; Index < Arguments.size(); ++Index) {
        const std::string& Argument = Arguments[Index];
        auto Value = [&](std::string& Target) {
            if (Index + 1 >= Arguments.size()) {
                Error = FormatText(SGuiMissingOptionValue, Argument.c_str());
                return false;
            }
            Target = Arguments[++Index];
            return true;
        };
        if (Argument == "--help" || Argument == "-h") {
            Options.Help = true;
        } else if (Argument == "--version") {
            Options.Version = true;
        } else if (Argument == "--simulate") {
            Options.Simulate = true;
        } else if (Argument == "--screenshot") {
            if (!Value(Options.ScreenshotFolder)) {
                return std::nullopt;
            }
        } else if (Argument == "--screenshot-image") {
            if (!Value(Options.ScreenshotImage)) {
                return std::nullopt;
            }
        } else if (Argument == "--log-limit" || Argument.rfind("--log-limit=", 0) == 0) {
            std::string Size;
            if (Argument == "--log-limit") {
                if (!Value(Size)) {
                    return std::nullopt;
                }
            } else {
                Size = Argument.substr(Argument.find('=') + 1);
            }
            Options.LogLimit = ParseLogLimit(Size);
            if (!Options.LogLimit) {
                Error = FormatText(SGuiBadLogLimit, Size.c_str());
                return std::nullopt;
            }
        }
    }
    return Options;
}
