// The chip map drawn with GDI: the chip's 4096 pages as a 64 × 64 grid of cells, each coloured
// by what is known of the page. It follows every operation page by page but is painted at most
// a few times a second; a page that differs or failed is drawn as a mark larger than a small
// cell. Hovering a cell names the page and its state; clicking it reports the page. The legend
// is a window of its own below the map.
#pragma once

#include "operations/ChipPageStates.h"
#include "winui/WindowBase.h"

#include <functional>
#include <string>
#include <vector>

class TChipMapView : public TWindowBase {
public:
    TChipMapView(HWND Parent, int Id);

    void SetImagePages(const std::vector<int>& Pages);
    void SetPageOutcome(int Page, TPageOutcome Outcome);
    const TChipPageStates& States() const { return PageStates; }

    // The page under a point of the window, or -1.
    int PageAt(POINT Point) const;
    // Where a page's cell lies in the window.
    RECT CellRect(int Page) const;
    // "Страница 17: записана", or empty outside the grid.
    std::string HintAt(POINT Point) const;
    // The size at which each cell takes 4 pixels (at the window's resolution).
    SIZE PreferredSize() const;

    // A click on a page's cell.
    std::function<void(int Page)> OnPageClicked;

protected:
    LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    RECT GridRect() const;
    void Paint(HDC Context) const;
    void PaintCells(HDC Context, const RECT& Grid) const;
    void PaintCellLines(HDC Context, const RECT& Grid) const;
    void PaintMarks(HDC Context) const;
    // Repaints soon, once however many pages change meanwhile.
    void ScheduleRepaint();
    void FollowMouse(POINT Point);

    TChipPageStates PageStates;
    HWND Hint = nullptr;
    std::wstring HintText;
    int HoveredPage = -1;
    bool RepaintScheduled = false;
};

// The colours of the map with their names, four to a row.
class TChipMapLegend : public TWindowBase {
public:
    TChipMapLegend(HWND Parent, int Id);
    // The height its rows take for the window's font.
    int PreferredHeight() const;
    void SetFont(HFONT NewFont);

protected:
    LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    void Paint(HDC Context) const;
    int RowHeight() const;

    HFONT Font = nullptr;
};
