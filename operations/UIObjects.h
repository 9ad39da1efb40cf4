// Image state and information output shown to the user.
#pragma once

#include <string>

// The form of the word "страница" that goes with Number, chosen by the last digits of its
// decimal text: 1 страница, 2 страницы, 5 страниц, 11 страниц, 21 страница.
std::string GetPagesWord(int Number);
