#include "ui/VelmoraApplication.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"

TVelmoraApplication::TVelmoraApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {}

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
