// The reason the system gives for the last failed call of this thread, as text for a message.
#pragma once

#include <string>

// The system's text for the last error (errno on Linux, GetLastError on Windows).
std::string LastSystemError();
