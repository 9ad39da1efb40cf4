// The main window's tool bar: write, read, erase and compare, each with a drop-down of its full
// and page-range forms (compare also with checking every page), and save. A running full
// operation holds its button down as its stop.
#pragma once

#include "operations/MainWindowView.h"
#include "winui/MenuPictures.h"
#include "winui/WinHandles.h"

#include "winui/WindowsApi.h"

#include <map>

class TToolBar {
public:
    TToolBar(HWND Parent, UINT Dpi);

    HWND Handle() const { return Bar; }
    // The pictures and the buttons' width for a resolution.
    void SetDpi(UINT Dpi);
    // Fits the bar to its parent's width (after the parent's size changed); its height.
    int Fit();
    // Enables and checks the buttons and their drop-down items as States say.
    void ShowStates(const TWindowCommandStates& States);
    // The drop-down of a button's arrow (TBN_DROPDOWN): shows the button's menu below it, whose
    // choice reaches the parent as WM_COMMAND. True when the button has one.
    bool ShowDropDown(const NMTOOLBARW& Notice);
    // The drop-down menu of the button of a full operation; null for other commands.
    HMENU DropDownMenu(TWindowCommand Full) const;
    // A button's tip (TBN_GETINFOTIPW): its command's whole caption.
    void GiveTip(NMTBGETINFOTIPW& Request) const;

private:
    void AddPictures(UINT Dpi);
    void AddButtons();
    void AddDropDownMenus();

    HWND Bar = nullptr;
    TImageListOwner Pictures;
    TMenuPictures MenuPictures;
    std::map<TWindowCommand, TMenuOwner> DropDowns;
};
