#include "ui/PortChoiceForm.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QVBoxLayout>

#include "common/ResourseStrings.h"
#include "serial/PortNames.h"
#include "ui/UiSupport.h"

namespace {

constexpr int FormMinimumWidth = 420;

const char* StateText(const TPortChoice& Choice) {
    if (Choice.InUse) {
        return SPortChoiceInUse;
    }
    switch (Choice.State) {
    case TPortState::Free:
        return SPortChoiceFree;
    case TPortState::Busy:
        return SPortChoiceBusy;
    case TPortState::NoAccess:
        return SPortChoiceNoAccess;
    case TPortState::Unavailable:
        break;
    }
    return SPortChoiceUnavailable;
}

// How the USB device names itself: manufacturer and product, or its ids when it gives neither.
std::string UsbDeviceText(const TUsbPortIdentity& Usb) {
    if (Usb.Manufacturer.empty() && Usb.ProductName.empty()) {
        return FormatText(SPortChoiceUsbId, Usb.Vendor.c_str(), Usb.Product.c_str());
    }
    const char* Space = Usb.Manufacturer.empty() || Usb.ProductName.empty() ? "" : " ";
    return Usb.Manufacturer + Space + Usb.ProductName;
}

// What is known of the port, most telling first: "COM3, свободен" or "FTDI FT232R USB UART,
// серийный номер A10K, занят другой программой".
std::string PortDescription(const TPortChoice& Choice) {
    const TSerialPortInfo& Port = Choice.Port;
    std::vector<std::string> Parts;
    if (!Port.ComName.empty()) {
        Parts.push_back(Port.ComName);
    }
    if (Port.Usb) {
        Parts.push_back(UsbDeviceText(*Port.Usb));
        if (!Port.Usb->Serial.empty()) {
            Parts.push_back(FormatText(SPortChoiceSerialNumber, Port.Usb->Serial.c_str()));
        }
    }
    Parts.emplace_back(StateText(Choice));
    std::string Text;
    for (const std::string& Part : Parts) {
        Text += (Text.empty() ? "" : ", ") + Part;
    }
    return Text;
}

} // namespace

std::vector<TPortChoice> PresentPortChoices(const std::string& SysfsRoot,
                                            const std::string& PortInUse) {
    std::vector<TPortChoice> Choices;
    for (TSerialPortInfo& Port : FindSerialPorts(SysfsRoot)) {
        TPortChoice Choice;
        Choice.InUse = IsSamePort(PortInUse, Port.Path);
        if (!Choice.InUse) {
            Choice.State = ProbePortState(Port.Path);
        }
        Choice.Port = std::move(Port);
        Choices.push_back(std::move(Choice));
    }
    return Choices;
}

TPortChoiceForm::TPortChoiceForm(const QString& PortName, const std::vector<TPortChoice>& Ports,
                                 QWidget* Parent)
    : QDialog(Parent) {
    CreateElements();
    PortNameEdit->setText(PortName);
    AddPorts(Ports);
}

void TPortChoiceForm::CreateElements() {
    setWindowTitle(ToQString(SComPortInputCaption));
    setFont(FormFont());
    setMinimumWidth(FormMinimumWidth);
    auto* Layout = new QVBoxLayout(this);

    PromptLabel = new QLabel(ToQString(SComPortInputPrompt), this);
    PortNameEdit = new QLineEdit(this);
    PromptLabel->setBuddy(PortNameEdit);
    Layout->addWidget(PromptLabel);
    Layout->addWidget(PortNameEdit);

    PortsLabel = new QLabel(ToQString(SPortChoiceListCaption), this);
    PortList = new QListWidget(this);
    PortsLabel->setBuddy(PortList);
    Layout->addWidget(PortsLabel);
    Layout->addWidget(PortList);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Layout->addWidget(Buttons);

    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The selection, not the current item: the list makes its first item current when it gets
    // the focus, and passing through it must not replace a typed name.
    connect(PortList, &QListWidget::itemSelectionChanged, this, &TPortChoiceForm::SelectionChanged);
    // A click on the selected port brings its path back after the field was edited.
    connect(PortList, &QListWidget::itemClicked, this, &TPortChoiceForm::SelectionChanged);
    connect(PortList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TPortChoiceForm::AddPorts(const std::vector<TPortChoice>& Ports) {
    for (const TPortChoice& Choice : Ports) {
        const std::string Text =
            FormatText(SPortChoiceEntry, Choice.Port.Path.c_str(), PortDescription(Choice).c_str());
        auto* Item = new QListWidgetItem(ToQString(Text), PortList);
        Item->setData(Qt::UserRole, ToQString(Choice.Port.Path));
    }
    PortsLabel->setVisible(!Ports.empty());
    PortList->setVisible(!Ports.empty());
    // As wide as its longest entry, so that no description is cut off.
    PortList->setMinimumWidth(PortList->sizeHintForColumn(0) + 2 * PortList->frameWidth() +
                              PortList->verticalScrollBar()->sizeHint().width());
}

void TPortChoiceForm::SelectionChanged() {
    const QList<QListWidgetItem*> Chosen = PortList->selectedItems();
    if (!Chosen.isEmpty()) {
        PortNameEdit->setText(Chosen.constFirst()->data(Qt::UserRole).toString());
    }
}

QString TPortChoiceForm::PortName() const {
    return PortNameEdit->text();
}
