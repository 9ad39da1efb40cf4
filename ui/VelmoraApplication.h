// The application object: speaks Russian in Qt's own dialogs too, and is a backstop that turns an
// exception escaping from any event handler into a call of OnException instead of ending the
// program.
#pragma once

#include <QApplication>
#include <QTranslator>
#include <exception>
#include <functional>

class TVelmoraApplication : public QApplication {
    Q_OBJECT
public:
    using TExceptionEvent = std::function<void(QObject* Sender, const std::exception& Error)>;

    TVelmoraApplication(int& Argc, char** Argv);

    // True when Qt's Russian translations were found and installed.
    bool HasQtTranslations() const;

    bool notify(QObject* Receiver, QEvent* Event) override;

    // Receives every exception that leaves an event handler; unset, such exceptions are
    // dropped.
    TExceptionEvent OnException;

private:
    QTranslator QtTranslations;

    void Report(QObject* Receiver, const std::exception& Error);
};
