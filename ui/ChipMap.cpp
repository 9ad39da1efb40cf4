#include "ui/ChipMap.h"

#include "common/ResourseStrings.h"
#include "ui/UiSupport.h"

#include <QGridLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

// A cell smaller than this cannot be told from its neighbours.
constexpr int SmallestCell = 3;
constexpr int PreferredCell = 4;
// The side of the mark of a page that stands out: a small cell's page is drawn this large.
constexpr int MarkSide = 7;
constexpr int SwatchSize = 10;
constexpr int RepaintIntervalMs = 100;

} // namespace

TChipMap::TChipMap(QWidget* Parent) : QWidget(Parent), Cells(Columns, Rows, QImage::Format_RGB32) {
    Cells.fill(StateColor(TState::NotInImage));
    setMouseTracking(true);
    RepaintTimer.setSingleShot(true);
    RepaintTimer.setInterval(RepaintIntervalMs);
    // The marks reach beyond the grid's edge cells.
    connect(&RepaintTimer, &QTimer::timeout, this, [this] { update(); });
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TChipMap::SetImagePages(const std::vector<int>& Pages) {
    States.SetImagePages(Pages);
    for (int Page = 0; Page < PageCount; ++Page) {
        Paint(Page);
    }
    update();
}

void TChipMap::Paint(int Page) {
    Cells.setPixelColor(Page % Columns, Page / Columns, StateColor(States.GetPageState(Page)));
}

void TChipMap::SetPageOutcome(int Page, TPageOutcome Outcome) {
    if (States.SetPageOutcome(Page, Outcome)) {
        PageChanged(Page);
    }
}

void TChipMap::SetPageState(int Page, TState State) {
    if (States.SetPageState(Page, State)) {
        PageChanged(Page);
    }
}

void TChipMap::PageChanged(int Page) {
    Paint(Page);
    if (!RepaintTimer.isActive()) {
        RepaintTimer.start();
    }
}

TChipMap::TState TChipMap::GetPageState(int Page) const {
    return States.GetPageState(Page);
}

int TChipMap::CountPages(TState State) const {
    return States.CountPages(State);
}

QRect TChipMap::GridRect() const {
    int Side = std::min(width(), height());
    if (Side >= Columns) {
        Side -= Side % Columns;
    }
    return QRect((width() - Side) / 2, (height() - Side) / 2, Side, Side);
}

QRect TChipMap::CellRect(int Page) const {
    const QRect Grid = GridRect();
    const int Column = Page % Columns;
    const int Row = Page / Columns;
    const int Left = Grid.left() + Column * Grid.width() / Columns;
    const int Top = Grid.top() + Row * Grid.height() / Rows;
    return QRect(QPoint(Left, Top), QPoint(Grid.left() + (Column + 1) * Grid.width() / Columns - 1,
                                           Grid.top() + (Row + 1) * Grid.height() / Rows - 1));
}

int TChipMap::PageAt(const QPoint& Point) const {
    const QRect Grid = GridRect();
    if (Grid.isEmpty() || !Grid.contains(Point)) {
        return -1;
    }
    const int Column = (Point.x() - Grid.left()) * Columns / Grid.width();
    const int Row = (Point.y() - Grid.top()) * Rows / Grid.height();
    return std::clamp(Row, 0, Rows - 1) * Columns + std::clamp(Column, 0, Columns - 1);
}

QString TChipMap::ToolTipAt(const QPoint& Point) const {
    const int Page = PageAt(Point);
    if (Page < 0) {
        return QString();
    }
    return ToQString(
        FormatText(SChipMapCellHint, Page, StateName(GetPageState(Page)).toUtf8().constData()));
}

QString TChipMap::StateName(TState State) {
    return ToQString(TChipPageStates::StateName(State));
}

QColor TChipMap::StateColor(TState State) {
    return ColorToQColor(TChipPageStates::StateColor(State));
}

bool TChipMap::StandsOut(TState State) {
    return TChipPageStates::StandsOut(State);
}

QSize TChipMap::sizeHint() const {
    return QSize(Columns * PreferredCell, Rows * PreferredCell);
}

QSize TChipMap::minimumSizeHint() const {
    return QSize(Columns * SmallestCell, Rows * SmallestCell);
}

bool TChipMap::event(QEvent* Event) {
    if (Event->type() == QEvent::ToolTip) {
        ShowToolTipAt(*this, *Event, ToolTipAt(static_cast<QHelpEvent*>(Event)->pos()));
        return true;
    }
    return QWidget::event(Event);
}

void TChipMap::paintEvent(QPaintEvent*) {
    QPainter Painter(this);
    const QRect Grid = GridRect();
    Painter.drawImage(Grid, Cells);
    // Lines between the cells once they are large enough to tell apart.
    if (Grid.width() / Columns >= PreferredCell) {
        Painter.setPen(palette().color(QPalette::Window));
        for (int Index = 1; Index < Columns; ++Index) {
            const int X = Grid.left() + Index * Grid.width() / Columns;
            const int Y = Grid.top() + Index * Grid.height() / Rows;
            Painter.drawLine(X, Grid.top(), X, Grid.bottom());
            Painter.drawLine(Grid.left(), Y, Grid.right(), Y);
        }
    }
    Painter.setPen(palette().color(QPalette::Mid));
    Painter.drawRect(Grid.adjusted(0, 0, -1, -1));
    PaintMarks(Painter);
}

void TChipMap::PaintMarks(QPainter& Painter) const {
    Painter.setPen(palette().color(QPalette::WindowText));
    for (int Page = 0; Page < PageCount; ++Page) {
        const TState State = States.GetPageState(Page);
        if (!StandsOut(State)) {
            continue;
        }
        const QRect Cell = CellRect(Page);
        QRect Mark(0, 0, std::max(MarkSide, Cell.width()), std::max(MarkSide, Cell.height()));
        Mark.moveCenter(Cell.center());
        Painter.fillRect(Mark, StateColor(State));
        Painter.drawRect(Mark.adjusted(0, 0, -1, -1));
    }
}

void TChipMap::mousePressEvent(QMouseEvent* Event) {
    const int Page = PageAt(Event->position().toPoint());
    if (Event->button() == Qt::LeftButton && Page >= 0) {
        Q_EMIT PageClicked(Page);
    }
}

TChipMapLegend::TChipMapLegend(QWidget* Parent) : QWidget(Parent) {
    auto* Layout = new QGridLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setHorizontalSpacing(6);
    Layout->setVerticalSpacing(2);
    constexpr int LegendColumns = 4;
    for (int Index = 0; Index < TChipMap::StateCount; ++Index) {
        const auto State = static_cast<TChipMap::TState>(Index);
        auto* Swatch = new QLabel(this);
        QPixmap Colour(SwatchSize, SwatchSize);
        Colour.fill(TChipMap::StateColor(State));
        QPainter(&Colour).drawRect(0, 0, SwatchSize - 1, SwatchSize - 1);
        Swatch->setPixmap(Colour);
        auto* Name = new QLabel(TChipMap::StateName(State), this);
        const int Row = Index / LegendColumns;
        const int Column = (Index % LegendColumns) * 2;
        Layout->addWidget(Swatch, Row, Column);
        Layout->addWidget(Name, Row, Column + 1);
    }
    Layout->setColumnStretch(LegendColumns * 2 - 1, 1);
}
