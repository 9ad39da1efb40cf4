#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include "common/ProductInfo.h"
#include "ui/AboutForm.h"
#include "ui/ColorLabel.h"

class TAboutFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ShowsProgramChipAndAddress();
    void ShowsTheVersionClearOfTheOtherTexts();
    void ClickOnAddressOpensMailLinkAndStaysOpen();
    void OkAndCloseBoxCloseTheBox();
};

void TAboutFormTest::ShowsProgramChipAndAddress() {
    TAboutForm Form;
    QCOMPARE(Form.windowTitle(), QStringLiteral("О программе..."));
    QCOMPARE(Form.size(), QSize(241, 217));
    QCOMPARE(Form.Label2->text(), QStringLiteral("Velmora - программатор, для микросхем типа:"));
    QCOMPARE(Form.Label5->text(), QStringLiteral("AT45DB161B"));
    QCOMPARE(Form.Label1->toolTip(), QStringLiteral("Написать письмо"));
    QCOMPARE(LabelTextColor(Form.Label1), TColor{0xFF0000});
    QCOMPARE(Form.Label1->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(Form.rect().contains(Form.Label1->geometry())); // the whole address is visible
    QVERIFY(Form.Label4->isHidden());
    QCOMPARE(Form.OKButton->text(), QStringLiteral("OK"));
}

void TAboutFormTest::ShowsTheVersionClearOfTheOtherTexts() {
    TAboutForm Form;
    QCOMPARE(Form.VersionLabel->text(),
             QStringLiteral("Версия %1").arg(QString::fromUtf8(SProductVersion)));
    // Labels placed with move() keep their default size: their text takes its size hint.
    const auto TextRect = [](const QLabel* Label) {
        return QRect(Label->pos(), Label->sizeHint());
    };
    const QRect Version = TextRect(Form.VersionLabel);
    QVERIFY(Form.rect().contains(Version));
    for (const QRect& Other : {Form.Label2->geometry(), TextRect(Form.Label5),
                               Form.Label1->geometry(), Form.Bevel1->geometry()}) {
        QVERIFY(!Version.intersects(Other));
    }
}

void TAboutFormTest::ClickOnAddressOpensMailLinkAndStaysOpen() {
    TAboutForm Form;
    QList<QUrl> Opened;
    Form.SetUrlOpener([&Opened](const QUrl& Url) {
        Opened << Url;
        return true;
    });
    Form.show();
    QTest::mouseClick(Form.Label1, Qt::LeftButton);

    QCOMPARE(Opened.size(), 1);
    const QUrl& Link = Opened.constFirst();
    QCOMPARE(Link.scheme(), QStringLiteral("mailto"));
    QCOMPARE(Link.path(), Form.Label1->text());
    QCOMPARE(QUrlQuery(Link).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
             QStringLiteral("Вопросы и Предложения Velmora"));
    // The blanks of the subject travel as %20 in the encoded link.
    QVERIFY(Link.toEncoded().contains("%20%D0%B8%20"));
    QVERIFY(Form.isVisible());
}

void TAboutFormTest::OkAndCloseBoxCloseTheBox() {
    TAboutForm Form;
    QTimer::singleShot(0, Form.OKButton,
                       [&Form] { QTest::mouseClick(Form.OKButton, Qt::LeftButton); });
    QCOMPARE(Form.Execute(), TAboutForm::mrOk);
    QVERIFY(!Form.isVisible());

    QTimer::singleShot(0, &Form, [&Form] { Form.close(); });
    QCOMPARE(Form.Execute(), TAboutForm::mrCancel);
    QVERIFY(!Form.isVisible());
}

QTEST_MAIN(TAboutFormTest)
#include "AboutFormTest.moc"
