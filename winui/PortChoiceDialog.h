// The modal dialog in which the user names the programmer's serial port: a field for the name as
// it is typed, and a list of the serial ports present on this computer with what is known of
// each. Choosing a port in the list puts its name in the field; a double click takes it.
#pragma once

#include "operations/PortChoices.h"
#include "winui/DialogWindow.h"

#include <string>
#include <vector>

class TPortChoiceDialog : public TDialogWindow {
public:
    // The field holds PortName; the list offers Ports and is hidden when there are none.
    TPortChoiceDialog(HWND Owner, const std::string& PortName, std::vector<TPortChoice> Ports);

    // The name in the field, as typed or chosen.
    std::string PortName() const;

    HWND PromptLabel() const { return Prompt; }
    HWND PortNameEdit() const { return NameEdit; }
    HWND PortsLabel() const { return ListLabel; }
    HWND PortList() const { return List; }
    HWND OkButton() const { return Ok; }
    HWND CancelButton() const { return Cancel; }

protected:
    void CreateControls() override;
    void Layout() override;
    void Shown() override;
    void ControlCommand(int Id, int Code, HWND Control) override;

private:
    // Puts the name of the port selected in the list into the field.
    void SelectionChanged();
    // The design width the longest entry needs.
    int ListWidth() const;

    std::vector<TPortChoice> Ports;
    HWND Prompt = nullptr;
    HWND NameEdit = nullptr;
    HWND ListLabel = nullptr;
    HWND List = nullptr;
    HWND Ok = nullptr;
    HWND Cancel = nullptr;
};
