// The name of this computer, as the records of a line tell its stations apart.
#pragma once

#include <string>

// "-" when the system does not tell it.
std::string GetHostName();
