#include "ui/PanelStatusBar.h"

#include <QPainter>
#include <algorithm>

namespace {
constexpr int SmallestHeight = 19;
constexpr int TextIndent = 2;
} // namespace

TPanelStatusBar::TPanelStatusBar(std::vector<int> PanelWidths, QWidget* Parent)
    : QStatusBar(Parent), Widths(std::move(PanelWidths)), Texts(Widths.size()) {
    setFixedHeight(std::max(SmallestHeight, fontMetrics().height() + 6));
}

int TPanelStatusBar::PanelWidth(int Panel) const {
    return IsPanel(Panel) ? Widths[static_cast<size_t>(Panel)] : 0;
}

int TPanelStatusBar::PanelLeft(int Panel) const {
    int Left = 0;
    for (int Index = 0; Index < Panel && Index < PanelCount(); ++Index) {
        Left += Widths[static_cast<size_t>(Index)];
    }
    return Left;
}

QString TPanelStatusBar::PanelText(int Panel) const {
    return IsPanel(Panel) ? Texts[static_cast<size_t>(Panel)] : QString();
}

void TPanelStatusBar::SetPanelText(int Panel, const QString& Text) {
    if (!IsPanel(Panel) || Texts[static_cast<size_t>(Panel)] == Text) {
        return;
    }
    Texts[static_cast<size_t>(Panel)] = Text;
    update();
}

void TPanelStatusBar::paintEvent(QPaintEvent*) {
    // The panels replace the bar's own message area; the size grip paints itself.
    QPainter Painter(this);
    Painter.setPen(palette().color(QPalette::Mid));
    for (int Panel = 0; Panel < PanelCount(); ++Panel) {
        const QRect Box(PanelLeft(Panel), 1, PanelWidth(Panel) - 2, height() - 2);
        Painter.setPen(palette().color(QPalette::Mid));
        Painter.drawRect(Box.adjusted(0, 0, -1, -1));
        Painter.setPen(palette().color(QPalette::WindowText));
        Painter.drawText(Box.adjusted(TextIndent, 0, -TextIndent, 0),
                         Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         Texts[static_cast<size_t>(Panel)]);
    }
}
