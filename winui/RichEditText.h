// Writing into a rich edit control at its end, each piece of text in its own format, while the
// user's selection stays as it was.
#pragma once

#include "winui/WindowsApi.h"

#include <string>

// Keeps a rich edit's selection (and hides it meanwhile) for as long as it lives.
class TSelectionKeeper {
public:
    explicit TSelectionKeeper(HWND Edit);
    ~TSelectionKeeper();
    TSelectionKeeper(const TSelectionKeeper&) = delete;
    TSelectionKeeper& operator=(const TSelectionKeeper&) = delete;

private:
    HWND Edit;
    CHARRANGE Kept{};
};

// Text (a CR ends a paragraph) at the end of Edit, in Format.
void AppendRichText(HWND Edit, const std::wstring& Text, const CHARFORMAT2W& Format);
// The format of the paragraph at the end of Edit, which the text appended next goes into.
void FormatLastParagraph(HWND Edit, const PARAFORMAT2& Format);
