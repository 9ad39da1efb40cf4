// The system's Open and Save dialogs for image files, with the filters the Qt window offers:
// images (*.ldr), binary images (*.bin) and all files.
#pragma once

#include "winui/WindowsApi.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TFileDialogRequest {
    bool Save = false;
    // The name the save dialog offers.
    std::string SuggestedName;
    // Each filter's name and pattern ("Образы (*.ldr)", "*.ldr").
    std::vector<std::pair<std::string, std::string>> Filters;
};

// The filters of both dialogs, their patterns taken from the brackets of their names.
std::vector<std::pair<std::string, std::string>> ImageFileFilters();
// Runs the dialog Request asks for over Owner: the chosen path, nothing when cancelled. The
// save dialog leaves asking about an existing file to its caller.
std::optional<std::string> RunFileDialog(HWND Owner, const TFileDialogRequest& Request);
