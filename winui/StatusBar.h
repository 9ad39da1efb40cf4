// The main window's status bar: the percentage of a running operation, its progress bar and its
// remaining time, in three panels; the last takes the width the others leave.
#pragma once

#include "winui/WindowsApi.h"

#include <string>

class TStatusBar {
public:
    TStatusBar(HWND Parent, UINT Dpi);

    HWND Handle() const { return Bar; }
    HWND ProgressBar() const { return Progress; }
    // Fits the bar to the bottom of its parent (after the parent's size changed); its height.
    int Fit();
    // The panels' widths for a resolution.
    void SetDpi(UINT Dpi);
    void SetPanelText(int Panel, const std::string& Text);
    std::string PanelText(int Panel) const;
    void SetProgress(int Percent);

private:
    void PlaceProgressBar();

    HWND Bar = nullptr;
    HWND Progress = nullptr;
};
