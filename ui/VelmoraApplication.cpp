#include "ui/VelmoraApplication.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"

#include <QLibraryInfo>
#include <QLocale>

TVelmoraApplication::TVelmoraApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
    // The program speaks Russian: Qt's own dialogs and buttons do too, and text direction and
    // number formats follow.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    if (QtTranslations.load(QLocale(QLocale::Russian), QStringLiteral("qt"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(&QtTranslations);
    }
}

bool TVelmoraApplication::HasQtTranslations() const {
    return !QtTranslations.isEmpty();
}

bool TVelmoraApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const std::exception& Error) {
        Report(Receiver, Error);
    } catch (...) {
        Report(Receiver, Exception(SUnknownException));
    }
    return false;
}

void TVelmoraApplication::Report(QObject* Receiver, const std::exception& Error) {
    if (!OnException) {
        return;
    }
    try {
        OnException(Receiver, Error);
    } catch (...) {
        // The report itself failed; nothing is left to tell it to.
    }
}
