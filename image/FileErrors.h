// The failures of writing an image file, worded for the user.
#pragma once

#include "common/Exception.h"

#include <string>

// "Не удалось записать файл ...", saying so when the file is marked read-only: the save was
// refused to keep it.
Exception CannotWriteFileError(const std::string& FileName);
