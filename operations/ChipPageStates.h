// What is known of each of the chip's 4096 pages, as the chip maps of both desktop windows show
// it: in the current image or not, and what the operations since the image came did to it
// (written, equal or different after a compare, read, failed, erased). The colours and names of
// the states are the maps' and their legends'.
#pragma once

#include "operations/MainView.h"

#include <vector>

enum class TChipPageState { NotInImage, InImage, Written, Equal, Different, Read, Failed, Erased };

class TChipPageStates {
public:
    static constexpr int Columns = 64;
    static constexpr int Rows = 64;
    static constexpr int PageCount = Columns * Rows;
    static constexpr int StateCount = 8;

    TChipPageStates();

    // The image was replaced (or emptied) by one that holds these chip pages: every page shows
    // again only whether the image holds it. What operations did before was about another
    // image, and the map shows the current one.
    void SetImagePages(const std::vector<int>& Pages);
    // True when the page's state changed.
    bool SetPageOutcome(int Page, TPageOutcome Outcome);
    bool SetPageState(int Page, TChipPageState State);
    TChipPageState GetPageState(int Page) const;
    // How many pages are in State now.
    int CountPages(TChipPageState State) const;

    static bool IsPage(int Page) { return Page >= 0 && Page < PageCount; }
    // "нет в образе", "записана"...
    static const char* StateName(TChipPageState State);
    static TColor StateColor(TChipPageState State);
    // Pages in these states are marked beyond their cell while cells are small.
    static bool StandsOut(TChipPageState State);

private:
    std::vector<TChipPageState> States;
};
