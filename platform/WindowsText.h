// File names and other texts are UTF-8 in the program and UTF-16 at the Windows API: the
// conversions between them. Used only by the Windows files of the platform layer.
#pragma once

#include <string>

// Text as UTF-16 for the ...W functions; invalid UTF-8 becomes U+FFFD.
std::wstring WidenUtf8(const std::string& Text);
// A UTF-16 text from the Windows API as UTF-8.
std::string NarrowToUtf8(const std::wstring& Text);
