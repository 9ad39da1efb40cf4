// A settings file in a fresh temporary folder, for the settings tests.
#pragma once

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class TSettingsFileFixture : public testing::Test {
protected:
    void WriteFile(const std::string& Text) { WriteFileText(FileName, Text); }
    std::string ReadFile() { return ReadFileText(FileName); }

    TTempFolder Temp{"velmora-settings"};
    const std::filesystem::path Folder = Temp.Path();
    const std::string FileName = (Folder / "Settings.ini").u8string();
};
