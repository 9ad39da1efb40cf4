// Alt letters for the items of one menu: an item without a marked letter gets the first letter
// no other item of the menu has, trying the starts of words first.
#pragma once

#include <string>
#include <vector>

// Captions as they are shown (UTF-16), with '&' before each chosen letter; a written '&' is
// doubled.
std::vector<std::wstring> WithMnemonics(const std::vector<std::wstring>& Captions);
