// The main window's menu bar: "Файл", "Правка", "Настройки", "Команды" and "Помощь" with their
// commands, Alt letters and key names, enabled and checked as the model says.
#pragma once

#include "operations/MainWindowView.h"
#include "winui/MenuPictures.h"
#include "winui/WinHandles.h"

class TMainMenu {
public:
    // The positions of the menus in the bar.
    enum TMenu { FileMenu, EditMenu, SettingsMenu, CommandsMenu, HelpMenu, MenuCount };

    // The bar with the pictures of its items at a resolution.
    explicit TMainMenu(UINT Dpi);
    // Makes the bar Window's menu; the window destroys it with itself from then on.
    void Attach(HWND Window);
    HMENU Bar() const { return BarMenu; }

    // Enables and checks the items, and the menus but "Правка", as States say.
    void ShowStates(const TWindowCommandStates& States);

private:
    TMenuPictures Pictures;
    TMenuOwner Owned;
    HMENU BarMenu = nullptr;
    HWND Window = nullptr;
};
