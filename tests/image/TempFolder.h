// A fresh folder below the system's temporary folder, removed with everything in it.
#pragma once

#include <string>

class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return Folder; }
    std::string File(const std::string& Name) const { return Folder + "/" + Name; }

private:
    std::string Folder;
};

std::string ReadFileText(const std::string& FileName);
void WriteFileText(const std::string& FileName, const std::string& Text);
