// The serial port dialog on a sysfs tree of the test's making: what its list offers, what
// choosing from it and typing do to the field, and how it closes.
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "tests/support/FakeSysfs.h"
#include "ui/PortChoiceForm.h"

namespace {

QString Q(const char* Text) {
    return QString::fromUtf8(Text);
}

QStringList Entries(const TPortChoiceForm& Form) {
    QStringList Texts;
    for (int Row = 0; Row < Form.PortList->count(); ++Row) {
        Texts << Form.PortList->item(Row)->text();
    }
    return Texts;
}

// A USB adapter and a legacy port, as one finds on many desktops.
class TTwoPorts {
public:
    TTwoPorts() {
        Sysfs.AddVirtualTty("tty1");
        Sysfs.AddLegacyPort("ttyS2", 4);
        Sysfs.AddUsbPort("ttyUSB0", "ftdi_sio",
                         {"0403", "6001", "FTDI", "FT232R USB UART", "A10K"});
    }
    std::vector<TPortChoice> Choices(const std::string& PortInUse) const {
        return PresentPortChoices(Sysfs.Root(), PortInUse);
    }

private:
    TFakeSysfs Sysfs;
};

} // namespace

class TPortChoiceFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ListsThePortsPresentWithWhatIsKnownOfThem();
    void NamesEveryStateOfAPort();
    void ClickedPortGoesToTheFieldAndOkGivesIt();
    void TypedNameStaysWhenTheListGetsTheFocus();
    void CancelClosesWithoutAcceptance();
    void WithoutPortsOnlyTheFieldShows();
};

void TPortChoiceFormTest::ListsThePortsPresentWithWhatIsKnownOfThem() {
    TTwoPorts Ports;
    TPortChoiceForm Form(Q("COM3"), Ports.Choices("COM3"));
    QCOMPARE(Form.windowTitle(), Q("COM порт"));
    QCOMPARE(Form.PromptLabel->text(), Q("Имя порта полностью:"));
    QCOMPARE(Form.PortName(), Q("COM3"));

    const QStringList Texts = Entries(Form);
    QCOMPARE(Texts.size(), 2);
    // COM3 is the port in use, so it is not probed.
    QCOMPARE(Texts[0], Q("/dev/ttyS2 — COM3, выбран сейчас"));
    // The state of a node this computer may not have is not the test's to know.
    QVERIFY2(Texts[1].startsWith(Q("/dev/ttyUSB0 — FTDI FT232R USB UART, серийный номер A10K, ")),
             qPrintable(Texts[1]));
}

void TPortChoiceFormTest::NamesEveryStateOfAPort() {
    TSerialPortInfo Usb{"/dev/ttyACM0", "", "cdc_acm",
                        TUsbPortIdentity{"2e8a", "000a", "", "", ""}};
    std::vector<TPortChoice> Choices;
    for (const TPortState State :
         {TPortState::Free, TPortState::Busy, TPortState::NoAccess, TPortState::Unavailable}) {
        Choices.push_back({Usb, State, false});
    }
    TPortChoiceForm Form(Q("COM1"), Choices);
    const QStringList Expected = {Q("/dev/ttyACM0 — USB 2e8a:000a, свободен"),
                                  Q("/dev/ttyACM0 — USB 2e8a:000a, занят другой программой"),
                                  Q("/dev/ttyACM0 — USB 2e8a:000a, нет прав доступа"),
                                  Q("/dev/ttyACM0 — USB 2e8a:000a, не открывается")};
    QCOMPARE(Entries(Form), Expected);
}

void TPortChoiceFormTest::ClickedPortGoesToTheFieldAndOkGivesIt() {
    TTwoPorts Ports;
    TPortChoiceForm Form(Q("COM3"), Ports.Choices("COM3"));
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    QListWidget& List = *Form.PortList;
    QVERIFY(List.visualItemRect(List.item(1)).right() < List.viewport()->width());
    QTest::mouseClick(List.viewport(), Qt::LeftButton, {},
                      List.visualItemRect(List.item(1)).center());
    QCOMPARE(Form.PortName(), Q("/dev/ttyUSB0"));

    // Edited after the choice, the field keeps what is typed; a second click brings the path
    // back.
    Form.PortNameEdit->setText(Q("/dev/ttyUSB01"));
    QCOMPARE(Form.PortName(), Q("/dev/ttyUSB01"));
    QTest::mouseClick(List.viewport(), Qt::LeftButton, {},
                      List.visualItemRect(List.item(1)).center());
    QCOMPARE(Form.PortName(), Q("/dev/ttyUSB0"));

    QTest::mouseClick(Form.Buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QCOMPARE(Form.result(), int(QDialog::Accepted));
    QVERIFY(!Form.isVisible());
}

void TPortChoiceFormTest::TypedNameStaysWhenTheListGetsTheFocus() {
    TTwoPorts Ports;
    TPortChoiceForm Form(Q("COM3"), Ports.Choices("COM3"));
    Form.show();
    QVERIFY(QTest::qWaitForWindowActive(&Form));
    Form.PortNameEdit->setFocus();
    Form.PortNameEdit->selectAll();
    QTest::keyClicks(Form.PortNameEdit, Q("ttyACM5"));
    QTest::keyClick(&Form, Qt::Key_Tab);
    QTRY_VERIFY_WITH_TIMEOUT(Form.PortList->hasFocus(), 2000);
    QCOMPARE(Form.PortName(), Q("ttyACM5"));

    QTest::keyClick(Form.PortList, Qt::Key_Down);
    QCOMPARE(Form.PortName(), Q("/dev/ttyUSB0"));
}

void TPortChoiceFormTest::CancelClosesWithoutAcceptance() {
    TTwoPorts Ports;
    TPortChoiceForm Form(Q("COM3"), Ports.Choices("COM3"));
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    Form.PortList->setCurrentRow(1);
    QTest::mouseClick(Form.Buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    QCOMPARE(Form.result(), int(QDialog::Rejected));
    QVERIFY(!Form.isVisible());
}

void TPortChoiceFormTest::WithoutPortsOnlyTheFieldShows() {
    TPortChoiceForm Form(Q("/dev/serial/by-id/usb-programmer"), {});
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    QCOMPARE(Form.PortName(), Q("/dev/serial/by-id/usb-programmer"));
    QVERIFY(Form.PortNameEdit->isVisible());
    QVERIFY(!Form.PortList->isVisible());
    QVERIFY(!Form.PortsLabel->isVisible());
}

QTEST_MAIN(TPortChoiceFormTest)
#include "PortChoiceFormTest.moc"
