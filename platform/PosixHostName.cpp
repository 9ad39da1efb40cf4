#include "platform/HostName.h"

#include <unistd.h>

std::string GetHostName() {
    char Name[256] = {};
    if (gethostname(Name, sizeof(Name) - 1) != 0 || Name[0] == '\0') {
        return "-";
    }
    return Name;
}
