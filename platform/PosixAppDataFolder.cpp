#include "platform/AppDataFolder.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string HomeFolder() {
    const char* Home = std::getenv("HOME");
    if (Home != nullptr && *Home != '\0') {
        return Home;
    }
    const passwd* Entry = getpwuid(getuid());
    return Entry != nullptr && Entry->pw_dir != nullptr ? Entry->pw_dir : "/tmp";
}

std::string DataHome() {
    const char* XdgDataHome = std::getenv("XDG_DATA_HOME");
    if (XdgDataHome != nullptr && *XdgDataHome == '/') {
        return XdgDataHome;
    }
    return HomeFolder() + "/.local/share";
}

} // namespace

std::string GetProgramDataFolder() {
    return DataHome() + "/Velmora";
}

bool EnsureFolderExists(const std::string& Folder) {
    if (Folder.empty()) {
        return false;
    }
    for (std::string::size_type Slash = Folder.find('/', 1);; Slash = Folder.find('/', Slash + 1)) {
        const std::string Prefix = Folder.substr(0, Slash);
        if (mkdir(Prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
        if (Slash == std::string::npos) {
            break;
        }
    }
    struct stat Info {};
    return stat(Folder.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode);
}
