// The modal dialog in which the user names the programmer's serial port: a field for the name as
// it is typed, and a list of the serial ports present on this computer with what is known of
// each. Choosing a port in the list puts its device path in the field.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "operations/PortChoices.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

class TPortChoiceForm : public QDialog {
    Q_OBJECT
public:
    // The field holds PortName; the list offers Ports and is hidden when there are none.
    TPortChoiceForm(const QString& PortName, const std::vector<TPortChoice>& Ports,
                    QWidget* Parent = nullptr);

    // The name in the field, as typed or chosen.
    QString PortName() const;

    QLabel* PromptLabel = nullptr;
    QLineEdit* PortNameEdit = nullptr;
    QLabel* PortsLabel = nullptr;
    QListWidget* PortList = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    void CreateElements();
    void AddPorts(const std::vector<TPortChoice>& Ports);
    // Puts the device path of the port selected in the list into the field.
    void SelectionChanged();
};
