#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

std::string LastSystemError() {
    return std::strerror(errno);
}
