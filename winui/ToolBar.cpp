#include "winui/ToolBar.h"

#include "common/ResourseStrings.h"
#include "winui/CommandCaptions.h"
#include "winui/CommandIds.h"
#include "winui/Controls.h"
#include "winui/Mnemonics.h"
#include "winui/Pictures.h"
#include "winui/WinText.h"

#include <string>
#include <vector>

namespace {

using TCommand = TWindowCommand;

constexpr int PictureSize = 32;
constexpr int ButtonWidth = 62;

struct TButtonSpec {
    TCommand Command;
    const wchar_t* Picture;
    const char* Caption;
    // The drop-down's items, the full form first; none for a plain button.
    std::vector<std::pair<TCommand, const char*>> DropDown;
};

const std::vector<TButtonSpec>& ButtonSpecs() {
    static const std::vector<TButtonSpec> Specs = {
        {TCommand::WriteImage,
         L"WRITE",
         SWriteButtonCaption,
         {{TCommand::WriteImage, SWriteFullCaption}, {TCommand::WritePages, SWritePagesCaption}}},
        {TCommand::ReadImage,
         L"READ",
         SReadButtonCaption,
         {{TCommand::ReadImage, SReadFullCaption}, {TCommand::ReadPages, SReadPagesCaption}}},
        {TCommand::EraseChip,
         L"ERASE",
         SDeleteButtonCaption,
         {{TCommand::EraseChip, SDeleteFullCaption}, {TCommand::ErasePages, SDeletePagesCaption}}},
        {TCommand::CompareImage,
         L"COMPARE",
         SCompareButtonCaption,
         {{TCommand::CompareImage, SCompareFullCaption},
          {TCommand::ComparePages, SComparePagesCaption},
          {TCommand::VerifyAll, SVerifyAllCaption}}},
        {TCommand::SaveImage, L"SAVE", SSaveButtonCaption, {}},
    };
    return Specs;
}

TBBUTTON SeparatorButton() {
    TBBUTTON Button{};
    Button.iBitmap = 0;
    Button.fsStyle = BTNS_SEP;
    return Button;
}

HMENU MakeDropDown(const std::vector<std::pair<TCommand, const char*>>& Items) {
    std::vector<std::wstring> Captions;
    for (const auto& Item : Items) {
        Captions.push_back(Wide(Item.second));
    }
    Captions = WithMnemonics(Captions);
    const HMENU Menu = CreatePopupMenu();
    for (std::size_t Index = 0; Index < Items.size(); ++Index) {
        AppendMenuW(Menu, MF_STRING, CommandId(Items[Index].first), Captions[Index].c_str());
    }
    // The full form is what the button itself does.
    SetMenuDefaultItem(Menu, CommandId(Items.front().first), FALSE);
    return Menu;
}

} // namespace

TToolBar::TToolBar(HWND Parent, UINT Dpi) {
    Bar = CreateChild(Parent, TOOLBARCLASSNAMEW, "",
                      TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER);
    SendMessageW(Bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(Bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    // The captions stay below the pictures, on one line.
    SendMessageW(Bar, TB_SETMAXTEXTROWS, 1, 0);
    SetDpi(Dpi);
    AddButtons();
    AddDropDownMenus();
    for (const auto& Entry : DropDowns) {
        MenuPictures.AddTo(Entry.second.Get(), Dpi);
    }
    Fit();
}

void TToolBar::SetDpi(UINT Dpi) {
    SendMessageW(Bar, TB_SETBUTTONWIDTH, 0,
                 MAKELPARAM(Scaled(ButtonWidth, Dpi), Scaled(ButtonWidth * 2, Dpi)));
    AddPictures(Dpi);
}

// The bar takes the new list before the old one goes.
void TToolBar::AddPictures(UINT Dpi) {
    const int Size = Scaled(PictureSize, Dpi);
    TImageListOwner Made(ImageList_Create(Size, Size, ILC_COLOR32 | ILC_MASK,
                                          static_cast<int>(ButtonSpecs().size()), 0));
    for (const TButtonSpec& Spec : ButtonSpecs()) {
        const TIconOwner Picture = LoadPicture(Spec.Picture, Size);
        ImageList_AddIcon(Made.Get(), Picture.Get());
    }
    SendMessageW(Bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(Made.Get()));
    Pictures = std::move(Made);
}

void TToolBar::AddButtons() {
    std::vector<std::wstring> Captions;
    for (const TButtonSpec& Spec : ButtonSpecs()) {
        Captions.push_back(Wide(Spec.Caption));
    }
    std::vector<TBBUTTON> Buttons;
    for (std::size_t Index = 0; Index < ButtonSpecs().size(); ++Index) {
        const TButtonSpec& Spec = ButtonSpecs()[Index];
        if (Index > 0) {
            Buttons.push_back(SeparatorButton());
        }
        TBBUTTON Button{};
        Button.iBitmap = static_cast<int>(Index);
        Button.idCommand = static_cast<int>(CommandId(Spec.Command));
        Button.fsState = TBSTATE_ENABLED;
        Button.fsStyle = static_cast<BYTE>(
            BTNS_AUTOSIZE | (Spec.DropDown.empty() ? BTNS_BUTTON : BTNS_CHECK | BTNS_DROPDOWN));
        Button.iString = reinterpret_cast<INT_PTR>(Captions[Index].c_str());
        Buttons.push_back(Button);
    }
    SendMessageW(Bar, TB_ADDBUTTONSW, Buttons.size(), reinterpret_cast<LPARAM>(Buttons.data()));
}

void TToolBar::AddDropDownMenus() {
    for (const TButtonSpec& Spec : ButtonSpecs()) {
        if (!Spec.DropDown.empty()) {
            DropDowns[Spec.Command].Reset(MakeDropDown(Spec.DropDown));
        }
    }
}

int TToolBar::Fit() {
    SendMessageW(Bar, TB_AUTOSIZE, 0, 0);
    RECT Bounds{};
    GetWindowRect(Bar, &Bounds);
    return Height(Bounds);
}

void TToolBar::ShowStates(const TWindowCommandStates& States) {
    for (const TButtonSpec& Spec : ButtonSpecs()) {
        const TCommandState& State = States[Spec.Command];
        const UINT Id = CommandId(Spec.Command);
        SendMessageW(Bar, TB_ENABLEBUTTON, Id, MAKELPARAM(State.Enabled, 0));
        SendMessageW(Bar, TB_CHECKBUTTON, Id, MAKELPARAM(State.Checked, 0));
    }
    for (const auto& [Full, Menu] : DropDowns) {
        const int Count = GetMenuItemCount(Menu.Get());
        for (int Position = 0; Position < Count; ++Position) {
            const std::optional<TWindowCommand> Command =
                CommandOfId(GetMenuItemID(Menu.Get(), Position));
            if (!Command) {
                continue;
            }
            const TCommandState& State = States[*Command];
            EnableMenuItem(Menu.Get(), static_cast<UINT>(Position),
                           MF_BYPOSITION | (State.Enabled ? MF_ENABLED : MF_GRAYED));
            CheckMenuItem(Menu.Get(), static_cast<UINT>(Position),
                          MF_BYPOSITION | (State.Checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

bool TToolBar::ShowDropDown(const NMTOOLBARW& Notice) {
    const std::optional<TWindowCommand> Command = CommandOfId(static_cast<UINT>(Notice.iItem));
    const HMENU Menu = Command ? DropDownMenu(*Command) : nullptr;
    if (Menu == nullptr) {
        return false;
    }
    RECT Button{};
    SendMessageW(Bar, TB_GETRECT, static_cast<WPARAM>(Notice.iItem),
                 reinterpret_cast<LPARAM>(&Button));
    MapWindowPoints(Bar, HWND_DESKTOP, reinterpret_cast<POINT*>(&Button), 2);
    TrackPopupMenu(Menu, TPM_LEFTALIGN | TPM_TOPALIGN, Button.left, Button.bottom, 0,
                   GetParent(Bar), nullptr);
    return true;
}

void TToolBar::GiveTip(NMTBGETINFOTIPW& Request) const {
    const std::optional<TWindowCommand> Command = CommandOfId(static_cast<UINT>(Request.iItem));
    if (Command && Request.pszText != nullptr && Request.cchTextMax > 0) {
        lstrcpynW(Request.pszText, Wide(CommandCaption(*Command)).c_str(), Request.cchTextMax);
    }
}

HMENU TToolBar::DropDownMenu(TWindowCommand Full) const {
    const auto Found = DropDowns.find(Full);
    return Found != DropDowns.end() ? Found->second.Get() : nullptr;
}
