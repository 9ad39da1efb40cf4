#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <memory>

#include "common/ResourseStrings.h"
#include "tests/support/ThrownMessage.h"
#include "ui/ColorLabel.h"
#include "ui/ConstraintedEdit.h"
#include "ui/PagesRangeForm.h"

namespace {
constexpr TColor Red = 0x0000FF;
constexpr TColor Grey = 0x808080;

// The word forms the cases below need; the word rule itself belongs to the image state.
std::string PagesWord(int Number) {
    static const std::map<int, std::string> Words = {
        {1, "страница"}, {3, "страницы"}, {11, "страниц"}, {21, "страница"}, {4096, "страниц"}};
    const auto Found = Words.find(Number);
    return Found != Words.end() ? Found->second : "?";
}

// The dialog shown without a modal loop, as Execute would show it.
std::unique_ptr<TPagesRangeForm> ShownForm(int MinIndex, int MaxIndex) {
    auto Form = std::make_unique<TPagesRangeForm>(PagesWord);
    Form->Prepare(MinIndex, MaxIndex);
    Form->show();
    return Form;
}

void Type(TPagesRangeForm& Form, const QString& Start, const QString& End) {
    Form.StartIndexEdit->clear();
    Form.EndIndexEdit->clear();
    QTest::keyClicks(Form.StartIndexEdit, Start);
    QTest::keyClicks(Form.EndIndexEdit, End);
}
} // namespace

class TPagesRangeFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ChecksTheRange_data();
    void ChecksTheRange();
    void AcceptedRangeGivesTheIndices();
    void RejectedRangeRefusesTheIndices();
    void EmptyFieldsShowTheirBoundsAsHints();
    void KeyFilterDiscardsNonDigitsAndKeepsOkState();
    void TabMovesOnWithoutComplaint();
    void EachShowingStartsInTheFirstField();
    void NonIntegerTextIsRejected();
    void ShowingRevalidatesTheLastTextsAgainstNewBounds();
    void OkAndCancelCloseWithTheirResults();
    void TitleShowsWhole_data();
    void TitleShowsWhole();
};

void TPagesRangeFormTest::ChecksTheRange_data() {
    QTest::addColumn<int>("MinIndex");
    QTest::addColumn<int>("MaxIndex");
    QTest::addColumn<QString>("Start");
    QTest::addColumn<QString>("End");
    QTest::addColumn<QString>("Note");
    QTest::addColumn<TColor>("Color");
    QTest::addColumn<bool>("OkEnabled");

    // Both bounds count: Start = End is one page.
    QTest::newRow("eleven pages") << 0 << 4095 << "0"
                                  << "10"
                                  << "11 страниц." << Grey << true;
    QTest::newRow("one page") << 0 << 4095 << "7"
                              << "7"
                              << "1 страница." << Grey << true;
    QTest::newRow("last page alone") << 0 << 4095 << "4095"
                                     << "4095"
                                     << "1 страница." << Grey << true;
    QTest::newRow("three pages") << 0 << 4095 << "0"
                                 << "2"
                                 << "3 страницы." << Grey << true;
    QTest::newRow("twenty-one") << 0 << 4095 << "100"
                                << "120"
                                << "21 страница." << Grey << true;
    QTest::newRow("whole chip") << 0 << 4095 << "0"
                                << "4095"
                                << "4096 страниц." << Grey << true;
    QTest::newRow("start above end")
        << 0 << 4095 << "9"
        << "5"
        << "Начальный индекс не может быть больше конечного." << Red << false;
    QTest::newRow("end above max") << 0 << 4095 << "0"
                                   << "5000"
                                   << "Конечный индекс не может быть больше 4095." << Red << false;
    QTest::newRow("last failing check wins")
        << 0 << 4095 << "6000"
        << "5000"
        << "Начальный индекс не может быть больше конечного." << Red << false;
    QTest::newRow("one page beyond max")
        << 0 << 4095 << "4096"
        << "4096"
        << "Конечный индекс не может быть больше 4095." << Red << false;
    QTest::newRow("start below min") << 10 << 4095 << "5"
                                     << "20"
                                     << "Начальный индекс не может быть меньше 10." << Red << false;
    QTest::newRow("empty image") << 0 << -1 << "0"
                                 << "3"
                                 << "Конечный индекс не может быть больше -1." << Red << false;
    QTest::newRow("start not set") << 0 << 4095 << ""
                                   << "3"
                                   << "Диапазон не задан." << Red << false;
    QTest::newRow("end not set") << 0 << 4095 << "3"
                                 << ""
                                 << "Диапазон не задан." << Red << false;
}

void TPagesRangeFormTest::ChecksTheRange() {
    QFETCH(int, MinIndex);
    QFETCH(int, MaxIndex);
    QFETCH(QString, Start);
    QFETCH(QString, End);
    QFETCH(QString, Note);
    QFETCH(TColor, Color);
    QFETCH(bool, OkEnabled);

    auto Form = ShownForm(MinIndex, MaxIndex);
    Type(*Form, Start, End);
    QCOMPARE(Form->NotifyLabel->text(), Note);
    QCOMPARE(Form->NotifyLabel->TextColor(), Color);
    QCOMPARE(Form->OKButton->isEnabled(), OkEnabled);
}

void TPagesRangeFormTest::AcceptedRangeGivesTheIndices() {
    auto Form = ShownForm(0, 4095);
    Type(*Form, QStringLiteral("12"), QStringLiteral("4095"));
    QCOMPARE(Form->GetEndIndex(), 4095);
    QCOMPARE(Form->GetStartIndex(), 12);
}

void TPagesRangeFormTest::RejectedRangeRefusesTheIndices() {
    auto Form = ShownForm(0, 4095);
    Type(*Form, QStringLiteral("9"), QStringLiteral("5"));
    QVERIFY_THROWS_EXCEPTION(EConstraintEditException, Form->GetEndIndex());
    QCOMPARE(QString::fromStdString(
                 ThrownMessage<EConstraintEditException>([&] { Form->GetStartIndex(); })),
             QStringLiteral("Не соблюдены ограничения, наложенные на поле ввода."));
}

void TPagesRangeFormTest::EmptyFieldsShowTheirBoundsAsHints() {
    auto Form = ShownForm(0, 4095);
    Type(*Form, QString(), QString());
    QVERIFY(Form->StartIndexEdit->IsInsideHintShown());
    QCOMPARE(Form->StartIndexEdit->placeholderText(), QStringLiteral("Не менее 0"));
    QCOMPARE(Form->EndIndexEdit->placeholderText(), QStringLiteral("Не более 4095"));
    QCOMPARE(QColorToColor(Form->StartIndexEdit->palette().color(QPalette::PlaceholderText)),
             TColor{0xC0C0C0});
    QCOMPARE(Form->NotifyLabel->text(), QStringLiteral("Диапазон не задан."));
    QVERIFY(!Form->OKButton->isEnabled());
}

void TPagesRangeFormTest::KeyFilterDiscardsNonDigitsAndKeepsOkState() {
    auto Form = ShownForm(0, 4095);
    Type(*Form, QStringLiteral("1"), QStringLiteral("2a-"));
    QCOMPARE(Form->EndIndexEdit->text(), QStringLiteral("2"));
    QCOMPARE(Form->NotifyLabel->text(), QStringLiteral("Введены недопустимые символы."));
    QCOMPARE(Form->NotifyLabel->TextColor(), Red);
    QVERIFY(Form->OKButton->isEnabled()); // the range is not checked again

    QTest::keyClick(Form->EndIndexEdit, Qt::Key_Backspace);
    QCOMPARE(Form->EndIndexEdit->text(), QString());
    QCOMPARE(Form->NotifyLabel->text(), QStringLiteral("Диапазон не задан."));
    QVERIFY(!Form->OKButton->isEnabled());

    QTest::keyClicks(Form->EndIndexEdit, QStringLiteral("4"));
    QTest::keyClick(Form->EndIndexEdit, Qt::Key_Space);
    QCOMPARE(Form->EndIndexEdit->text(), QStringLiteral("4"));
    QVERIFY(Form->OKButton->isEnabled());
}

void TPagesRangeFormTest::TabMovesOnWithoutComplaint() {
    auto Form = ShownForm(0, 4095);
    Type(*Form, QStringLiteral("0"), QStringLiteral("10"));
    Form->StartIndexEdit->setFocus();
    QCOMPARE(Form->focusWidget(), Form->StartIndexEdit);
    QTest::keyClick(Form->StartIndexEdit, Qt::Key_Tab);
    QCOMPARE(Form->focusWidget(), Form->EndIndexEdit);
    QCOMPARE(Form->NotifyLabel->text(), QStringLiteral("11 страниц."));
}

void TPagesRangeFormTest::EachShowingStartsInTheFirstField() {
    auto Form = ShownForm(0, 4095);
    QCOMPARE(Form->focusWidget(), Form->StartIndexEdit);
    Type(*Form, QStringLiteral("5"), QStringLiteral("9"));
    Form->OKButton->setFocus();
    Form->hide();

    // Shown again, the focus is back in "С:" with its last text ready to be typed over.
    Form->show();
    QCOMPARE(Form->focusWidget(), Form->StartIndexEdit);
    QCOMPARE(Form->StartIndexEdit->selectedText(), QStringLiteral("5"));
    QTest::keyClicks(Form->StartIndexEdit, QStringLiteral("7"));
    QCOMPARE(Form->StartIndexEdit->text(), QStringLiteral("7"));
}

void TPagesRangeFormTest::NonIntegerTextIsRejected() {
    auto Form = ShownForm(0, 4095);
    Type(*Form, QStringLiteral("0"), QStringLiteral("10"));
    QVERIFY(Form->OKButton->isEnabled());
    // Text that bypasses the key filter (pasted, or a number beyond the integer range).
    Form->EndIndexEdit->setText(QStringLiteral("1x"));
    QCOMPARE(Form->NotifyLabel->text(),
             QStringLiteral("«1x» не является допустимым целым числом."));
    QVERIFY(!Form->OKButton->isEnabled());
    QVERIFY_THROWS_EXCEPTION(EConstraintEditException, Form->GetEndIndex());

    Type(*Form, QStringLiteral("99999999999"), QStringLiteral("1"));
    QVERIFY(!Form->OKButton->isEnabled());
    QVERIFY_THROWS_EXCEPTION(EConstraintEditException, Form->GetStartIndex());
}

void TPagesRangeFormTest::ShowingRevalidatesTheLastTextsAgainstNewBounds() {
    auto Form = ShownForm(0, 4095);
    Type(*Form, QStringLiteral("0"), QStringLiteral("100"));
    QVERIFY(Form->OKButton->isEnabled());
    Form->hide();

    Form->Prepare(0, 50);
    Form->show();
    QCOMPARE(Form->StartIndexEdit->text(), QStringLiteral("0"));
    QCOMPARE(Form->NotifyLabel->text(), QStringLiteral("Конечный индекс не может быть больше 50."));
    QVERIFY(!Form->OKButton->isEnabled());
}

void TPagesRangeFormTest::OkAndCancelCloseWithTheirResults() {
    TPagesRangeForm Form(PagesWord);
    Form.StartIndexEdit->setText(QStringLiteral("1"));
    Form.EndIndexEdit->setText(QStringLiteral("4"));
    // The modal loop runs until a button is clicked from within it.
    QTimer::singleShot(0, Form.OKButton,
                       [&Form] { QTest::mouseClick(Form.OKButton, Qt::LeftButton); });
    QCOMPARE(Form.Execute(0, 4095), TPagesRangeForm::mrOk);
    QCOMPARE(Form.GetStartIndex(), 1);

    QTimer::singleShot(0, Form.CancelButton,
                       [&Form] { QTest::mouseClick(Form.CancelButton, Qt::LeftButton); });
    QCOMPARE(Form.Execute(0, 4095), TPagesRangeForm::mrCancel);

    QTimer::singleShot(0, &Form, [&Form] { Form.close(); }); // the window's close box
    QCOMPARE(Form.Execute(0, 4095), TPagesRangeForm::mrCancel);
}

void TPagesRangeFormTest::TitleShowsWhole_data() {
    QTest::addColumn<QString>("Title");
    // The dialog's own title, the titles after the range commands, and a longer one.
    for (const char* Title :
         {"Диапазон страниц", "Записать указаные страницы", "Прочесть указаные страницы",
          "Стереть указаные страницы", "Сравнить указаные страницы",
          "Сравнить указаные страницы микросхемы с образом в памяти программы"}) {
        QTest::newRow(Title) << QString::fromUtf8(Title);
    }
}

void TPagesRangeFormTest::TitleShowsWhole() {
    QFETCH(QString, Title);
    TPagesRangeForm Form(PagesWord);
    Form.setWindowTitle(Title);
    Form.show();

    // The title in a window manager's bold caption font, and beside it the caption's icon and
    // three buttons, each at least as wide as a line of that font is high.
    QFont Caption = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    Caption.setBold(true);
    const QFontMetrics Metrics(Caption);
    QVERIFY2(Form.width() >= Metrics.horizontalAdvance(Title) + 4 * Metrics.height(),
             qPrintable(QString::number(Form.width())));
    QVERIFY(Form.width() >= 281);
    QCOMPARE(Form.minimumSize(), Form.maximumSize());
    // OK keeps its place at the right edge with Cancel to its left; the note and the line
    // below the fields go across.
    QCOMPARE(Form.width() - Form.OKButton->geometry().right() - 1, 6);
    QVERIFY(Form.CancelButton->geometry().right() < Form.OKButton->x());
    QCOMPARE(Form.NotifyLabel->width(), Form.width() - 16);
    for (const QFrame* Line : Form.findChildren<QFrame*>()) {
        if (Line->frameShape() == QFrame::HLine) {
            QCOMPARE(Line->width(), Form.width());
        }
    }
}

QTEST_MAIN(TPagesRangeFormTest)
#include "PagesRangeFormTest.moc"
