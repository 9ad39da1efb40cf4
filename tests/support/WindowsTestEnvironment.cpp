#include "platform/WindowsText.h"
#include "tests/support/TestEnvironment.h"

#include <cstdlib>
#include <random>
#include <windows.h>

// The C runtime's copy of the environment, which getenv reads, changes along with the
// process's own.
void SetEnvironmentValue(const std::string& Name, const std::string& Value) {
    _wputenv_s(WidenUtf8(Name).c_str(), WidenUtf8(Value).c_str());
}

void UnsetEnvironmentValue(const std::string& Name) {
    _wputenv_s(WidenUtf8(Name).c_str(), L"");
}

std::string MakeUniqueFolder(const std::string& Prefix) {
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device Seed;
    std::mt19937 Random(Seed());
    std::uniform_int_distribution<std::size_t> Pick(0, sizeof Letters - 2);
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        std::string Folder = Prefix + "-";
        for (int Index = 0; Index < 6; ++Index) {
            Folder += Letters[Pick(Random)];
        }
        if (CreateDirectoryW(WidenUtf8(Folder).c_str(), nullptr) != 0) {
            return Folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    return {};
}
