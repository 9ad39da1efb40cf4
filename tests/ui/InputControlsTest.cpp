#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QPalette>
#include <QTest>
#include <memory>

#include "common/ResourseStrings.h"
#include "tests/support/ThrownMessage.h"
#include "ui/ColorLabel.h"
#include "ui/ConstraintedEdit.h"

namespace {
constexpr TColor Black = 0x000000;
constexpr TColor Red = 0x0000FF;
constexpr TColor Silver = 0xC0C0C0;

TColor HintColor(const QLineEdit& Edit) {
    return QColorToColor(Edit.palette().color(QPalette::PlaceholderText));
}

// A form with an edit and a label.
struct TForm {
    QWidget Window;
    TConstraintedEdit* Edit = new TConstraintedEdit(&Window);
    TColorLabel* Label = new TColorLabel(&Window);

    TForm() {
        Label->move(0, 30);
        Window.show();
    }
};

// The focus moving into and out of the edit, as the window delivers it.
void Enter(QWidget& Widget) {
    QFocusEvent Event(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&Widget, &Event);
}
void Leave(QWidget& Widget) {
    QFocusEvent Event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&Widget, &Event);
}

// Records what the label shows each time the check runs, to see the clearing before the
// message.
void RedWhenTooLong(TConstraintedEdit*, const QString& Text, bool& Answer, QString& UserMessage,
                    TColor& Color) {
    Answer = Text.size() <= 3;
    if (!Answer) {
        UserMessage = QStringLiteral("too long");
        Color = Red;
    }
}
} // namespace

class TInputControlsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void InsideHintShowsInSilverOnlyWhileEmpty();
    void InsideHintWithClearOnEnterHidesWhileFocused();
    void InsideHintWithoutClearOnEnterStaysWhileFocused();
    void InsideHintSetOnNonEmptyEditIsNotShown();
    void CheckWithoutHandlerPasses();
    void FailingCheckRaisesWithDefaultOrChangedMessage();
    void CheckOnChangeClearsLabelThenShowsMessage();
    void ColorSelfAsLabelPaintsTheEdit();
    void BeforeShowHandlerMayChangeTextAndColour();
    void CheckOnCreateRunsAtOnceAndOnBindingLabel();
    void DestroyedLabelIsForgotten();
    void HandlerErrorPassesThroughCheckButNotThroughChange();
    void ColorLabelShowsTextsInTheirColours();
};

void TInputControlsTest::InsideHintShowsInSilverOnlyWhileEmpty() {
    TForm Form;
    Form.Edit->SetInsideHint(QStringLiteral("Файл образа..."));
    QVERIFY(Form.Edit->IsInsideHintShown());
    QCOMPARE(HintColor(*Form.Edit), Silver);

    QTest::keyClicks(Form.Edit, QStringLiteral("a"));
    QVERIFY(!Form.Edit->IsInsideHintShown());
    QCOMPARE(Form.Edit->text(), QStringLiteral("a"));

    QTest::keyClick(Form.Edit, Qt::Key_Backspace);
    QVERIFY(Form.Edit->IsInsideHintShown());
    QVERIFY(Form.Edit->text().isEmpty()); // the hint is never part of the text

    Form.Edit->SetInsideHintColor(0x0000FF);
    QCOMPARE(Form.Edit->palette().color(QPalette::PlaceholderText), QColor(Qt::red));
}

void TInputControlsTest::InsideHintWithClearOnEnterHidesWhileFocused() {
    TForm Form;
    Form.Edit->SetInsideHint(QStringLiteral("hint"));
    Form.Edit->SetIsClearOnEnter(true);

    Enter(*Form.Edit);
    QVERIFY(Form.Edit->IsInFocus());
    QVERIFY(!Form.Edit->IsInsideHintShown());

    Leave(*Form.Edit);
    QVERIFY(!Form.Edit->IsInFocus());
    QVERIFY(Form.Edit->IsInsideHintShown());
    QCOMPARE(Form.Edit->placeholderText(), QStringLiteral("hint"));
}

void TInputControlsTest::InsideHintWithoutClearOnEnterStaysWhileFocused() {
    TForm Form;
    Form.Edit->SetInsideHint(QStringLiteral("hint"));
    Enter(*Form.Edit);
    QVERIFY(Form.Edit->IsInFocus());
    QVERIFY(Form.Edit->IsInsideHintShown());
}

void TInputControlsTest::InsideHintSetOnNonEmptyEditIsNotShown() {
    TForm Form;
    Form.Edit->setText(QStringLiteral("text"));
    Form.Edit->SetInsideHint(QStringLiteral("hint"));
    QVERIFY(!Form.Edit->IsInsideHintShown());
    QCOMPARE(Form.Edit->text(), QStringLiteral("text"));
    Form.Edit->clear();
    QVERIFY(Form.Edit->IsInsideHintShown());
}

void TInputControlsTest::CheckWithoutHandlerPasses() {
    TForm Form;
    QTest::keyClicks(Form.Edit, QStringLiteral("any text"));
    QVERIFY(Form.Edit->CheckConstraint());
    QCOMPARE(Form.Edit->CheckedText(), QStringLiteral("any text"));
}

void TInputControlsTest::FailingCheckRaisesWithDefaultOrChangedMessage() {
    TForm Form;
    Form.Edit->OnConstraintCheck = [](TConstraintedEdit*, const QString&, bool& Answer, QString&,
                                      TColor&) { Answer = false; };
    const auto Check = [&Form] { Form.Edit->CheckedText(); };
    QCOMPARE(QString::fromStdString(ThrownMessage<EConstraintEditException>(Check)),
             QStringLiteral("Не соблюдены ограничения, наложенные на поле ввода."));
    Form.Edit->SetConstraintEditExceptionMessage(QStringLiteral("changed"));
    // The family derives from the common base.
    QCOMPARE(QString::fromStdString(ThrownMessage<Exception>(Check)), QStringLiteral("changed"));
}

void TInputControlsTest::CheckOnChangeClearsLabelThenShowsMessage() {
    TForm Form;
    Form.Edit->SetNotifyLabel(Form.Label);
    Form.Edit->SetIsCheckOnChange(true);
    QStringList Shown;
    Form.Edit->OnBeforeShowStringOnLabelEvent = [&Shown](TExtLabeledEdit*, QString& S,
                                                         TColor& Color) {
        Shown << QStringLiteral("%1/%2").arg(S).arg(Color, 6, 16, QLatin1Char('0'));
    };
    Form.Edit->OnConstraintCheck = RedWhenTooLong;

    QTest::keyClicks(Form.Edit, QStringLiteral("abcd"));
    // Each change first empties the label in black, then shows the check's message.
    QCOMPARE(Shown.mid(Shown.size() - 2),
             (QStringList{QStringLiteral("/000000"), QStringLiteral("too long/0000ff")}));
    QCOMPARE(Form.Label->text(), QStringLiteral("too long"));
    QCOMPARE(Form.Label->TextColor(), Red);
    QCOMPARE(Form.Edit->TextColor(), QColorToColor(QLineEdit().palette().color(QPalette::Text)));

    QTest::keyClick(Form.Edit, Qt::Key_Backspace);
    QCOMPARE(Form.Label->text(), QString());
    QCOMPARE(Form.Label->TextColor(), Black);
}

void TInputControlsTest::ColorSelfAsLabelPaintsTheEdit() {
    TForm Form;
    Form.Edit->SetNotifyLabel(Form.Label);
    Form.Edit->SetIsCheckOnChange(true);
    Form.Edit->SetIsColorSelfAsLabel(true);
    Form.Edit->OnConstraintCheck = RedWhenTooLong;
    QTest::keyClicks(Form.Edit, QStringLiteral("abcd"));
    QCOMPARE(Form.Edit->TextColor(), Red);
    QTest::keyClick(Form.Edit, Qt::Key_Backspace);
    QCOMPARE(Form.Edit->TextColor(), Black);
}

void TInputControlsTest::BeforeShowHandlerMayChangeTextAndColour() {
    TForm Form;
    Form.Edit->ShowStringOnLabel(QStringLiteral("unbound"), Red); // no label: nothing happens
    Form.Edit->SetNotifyLabel(Form.Label);
    Form.Edit->OnBeforeShowStringOnLabelEvent = [](TExtLabeledEdit*, QString& S, TColor& Color) {
        S = S.toUpper();
        Color = 0x008000;
    };
    Form.Edit->ShowStringOnLabel(QStringLiteral("note"), Red);
    QCOMPARE(Form.Label->text(), QStringLiteral("NOTE"));
    QCOMPARE(Form.Label->TextColor(), TColor{0x008000});
}

void TInputControlsTest::CheckOnCreateRunsAtOnceAndOnBindingLabel() {
    TForm Form;
    int Checks = 0;
    Form.Edit->OnConstraintCheck = [&Checks](TConstraintedEdit*, const QString&, bool&,
                                             QString& UserMessage, TColor&) {
        ++Checks;
        UserMessage = QStringLiteral("checked");
    };
    Form.Edit->setText(QStringLiteral("x")); // check on change is off
    QCOMPARE(Checks, 0);
    Form.Edit->SetIsCheckOnCreate(true);
    QCOMPARE(Checks, 1);
    Form.Edit->SetNotifyLabel(Form.Label);
    QCOMPARE(Checks, 2);
    QCOMPARE(Form.Label->text(), QStringLiteral("checked"));
}

void TInputControlsTest::DestroyedLabelIsForgotten() {
    TForm Form;
    auto Label = std::make_unique<QLabel>(); // owned outside the form
    Form.Edit->SetNotifyLabel(Label.get());
    Label.reset();
    QCOMPARE(Form.Edit->NotifyLabel(), nullptr);
    Form.Edit->ShowStringOnLabel(QStringLiteral("still safe"), Red);
}

void TInputControlsTest::HandlerErrorPassesThroughCheckButNotThroughChange() {
    TForm Form;
    Form.Edit->SetNotifyLabel(Form.Label);
    Form.Edit->OnConstraintCheck = [](TConstraintedEdit*, const QString& Text, bool&, QString&,
                                      TColor&) {
        if (Text == QStringLiteral("bad")) {
            throw Exception("handler failed");
        }
    };
    Form.Edit->setText(QStringLiteral("bad"));
    QVERIFY_THROWS_EXCEPTION(Exception, Form.Edit->CheckConstraint());

    // After a change the error cannot unwind through the toolkit: it is reported instead.
    Form.Edit->clear();
    Form.Edit->SetIsCheckOnChange(true);
    QTest::keyClicks(Form.Edit, QStringLiteral("bad"));
    QCOMPARE(Form.Label->text(), QStringLiteral("handler failed"));
    QCOMPARE(Form.Label->TextColor(), Red);

    QString Reported;
    Form.Edit->OnCheckError = [&Reported](TConstraintedEdit*, const std::exception& Error) {
        Reported = QString::fromUtf8(Error.what());
    };
    Form.Edit->clear();
    QTest::keyClicks(Form.Edit, QStringLiteral("bad"));
    QCOMPARE(Reported, QStringLiteral("handler failed"));
}

void TInputControlsTest::ColorLabelShowsTextsInTheirColours() {
    TColorLabel Label;
    Label.ShowText(QStringLiteral("grey"), 0x808080);
    QCOMPARE(Label.text(), QStringLiteral("grey"));
    QCOMPARE(Label.palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    Label.ShowError(QStringLiteral("error"));
    QCOMPARE(Label.palette().color(QPalette::WindowText), QColor(Qt::red));
    Label.ClearText();
    QCOMPARE(Label.text(), QString());
    QCOMPARE(Label.TextColor(), Black);
}

QTEST_MAIN(TInputControlsTest)
#include "InputControlsTest.moc"
