#include "ui/ColorRichEdit.h"

#include <QDate>
#include <QLocale>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTime>

QString LongTimeFormat() {
    const QString Format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString Result;
    bool InQuotes = false;
    for (const QChar Char : Format) {
        if (Char == QLatin1Char('\'')) {
            InQuotes = !InQuotes;
        }
        if (!InQuotes && Char == QLatin1Char('t')) {
            continue;
        }
        Result += Char;
    }
    return Result.trimmed();
}

TColorRichEdit::TColorRichEdit(QWidget* Parent) : QTextEdit(Parent) {
    setReadOnly(true);
    setAcceptRichText(false);
}

void TColorRichEdit::AddTime(QString& S) {
    S = QLocale::system().toString(QTime::currentTime(), LongTimeFormat()) + TimeDelimiter + S;
}

void TColorRichEdit::AddDate(QString& S) {
    S = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + DateDelimiter + S;
}

void TColorRichEdit::AddNumber(QString& S) {
    S = QString::number(LineCount() + 1) + NumberDelimiter + S;
}

void TColorRichEdit::AddDelimiter(QString& S) {
    S = Delimiter + S;
}

int TColorRichEdit::LineCount() const {
    return document()->isEmpty() ? 0 : document()->blockCount();
}

void TColorRichEdit::AddLine(QString S, TColor Color) {
    if (OnBeforeLineAdd) {
        OnBeforeLineAdd(this, S);
    }
    if (!Delimiter.isEmpty()) {
        AddDelimiter(S);
    }
    if (IsAddTime) {
        AddTime(S);
    }
    if (IsAddDate) {
        AddDate(S);
    }
    if (IsNumberLines) {
        AddNumber(S);
    }

    // A separate cursor appends without touching the user's caret, selection or view; only
    // the new text takes the colour.
    QTextCursor Cursor(document());
    Cursor.movePosition(QTextCursor::End);
    QTextCharFormat Format;
    Format.setForeground(ColorToQColor(Color));
    if (!document()->isEmpty()) {
        Cursor.insertBlock(QTextBlockFormat(), Format);
    }
    QString Text = S;
    Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Cursor.insertText(Text, Format);

    if (IsScrollToBottom) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    if (OnAfterLineAdd) {
        OnAfterLineAdd(this, S);
    }
}
