// What the parts of the main window (MainForm*.cpp) share: its design measures and small
// conversions between the string table's UTF-8 and Qt's text.
#pragma once

#include <QIcon>
#include <QString>
#include <string>

namespace MainFormParts {

// The client area (tool bar, image group, pages and status bar, without the menu bar).
constexpr int ClientWidth = 407;
constexpr int ClientHeight = 400;
// Design heights of the tool bar and the status bar, from which the parts between are placed.
constexpr int DesignToolBarHeight = 54;
constexpr int DesignStatusBarHeight = 19;
constexpr int DesignCentralHeight = ClientHeight - DesignToolBarHeight - DesignStatusBarHeight;

// A text of the string table.
QString Text(const char* Resource);
std::string ToStdString(const QString& Value);
// A picture of the resources; menus take the 16-pixel size, tool bars the 32-pixel one.
QIcon Picture(const QString& Name);

} // namespace MainFormParts
