// Where a path's folder part ends: POSIX separates path names with '/' only (a '\' is part of a
// name there), Windows with both '/' and '\'.
#pragma once

#include <string>

// The position of Path's last separator; std::string::npos for a bare name.
std::string::size_type LastPathSeparator(const std::string& Path);
