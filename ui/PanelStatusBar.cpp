#include "ui/PanelStatusBar.h"

#include "ui/UiSupport.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
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
    if (!IsPanel(Panel)) {
        return 0;
    }
    const int Design = Widths[static_cast<size_t>(Panel)];
    if (Panel + 1 < PanelCount()) {
        return Design;
    }
    const int Grip = isSizeGripEnabled() ? style()->pixelMetric(QStyle::PM_SizeGripSize) : 0;
    return std::max(Design, width() - PanelLeft(Panel) - Grip);
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

QRect TPanelStatusBar::TextBox(int Panel) const {
    return QRect(PanelLeft(Panel), 1, PanelWidth(Panel) - 2, height() - 2)
        .adjusted(TextIndent, 0, -TextIndent, 0);
}

QString TPanelStatusBar::ShownPanelText(int Panel) const {
    if (!IsPanel(Panel)) {
        return QString();
    }
    return fontMetrics().elidedText(Texts[static_cast<size_t>(Panel)], Qt::ElideRight,
                                    TextBox(Panel).width());
}

int TPanelStatusBar::PanelAt(int X) const {
    for (int Panel = 0; Panel < PanelCount(); ++Panel) {
        if (X >= PanelLeft(Panel) && X < PanelLeft(Panel) + PanelWidth(Panel)) {
            return Panel;
        }
    }
    return -1;
}

bool TPanelStatusBar::event(QEvent* Event) {
    if (Event->type() == QEvent::ToolTip) {
        const int Panel = PanelAt(static_cast<QHelpEvent*>(Event)->pos().x());
        ShowToolTipAt(*this, *Event, PanelText(Panel));
        return true;
    }
    return QStatusBar::event(Event);
}

void TPanelStatusBar::paintEvent(QPaintEvent*) {
    // The panels replace the bar's own message area; the size grip paints itself.
    QPainter Painter(this);
    for (int Panel = 0; Panel < PanelCount(); ++Panel) {
        const QRect Box(PanelLeft(Panel), 1, PanelWidth(Panel) - 2, height() - 2);
        Painter.setPen(palette().color(QPalette::Mid));
        Painter.drawRect(Box.adjusted(0, 0, -1, -1));
        Painter.setPen(palette().color(QPalette::WindowText));
        Painter.drawText(TextBox(Panel), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         ShownPanelText(Panel));
    }
}
