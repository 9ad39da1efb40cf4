// The window's texts: UTF-8 from the string table in the program, UTF-16 at the Windows API.
#pragma once

#include "winui/WindowsApi.h"

#include <string>

std::wstring Wide(const std::string& Text);
std::string Narrow(const std::wstring& Text);
// A window's text (a control's caption or contents) as UTF-8.
std::string WindowTextOf(HWND Window);
void SetWindowTextTo(HWND Window, const std::string& Text);
