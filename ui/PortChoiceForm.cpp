#include "ui/PortChoiceForm.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QVBoxLayout>

#include "common/ResourseStrings.h"
#include "ui/UiSupport.h"

namespace {

constexpr int FormMinimumWidth = 420;

} // namespace

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
        auto* Item = new QListWidgetItem(ToQString(PortChoiceText(Choice)), PortList);
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
