// Alt mnemonics for menus: each caption gets an underlined letter of its own within its menu,
// chosen the way a person would (the first letter of a word when it is free), so that every
// item can be reached from the keyboard without spelling the letters out by hand.
#pragma once

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

// Caption with "&" before its letter at Position; other "&" written as "&&".
QString CaptionWithMnemonic(const QString& Caption, qsizetype Position);
// The mnemonic letter of Caption (upper case), or a null character when it has none.
QChar MnemonicOf(const QString& Caption);

// Gives every action without a mnemonic one that no other action of the list uses; actions
// that already have one keep it. Separators are skipped.
void AssignMnemonics(const QList<QAction*>& Actions);
void AssignMnemonics(QMenu* Menu);
void AssignMnemonics(QMenuBar* Bar);
