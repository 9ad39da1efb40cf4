#include "platform/PathSeparator.h"

std::string::size_type LastPathSeparator(const std::string& Path) {
    return Path.find_last_of("/\\");
}
