// The application object: a backstop that turns an exception escaping from any event handler
// into a call of OnException instead of ending the program.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

class TVelmoraApplication : public QApplication {
    Q_OBJECT
public:
    using TExceptionEvent = std::function<void(QObject* Sender, const std::exception& Error)>;

    TVelmoraApplication(int& Argc, char** Argv);

    bool notify(QObject* Receiver, QEvent* Event) override;

    // Receives every exception that leaves an event handler; unset, such exceptions are
    // dropped.
    TExceptionEvent OnException;

private:
    void Report(QObject* Receiver, const std::exception& Error);
};
