#include "operations/UIObjects.h"

#include "common/ResourseStrings.h"

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

namespace {

// The commands enabled while the image is empty: read, erase, the menus and loading.
TActionFlags EmptyImageActions() {
    TActionFlags Flags;
    Flags.Write = false;
    Flags.Compare = false;
    Flags.Save = false;
    return Flags;
}

} // namespace

void TBurnImagae::SetState(TBurnImageState NewState) {
    State = NewState;
    ShowState(State);
}

void TBurnImagae::ShowState(TBurnImageState ShownState) {
    if (View == nullptr) {
        return;
    }
    switch (ShownState) {
    case bisEmpty:
        SetImageName("");
        View->ShowStatePicture(TStatePicture::Empty, true);
        View->SetStateLabel(SEmptyImage);
        SetFileName("");
        SetPageCount(0);
        SetPageLength(0);
        View->UpdateActions(EmptyImageActions());
        break;
    case bisLoaded:
        View->ShowStatePicture(TStatePicture::Loaded, false);
        View->SetStateLabel(FormatText(SImageNameLabel, ImageName.c_str()));
        View->UpdateActions(TActionFlags());
        break;
    }
    View->Repaint();
}

void TBurnImagae::SetImageName(const std::string& Name) {
    ImageName = Name;
    if (View != nullptr) {
        View->SetStateLabel(FormatText(SImageNameLabel, ImageName.c_str()));
    }
}

void TBurnImagae::SetFileName(const std::string& NewFileName) {
    FileName = NewFileName;
    if (View != nullptr) {
        View->SetFileNameText(FileName);
    }
}

void TBurnImagae::SetPageCount(int Count) {
    PageCount = Count;
    if (View == nullptr) {
        return;
    }
    View->SetPageCountLabel(Count == 0
                                ? std::string(SNoPages)
                                : FormatText(SPageCountLabel, Count, GetPagesWord(Count).c_str()));
}

void TBurnImagae::SetPageLength(int Length) {
    PageLength = Length;
    if (View == nullptr) {
        return;
    }
    View->SetPageLengthLabel(Length == 0 ? std::string(SPageLengthUnknown)
                                         : FormatText(SPageLengthLabel, Length));
}

void TInfoRichEdit::AddMessage(const std::string& Text, TColor Color) {
    if (View != nullptr) {
        View->AddInfoLine(Text, Color);
    }
}

void TInfoRichEdit::Clear() {
    if (View != nullptr) {
        View->ClearInfo();
    }
}
