// A read-only rich text pane that is only appended to: each line in its own colour, optionally
// prefixed with its number, the date and the time.
#pragma once

#include <QTextEdit>
#include <functional>

#include "ui/UiSupport.h"

class TColorRichEdit;

using TLineAddEvent = std::function<void(TColorRichEdit* Sender, QString& S)>;

class TColorRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TColorRichEdit(QWidget* Parent = nullptr);

    // Called with the bare text before any prefix; may change it.
    TLineAddEvent OnBeforeLineAdd;
    // Called with the finished line after it was added.
    TLineAddEvent OnAfterLineAdd;

    bool IsScrollToBottom = true;
    bool IsNumberLines = true;
    bool IsAddTime = true;
    bool IsAddDate = true;
    QString Delimiter;
    QString NumberDelimiter;
    QString TimeDelimiter;
    QString DateDelimiter;

    // Each of these puts its piece in front of S.
    virtual void AddTime(QString& S);
    virtual void AddDate(QString& S);
    virtual void AddNumber(QString& S);
    virtual void AddDelimiter(QString& S);
    // Appends S with its prefixes as a new last line in Color (0x00BBGGRR).
    virtual void AddLine(QString S, TColor Color);

    int LineCount() const;
};

// The system's long time format without its time-zone field.
QString LongTimeFormat();
