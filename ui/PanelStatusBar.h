// A status bar divided into panels of fixed widths from its left edge, each showing one text.
#pragma once

#include <QStatusBar>
#include <QString>
#include <vector>

class TPanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TPanelStatusBar(std::vector<int> PanelWidths, QWidget* Parent = nullptr);

    int PanelCount() const { return static_cast<int>(Widths.size()); }
    int PanelWidth(int Panel) const;
    // The x coordinate of a panel's left edge.
    int PanelLeft(int Panel) const;
    QString PanelText(int Panel) const;
    // Texts of panels that do not exist are ignored.
    void SetPanelText(int Panel, const QString& Text);

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    bool IsPanel(int Panel) const { return Panel >= 0 && Panel < PanelCount(); }

    std::vector<int> Widths;
    std::vector<QString> Texts;
};
