#include "operations/UIObjects.h"

#include "app/ResourseStrings.h"

std::string GetPagesWord(int Number) {
    const std::string Text = std::to_string(Number);
    if (Text.size() >= 2 && Text[Text.size() - 2] == '1' && Text.back() >= '1' &&
        Text.back() <= '4') {
        return SPageWordMany;
    }
    switch (Text.back()) {
    case '1':
        return SPageWordOne;
    case '2':
    case '3':
    case '4':
        return SPageWordFew;
    default:
        return SPageWordMany;
    }
}
