// The settings file "Settings.ini" in the program's data folder: an INI text file (UTF-8, or
// UTF-8 or UTF-16 with a byte order mark, kept as found when written back) that
// holds the serial port name (section "COM Port", key "COM Name"), the traffic log's size limit
// (section "Log", key "Log Limit") and the questions the window may stop asking.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Section and key names compare without regard to case, as INI files are usually read; values
// are taken as they stand, without the blanks around them.

// The value of Key in Section, or Default when the file, the section or the key is missing.
std::string ReadIniString(const std::string& FileName, const std::string& Section,
                          const std::string& Key, const std::string& Default);
// Sets Key in Section to Value, keeping every other line of the file; adds the section or the
// key when missing and creates the file when needed. False when the file cannot be written.
bool WriteIniString(const std::string& FileName, const std::string& Section, const std::string& Key,
                    const std::string& Value);

// A line for the user when the file exists but cannot be read (its settings then take their
// defaults); nothing when it is read or missing.
std::optional<std::string> SettingsFileProblem(const std::string& FileName);

// <program data folder>/Settings.ini.
std::string DefaultSettingsFileName();
// The stored port name; "COM1" when none is stored (or the stored one is empty).
std::string LoadPortName(const std::string& FileName = DefaultSettingsFileName());
// Stores Name, creating the data folder when needed. False when the file cannot be written.
bool SavePortName(const std::string& Name, const std::string& FileName = DefaultSettingsFileName());

// Whether the window asks before erasing the whole chip (section "Questions", key "Ask Before
// Chip Erase", "0" for no): yes unless told otherwise. Saving creates the data folder when
// needed; false when the file cannot be written.
bool LoadAskBeforeChipErase(const std::string& FileName = DefaultSettingsFileName());
bool SaveAskBeforeChipErase(bool Ask, const std::string& FileName = DefaultSettingsFileName());

// The stored traffic log limit, written as ParseLogLimit reads it ("64M"); DefaultLogLimit when
// none is stored or the stored text is not such a size.
std::uint64_t LoadLogLimit(const std::string& FileName = DefaultSettingsFileName());
