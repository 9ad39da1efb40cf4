// A status bar divided into panels from its left edge, each showing one text. Every panel has
// its design width; the last one also takes the free width up to the size grip, so that a long
// text such as the remaining time fits. A text that still does not fit is shortened with an
// ellipsis and shown whole in the panel's tooltip.
#pragma once

#include <QStatusBar>
#include <QString>
#include <vector>

class TPanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TPanelStatusBar(std::vector<int> PanelWidths, QWidget* Parent = nullptr);

    int PanelCount() const { return static_cast<int>(Widths.size()); }
    // The width a panel has now (the last one grows with the bar).
    int PanelWidth(int Panel) const;
    // The x coordinate of a panel's left edge.
    int PanelLeft(int Panel) const;
    QString PanelText(int Panel) const;
    // Texts of panels that do not exist are ignored.
    void SetPanelText(int Panel, const QString& Text);
    // The text as painted: shortened with an ellipsis when the panel is too narrow.
    QString ShownPanelText(int Panel) const;
    // The panel at x coordinate X, or -1.
    int PanelAt(int X) const;

protected:
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;

private:
    bool IsPanel(int Panel) const { return Panel >= 0 && Panel < PanelCount(); }
    QRect TextBox(int Panel) const;

    std::vector<int> Widths;
    std::vector<QString> Texts;
};
