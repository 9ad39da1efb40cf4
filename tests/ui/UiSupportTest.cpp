#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>

#include "ui/PathEllipsis.h"
#include "ui/UiSupport.h"

class TUiSupportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ColourValuesAreBlueGreenRed_data();
    void ColourValuesAreBlueGreenRed();
    void FormFontIsEightPoints();
    void PathThatFitsStaysWhole();
    void LongPathKeepsStartAndFileName_data();
    void LongPathKeepsStartAndFileName();
    void FileNameWiderThanTheRoomIsCutInItsMiddle();
    void EditWidthLeavesRoomForFrame();
};

void TUiSupportTest::ColourValuesAreBlueGreenRed_data() {
    QTest::addColumn<TColor>("Value");
    QTest::addColumn<QColor>("Expected");
    QTest::newRow("red") << TColor{0x0000FF} << QColor(255, 0, 0);
    QTest::newRow("blue") << TColor{0xFF0000} << QColor(0, 0, 255);
    QTest::newRow("green") << TColor{0x008000} << QColor(0, 128, 0);
    QTest::newRow("grey") << TColor{0x808080} << QColor(128, 128, 128);
    QTest::newRow("pale yellow") << TColor{0xD9FFFF} << QColor(255, 255, 217);
}

void TUiSupportTest::ColourValuesAreBlueGreenRed() {
    QFETCH(TColor, Value);
    QFETCH(QColor, Expected);
    QCOMPARE(ColorToQColor(Value), Expected);
    QCOMPARE(QColorToColor(Expected), Value);
}

void TUiSupportTest::FormFontIsEightPoints() {
    const QFont Font = FormFont();
    QCOMPARE(Font.pointSize(), 8);
    QVERIFY(!Font.family().isEmpty());
}

void TUiSupportTest::PathThatFitsStaysWhole() {
    const QFontMetrics Metrics(FormFont());
    const QString Path = QStringLiteral("/home/user/a.ldr");
    QCOMPARE(ShortenPath(Path, Metrics, Metrics.horizontalAdvance(Path)), Path);
    QCOMPARE(ShortenPath(QString(), Metrics, 10), QString());
}

void TUiSupportTest::LongPathKeepsStartAndFileName_data() {
    QTest::addColumn<QString>("Path");
    QTest::addColumn<QString>("FileName");
    QTest::newRow("posix") << "/home/user/projects/firmware/images/2024/board.ldr"
                           << "/board.ldr";
    QTest::newRow("windows") << "C:\\Documents and Settings\\user\\Images\\old\\board.ldr"
                             << "\\board.ldr";
}

void TUiSupportTest::LongPathKeepsStartAndFileName() {
    QFETCH(QString, Path);
    QFETCH(QString, FileName);
    const QFontMetrics Metrics(FormFont());
    const int Width = Metrics.horizontalAdvance(Path) / 2;
    const QString Short = ShortenPath(Path, Metrics, Width);
    QVERIFY2(Metrics.horizontalAdvance(Short) <= Width, qPrintable(Short));
    QVERIFY2(Short.endsWith(QStringLiteral("...") + FileName), qPrintable(Short));
    const QString Start = Short.left(Short.size() - FileName.size() - 3);
    QVERIFY2(Start.size() >= 3 && Path.startsWith(Start), qPrintable(Short));
    // The longest start that fits is kept.
    const QString Longer = Path.left(Start.size() + 1) + QStringLiteral("...") + FileName;
    QVERIFY(Metrics.horizontalAdvance(Longer) > Width);
}

void TUiSupportTest::FileNameWiderThanTheRoomIsCutInItsMiddle() {
    const QFontMetrics Metrics(FormFont());
    const QString Path = QStringLiteral("/home/a_very_long_file_name_of_an_image_read_back.ldr");
    const int Width = Metrics.horizontalAdvance(QStringLiteral("a_very_long_file"));
    const QString Short = ShortenPath(Path, Metrics, Width);
    QVERIFY2(Metrics.horizontalAdvance(Short) <= Width, qPrintable(Short));
    QVERIFY2(Short.endsWith(QStringLiteral(".ldr")), qPrintable(Short));
}

void TUiSupportTest::EditWidthLeavesRoomForFrame() {
    QLineEdit Edit;
    Edit.resize(321, 21);
    const int Width = LineEditTextWidth(&Edit);
    QVERIFY(Width > 280);
    QVERIFY(Width < 321);
    Edit.setTextMargins(10, 0, 10, 0);
    QCOMPARE(LineEditTextWidth(&Edit), Width - 20);
}

QTEST_MAIN(TUiSupportTest)
#include "UiSupportTest.moc"
