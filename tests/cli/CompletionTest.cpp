// The bash completion of velmora-cli, run by bash on command lines typed so far, against the
// command table the program itself checks command lines with.
#include "cli/CliCommands.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

namespace {

using TWords = std::set<std::string>;

class CliCompletion : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(Files.File("image.ldr"), "");
        ASSERT_TRUE(std::filesystem::create_directory(Files.File("notes")));
    }

    // What the completion offers after "velmora-cli Words...", the last word being the one
    // under the cursor, in a folder that holds image.ldr and the folder notes.
    TWords Complete(const std::vector<std::string>& Words) const {
        std::vector<std::string> Arguments = {
            "/bin/bash",
            "-c",
            "cd \"$1\" && source \"$2\" && shift 2 && COMP_WORDS=(\"$@\") && "
            "COMP_CWORD=$(($# - 1)) && _velmora_cli && printf '%s\\n' \"${COMPREPLY[@]}\"",
            "bash",
            Files.Path(),
            VELMORA_CLI_COMPLETION,
            "velmora-cli"};
        Arguments.insert(Arguments.end(), Words.begin(), Words.end());
        const TProcessResult Result = RunProcess(Arguments, Output.Path());
        EXPECT_EQ(Result.Code, 0) << Result.Err;
        EXPECT_EQ(Result.Err, "");
        TWords Offered;
        std::istringstream Lines(Result.Out);
        for (std::string Line; std::getline(Lines, Line);) {
            if (!Line.empty()) {
                Offered.insert(Line);
            }
        }
        return Offered;
    }

    static TWords OptionsOf(const TCliCommand& Command) {
        TWords Options;
        for (const auto* Names : {&Command.Options, &Command.Flags, &Command.OptionalValues}) {
            for (const std::string& Name : *Names) {
                Options.insert("--" + Name);
            }
        }
        return Options;
    }

    const TTempFolder Files{"velmora-completion"};
    const TTempFolder Output{"velmora-completion-output"};
    const TWords FolderEntries = {"image.ldr", "notes"};
};

} // namespace

TEST_F(CliCompletion, FirstWordIsACommandOrAnOptionBeforeIt) {
    TWords Commands = {"help"};
    for (const TCliCommand& Command : CliCommands()) {
        Commands.insert(Command.Name);
    }
    EXPECT_EQ(Complete({""}), Commands);
    EXPECT_EQ(Complete({"--simulate", "--log-limit", "16M", ""}), Commands);
    EXPECT_EQ(Complete({"--"}),
              (TWords{"--simulate", "--json", "--identify", "--port", "--log", "--log-append",
                      "--log-limit", "--records", "--help", "--version"}));
    EXPECT_EQ(Complete({"--json", ""}), Commands);
}

// Each command offers exactly the options and the number of files of the command table.
TEST_F(CliCompletion, EveryCommandOffersItsOptionsAndFiles) {
    for (const TCliCommand& Command : CliCommands()) {
        if (Command.Name == "station") {
            continue;
        }
        const TWords Options = OptionsOf(Command);
        EXPECT_EQ(Complete({Command.Name, "--"}), Options) << Command.Name;
        std::vector<std::string> Words = {Command.Name};
        for (std::size_t Given = 0; Given < Command.Parameters.size(); ++Given) {
            Words.push_back("");
            EXPECT_EQ(Complete(Words), FolderEntries) << Command.Name << " file " << Given;
            Words.back() = "image.ldr";
        }
        Words.push_back("");
        EXPECT_EQ(Complete(Words), Options) << Command.Name << " after its files";
    }
}

TEST_F(CliCompletion, OptionValuesAreSkippedAndNeverCompleted) {
    const std::pair<std::vector<std::string>, TWords> Cases[] = {
        {{"check", "im"}, {"image.ldr"}},
        {{"--port", "COM3", "write", "--first", "1", "--last", "2", ""}, FolderEntries},
        {{"--port", "=", "COM3", "read", "--first", "=", "1", ""}, FolderEntries},
        {{"write", "--port", ""}, {}},
        {{"write", "--first", "=", ""}, {}},
        {{"--log-limit", ""}, {}},
        {{"--version", ""}, {}},
    };
    for (const auto& [Words, Expected] : Cases) {
        EXPECT_EQ(Complete(Words), Expected) << testing::PrintToString(Words);
    }
}

// The station takes a programmer command, completed as that command plus the station's own
// option.
TEST_F(CliCompletion, StationOffersTheCommandsItRunsAndThenTheirOptions) {
    const TWords StationOptions = {"--record", "--records", "--serial-start", "--only-new"};
    TWords Jobs = {"write", "erase", "compare", "init"};
    Jobs.insert(StationOptions.begin(), StationOptions.end());
    EXPECT_EQ(Complete({"station", ""}), Jobs);
    EXPECT_EQ(Complete({"station", "--record", "boards.csv", "write", ""}), FolderEntries);
    TWords WriteOptions = StationOptions;
    for (const TCliCommand& Command : CliCommands()) {
        if (Command.Name == "write") {
            const TWords Options = OptionsOf(Command);
            WriteOptions.insert(Options.begin(), Options.end());
        }
    }
    EXPECT_EQ(Complete({"station", "write", "image.ldr", "--"}), WriteOptions);
}
