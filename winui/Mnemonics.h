// Alt letters: for the items of one menu or the controls of one dialog, an item without a
// marked letter gets the first letter no other item has, trying the starts of words first; and
// the press of a dialog's control by its letter.
#pragma once

#include "winui/WindowsApi.h"

#include <string>
#include <vector>

// Captions as they are shown (UTF-16), with '&' before each chosen letter; a written '&' is
// doubled.
std::vector<std::wstring> WithMnemonics(const std::vector<std::wstring>& Captions);

// Presses the enabled, visible button or check box among Dialog's children whose Alt letter is
// Letter (either case), as Alt and that letter do. The system's own search compares Latin
// letters only in some of its versions. False when no control has that letter.
bool PressMnemonic(HWND Dialog, wchar_t Letter);
