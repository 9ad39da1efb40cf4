// The chip at a glance: its 4096 pages as a 64 × 64 grid of cells, each coloured by what is known
// of the page (in the image, written, equal or different after a compare, read, failed, erased).
// It follows every operation page by page; a cell costs one pixel of a 64 × 64 picture, so a
// page's update is cheap, and the picture is painted at most a few times a second however
// often pages change. A page that differs or failed is drawn as a mark larger than a small
// cell, so that it stands out at any size.
// Hovering a cell names the page and its state; clicking it reports the page.
#pragma once

#include "operations/ChipPageStates.h"
#include "operations/MainView.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

class QPainter;

class TChipMap : public QWidget {
    Q_OBJECT
public:
    using TState = TChipPageState;
    static constexpr int Columns = TChipPageStates::Columns;
    static constexpr int Rows = TChipPageStates::Rows;
    static constexpr int PageCount = TChipPageStates::PageCount;
    static constexpr int StateCount = TChipPageStates::StateCount;

    explicit TChipMap(QWidget* Parent = nullptr);

    // The image was replaced by one that holds these chip pages: the map starts anew from it,
    // showing only which pages it holds.
    void SetImagePages(const std::vector<int>& Pages);
    void SetPageOutcome(int Page, TPageOutcome Outcome);
    void SetPageState(int Page, TState State);
    TState GetPageState(int Page) const;
    // How many pages are in State now.
    int CountPages(TState State) const;

    // Where a page's cell lies in the widget.
    QRect CellRect(int Page) const;
    // The page under a point of the widget, or -1.
    int PageAt(const QPoint& Point) const;
    // "Страница 17: записана", or empty outside the grid.
    QString ToolTipAt(const QPoint& Point) const;

    static QString StateName(TState State);
    static QColor StateColor(TState State);
    // Pages in these states are marked beyond their cell while cells are small.
    static bool StandsOut(TState State);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void PageClicked(int Page);

protected:
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;

private:
    // The square the grid takes, centred in the widget, a whole number of pixels per cell when
    // there is room for it.
    QRect GridRect() const;
    // The marks of the pages that stand out, over the cells.
    void PaintMarks(QPainter& Painter) const;
    void Paint(int Page);
    // Paints the page's cell and has the map repainted soon.
    void PageChanged(int Page);

    TChipPageStates States;
    QImage Cells;
    // Pages change far more often than a person can see: their repaints are gathered and
    // carried out a few times a second.
    QTimer RepaintTimer;
};

// A legend of the map's colours with their names.
class TChipMapLegend : public QWidget {
    Q_OBJECT
public:
    explicit TChipMapLegend(QWidget* Parent = nullptr);
};
