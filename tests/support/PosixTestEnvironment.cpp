#include "tests/support/TestEnvironment.h"

#include <cstdlib>

void SetEnvironmentValue(const std::string& Name, const std::string& Value) {
    setenv(Name.c_str(), Value.c_str(), 1);
}

void UnsetEnvironmentValue(const std::string& Name) {
    unsetenv(Name.c_str());
}

std::string MakeUniqueFolder(const std::string& Prefix) {
    std::string Template = Prefix + "-XXXXXX";
    return ::mkdtemp(Template.data()) != nullptr ? Template : std::string();
}
