#include "ui/Mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace {

// Positions worth trying, best first: word starts, then every other letter or digit.
QList<qsizetype> CandidatePositions(const QString& Caption) {
    QList<qsizetype> WordStarts;
    QList<qsizetype> Others;
    for (qsizetype Index = 0; Index < Caption.size(); ++Index) {
        if (!Caption[Index].isLetterOrNumber()) {
            continue;
        }
        const bool WordStart = Index == 0 || !Caption[Index - 1].isLetterOrNumber();
        (WordStart ? WordStarts : Others).append(Index);
    }
    return WordStarts + Others;
}

} // namespace

QString CaptionWithMnemonic(const QString& Caption, qsizetype Position) {
    QString Result;
    for (qsizetype Index = 0; Index < Caption.size(); ++Index) {
        if (Index == Position) {
            Result += QLatin1Char('&');
        }
        Result += Caption[Index];
        if (Caption[Index] == QLatin1Char('&')) {
            Result += QLatin1Char('&');
        }
    }
    return Result;
}

QChar MnemonicOf(const QString& Caption) {
    for (qsizetype Index = 0; Index + 1 < Caption.size(); ++Index) {
        if (Caption[Index] != QLatin1Char('&')) {
            continue;
        }
        if (Caption[Index + 1] != QLatin1Char('&')) {
            return Caption[Index + 1].toUpper();
        }
        ++Index; // "&&" is a written "&"
    }
    return QChar();
}

void AssignMnemonics(const QList<QAction*>& Actions) {
    QSet<QChar> Used;
    for (const QAction* Action : Actions) {
        if (!Action->isSeparator() && !MnemonicOf(Action->text()).isNull()) {
            Used.insert(MnemonicOf(Action->text()));
        }
    }
    for (QAction* Action : Actions) {
        if (Action->isSeparator() || !MnemonicOf(Action->text()).isNull()) {
            continue;
        }
        const QString Caption = Action->text();
        for (const qsizetype Position : CandidatePositions(Caption)) {
            const QChar Letter = Caption[Position].toUpper();
            if (!Used.contains(Letter)) {
                Used.insert(Letter);
                // The icon text of a tool button stays without the marker.
                const QString IconText = Action->iconText();
                Action->setText(CaptionWithMnemonic(Caption, Position));
                Action->setIconText(IconText);
                break;
            }
        }
    }
}

void AssignMnemonics(QMenu* Menu) {
    AssignMnemonics(Menu->actions());
}

void AssignMnemonics(QMenuBar* Bar) {
    AssignMnemonics(Bar->actions());
    for (QAction* Item : Bar->actions()) {
        if (Item->menu() != nullptr) {
            AssignMnemonics(Item->menu());
        }
    }
}
