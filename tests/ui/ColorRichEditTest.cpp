#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTime>

#include "ui/ColorRichEdit.h"

namespace {
constexpr TColor Green = 0x008000;
constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;

QStringList Lines(const TColorRichEdit& Edit) {
    return Edit.toPlainText().split(QLatin1Char('\n'));
}

// The colour of every character of a line, or an invalid colour when they differ.
QColor LineColor(const TColorRichEdit& Edit, int Line) {
    const QTextBlock Block = Edit.document()->findBlockByNumber(Line);
    QColor Color;
    for (auto Fragment = Block.begin(); !Fragment.atEnd(); ++Fragment) {
        const QColor FragmentColor = Fragment.fragment().charFormat().foreground().color();
        if (Color.isValid() && FragmentColor != Color) {
            return QColor();
        }
        Color = FragmentColor;
    }
    return Color;
}

void SwitchPrefixesOff(TColorRichEdit& Edit) {
    Edit.IsNumberLines = false;
    Edit.IsAddTime = false;
    Edit.IsAddDate = false;
}
} // namespace

class TColorRichEditTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void WithoutPrefixesTheLineIsTheText();
    void NumbersThreeLines();
    void DateComesBeforeTimeAndTimeBeforeText();
    void PaneSettingsGiveTimeColonText();
    void EachLineKeepsItsColour();
    void HandlersSeeBareTextAndFinishedLine();
    void ScrollsToBottomOnlyWhenAsked();
    void IsReadOnlyAndClearsAsAWhole();
};

void TColorRichEditTest::WithoutPrefixesTheLineIsTheText() {
    TColorRichEdit Edit;
    SwitchPrefixesOff(Edit);
    Edit.AddLine(QStringLiteral("Запись прошла успешно."), Green);
    QCOMPARE(Edit.toPlainText(), QStringLiteral("Запись прошла успешно."));
    QCOMPARE(Edit.LineCount(), 1);
}

void TColorRichEditTest::NumbersThreeLines() {
    TColorRichEdit Edit;
    SwitchPrefixesOff(Edit);
    Edit.IsNumberLines = true;
    Edit.NumberDelimiter = QStringLiteral(". ");
    for (const char* Text : {"a", "b", "c"}) {
        Edit.AddLine(QString::fromUtf8(Text), 0);
    }
    QCOMPARE(Lines(Edit),
             (QStringList{QStringLiteral("1. a"), QStringLiteral("2. b"), QStringLiteral("3. c")}));
    // A text of two lines counts as two.
    Edit.AddLine(QStringLiteral("d\r\ne"), 0);
    Edit.AddLine(QStringLiteral("f"), 0);
    QCOMPARE(Lines(Edit).constLast(), QStringLiteral("6. f"));
}

void TColorRichEditTest::DateComesBeforeTimeAndTimeBeforeText() {
    TColorRichEdit Edit;
    SwitchPrefixesOff(Edit);
    Edit.IsAddTime = true;
    Edit.IsAddDate = true;
    Edit.TimeDelimiter = QStringLiteral(" ");
    Edit.DateDelimiter = QStringLiteral(" ");
    const QString Date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    Edit.AddLine(QStringLiteral("text"), 0);
    const QString Line = Edit.toPlainText();
    QVERIFY2(Line.startsWith(Date + QLatin1Char(' ')), qPrintable(Line));
    QVERIFY(Line.endsWith(QStringLiteral(" text")));
    const QString Time = Line.mid(Date.size() + 1).chopped(QStringLiteral(" text").size());
    QVERIFY2(QTime::fromString(Time, LongTimeFormat()).isValid(), qPrintable(Time));
}

void TColorRichEditTest::PaneSettingsGiveTimeColonText() {
    TColorRichEdit Edit;
    SwitchPrefixesOff(Edit);
    Edit.IsAddTime = true;
    Edit.Delimiter = QStringLiteral(": ");
    Edit.AddLine(QStringLiteral("Запись прошла успешно."), Green);
    const QRegularExpression Expected(QStringLiteral("^\\S.*\\d: Запись прошла успешно\\.$"));
    QVERIFY2(Expected.match(Edit.toPlainText()).hasMatch(), qPrintable(Edit.toPlainText()));
    QVERIFY(!LongTimeFormat().contains(QLatin1Char('t'))); // no time zone in the prefix
}

void TColorRichEditTest::EachLineKeepsItsColour() {
    TColorRichEdit Edit;
    Edit.AddLine(QStringLiteral("green"), Green);
    Edit.AddLine(QStringLiteral("red"), Red);
    Edit.AddLine(QStringLiteral("blue"), Blue);
    QCOMPARE(LineColor(Edit, 0), QColor(0, 0x80, 0));
    QCOMPARE(LineColor(Edit, 1), QColor(0xFF, 0, 0));
    QCOMPARE(LineColor(Edit, 2), QColor(0, 0, 0xFF));
}

void TColorRichEditTest::HandlersSeeBareTextAndFinishedLine() {
    TColorRichEdit Edit;
    SwitchPrefixesOff(Edit);
    Edit.IsNumberLines = true;
    Edit.Delimiter = QStringLiteral(" - ");
    QString Before;
    QString After;
    Edit.OnBeforeLineAdd = [&Before](TColorRichEdit*, QString& S) {
        Before = S;
        S += QLatin1Char('!');
    };
    Edit.OnAfterLineAdd = [&After](TColorRichEdit*, QString& S) { After = S; };
    Edit.AddLine(QStringLiteral("text"), 0);
    QCOMPARE(Before, QStringLiteral("text"));
    QCOMPARE(After, QStringLiteral("1 - text!"));
    QCOMPARE(Edit.toPlainText(), After);
}

void TColorRichEditTest::ScrollsToBottomOnlyWhenAsked() {
    TColorRichEdit Edit;
    Edit.resize(200, 80);
    Edit.show();
    Edit.IsScrollToBottom = false;
    for (int Line = 0; Line < 50; ++Line) {
        Edit.AddLine(QStringLiteral("line"), 0);
    }
    QScrollBar* Bar = Edit.verticalScrollBar();
    QVERIFY(Bar->maximum() > 0);
    QCOMPARE(Bar->value(), 0);

    Edit.IsScrollToBottom = true;
    Edit.AddLine(QStringLiteral("last"), 0);
    QVERIFY(Bar->value() > 0);
    QCOMPARE(Bar->value(), Bar->maximum());
}

void TColorRichEditTest::IsReadOnlyAndClearsAsAWhole() {
    TColorRichEdit Edit;
    SwitchPrefixesOff(Edit);
    Edit.IsNumberLines = true;
    Edit.AddLine(QStringLiteral("a"), 0);
    QTest::keyClicks(&Edit, QStringLiteral("typed"));
    QCOMPARE(Edit.toPlainText(), QStringLiteral("1a"));
    Edit.clear();
    Edit.AddLine(QStringLiteral("b"), 0);
    QCOMPARE(Edit.toPlainText(), QStringLiteral("1b"));
}

QTEST_MAIN(TColorRichEditTest)
#include "ColorRichEditTest.moc"
