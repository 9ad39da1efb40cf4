// A fresh folder below the system's temporary folder, removed with everything in it, and whole
// files read and written in one go.
#pragma once

#include <string>
#include <vector>

class TTempFolder {
public:
    // The folder is named Prefix followed by a unique suffix.
    explicit TTempFolder(const std::string& Prefix = "velmora-test");
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return Folder; }
    std::string File(const std::string& Name) const { return Folder + "/" + Name; }

private:
    std::string Folder;
};

// The bytes of the file; empty when it cannot be read.
std::string ReadFileText(const std::string& FileName);
// Replaces the file's contents with Text.
void WriteFileText(const std::string& FileName, const std::string& Text);
// The names of the files and folders in Folder (UTF-8), sorted.
std::vector<std::string> FileNamesIn(const std::string& Folder);
