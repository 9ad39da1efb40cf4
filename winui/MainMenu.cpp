#include "winui/MainMenu.h"

#include "common/ResourseStrings.h"
#include "winui/CommandCaptions.h"
#include "winui/CommandIds.h"
#include "winui/CommandKeys.h"
#include "winui/Mnemonics.h"
#include "winui/WinText.h"

#include <optional>
#include <vector>

namespace {

using TCommand = TWindowCommand;

// A menu item, or a separator when Command is empty.
struct TItem {
    std::optional<TCommand> Command;
};

const TItem Separator{};

struct TMenuSpec {
    const char* Caption;
    std::vector<TItem> Items;
};

std::vector<TMenuSpec> MenuSpecs() {
    return {
        {SFileMenuCaption,
         {{TCommand::NewImage},
          Separator,
          {TCommand::LoadImage},
          Separator,
          {TCommand::SaveImage},
          Separator,
          {TCommand::Exit}}},
        {SEditMenuCaption, {{TCommand::ClearInfo}}},
        {SSettingsMenuCaption, {{TCommand::ChoosePort}}},
        {SCommandsMenuCaption,
         {{TCommand::WriteImage},
          {TCommand::ReadImage},
          {TCommand::EraseChip},
          {TCommand::CompareImage},
          {TCommand::VerifyAll},
          Separator,
          {TCommand::WritePages},
          {TCommand::ReadPages},
          {TCommand::ErasePages},
          {TCommand::ComparePages},
          Separator,
          {TCommand::Stop},
          Separator,
          {TCommand::Initialize}}},
        {SHelpMenuCaption, {{TCommand::Help}, Separator, {TCommand::About}}},
    };
}

// Captions of Items with their Alt letters, separators left empty.
std::vector<std::wstring> ItemCaptions(const std::vector<TItem>& Items) {
    std::vector<std::wstring> Captions;
    for (const TItem& Item : Items) {
        if (Item.Command) {
            Captions.push_back(Wide(CommandCaption(*Item.Command)));
        }
    }
    Captions = WithMnemonics(Captions);
    std::vector<std::wstring> All;
    auto Next = Captions.begin();
    for (const TItem& Item : Items) {
        All.push_back(Item.Command ? *Next++ : std::wstring());
    }
    return All;
}

HMENU MakePopup(const std::vector<TItem>& Items) {
    const HMENU Popup = CreatePopupMenu();
    const std::vector<std::wstring> Captions = ItemCaptions(Items);
    for (std::size_t Index = 0; Index < Items.size(); ++Index) {
        const TItem& Item = Items[Index];
        if (!Item.Command) {
            AppendMenuW(Popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::wstring Text = Captions[Index];
        const std::wstring Key = CommandKeyName(*Item.Command);
        if (!Key.empty()) {
            Text += L'\t' + Key;
        }
        AppendMenuW(Popup, MF_STRING, CommandId(*Item.Command), Text.c_str());
    }
    return Popup;
}

bool IsCheckable(TCommand Command) {
    return Command == TCommand::WriteImage || Command == TCommand::ReadImage ||
           Command == TCommand::EraseChip || Command == TCommand::CompareImage;
}

} // namespace

TMainMenu::TMainMenu(UINT Dpi) : Owned(CreateMenu()), BarMenu(Owned.Get()) {
    const std::vector<TMenuSpec> Specs = MenuSpecs();
    std::vector<std::wstring> Titles;
    for (const TMenuSpec& Spec : Specs) {
        Titles.push_back(Wide(Spec.Caption));
    }
    Titles = WithMnemonics(Titles);
    for (std::size_t Index = 0; Index < Specs.size(); ++Index) {
        AppendMenuW(BarMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(MakePopup(Specs[Index].Items)),
                    Titles[Index].c_str());
    }
    Pictures.AddTo(BarMenu, Dpi);
}

void TMainMenu::Attach(HWND NewWindow) {
    Window = NewWindow;
    SetMenu(Window, Owned.Release());
}

void TMainMenu::ShowStates(const TWindowCommandStates& States) {
    for (std::size_t Index = 0; Index < WindowCommandCount; ++Index) {
        const auto Command = static_cast<TCommand>(Index);
        const TCommandState& State = States[Command];
        EnableMenuItem(BarMenu, CommandId(Command),
                       MF_BYCOMMAND | (State.Enabled ? MF_ENABLED : MF_GRAYED));
        if (IsCheckable(Command)) {
            CheckMenuItem(BarMenu, CommandId(Command),
                          MF_BYCOMMAND | (State.Checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
    for (const int Menu : {FileMenu, SettingsMenu, CommandsMenu, HelpMenu}) {
        EnableMenuItem(BarMenu, static_cast<UINT>(Menu),
                       MF_BYPOSITION | (States.MenusEnabled ? MF_ENABLED : MF_GRAYED));
    }
    if (Window != nullptr) {
        DrawMenuBar(Window);
    }
}
