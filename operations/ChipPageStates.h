// What is known of each of the chip's 4096 pages, as the chip maps of both desktop windows show
// it: in the image or not, and what the last operation did to it (written, equal or different
// after a compare, read, failed, erased). The colours and names of the states are the maps' and
// their legends'.
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

    // The chip pages the image holds (others show as not in the image). What operations did to
    // the chip stays, except compare results: they were about the image before.
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
    // The state a page shows once no operation has touched it.
    TChipPageState ImageState(int Page) const;

    std::vector<TChipPageState> States;
    std::vector<bool> InImage;
};
