// The modal "about" box: names the program, its version and the chip type and offers a mail link
// to the maker.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;

// Opens a link with the desktop's handler; replaceable so that nothing is launched in tests.
using TUrlOpener = std::function<bool(const QUrl& Url)>;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit TAboutForm(QWidget* Parent = nullptr);

    // Shows the box modally; mrOk for the OK button, mrCancel for the close box.
    int Execute();

    void SetUrlOpener(TUrlOpener Opener) { FUrlOpener = std::move(Opener); }
    // The mail link: the maker's address and the subject of the message.
    static QUrl MailLink();

    // Opens the mail link; the box stays open.
    void Label1Click();
    void OKButtonClick();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* VersionLabel = nullptr;
    QLabel* MakerLabel = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateElements();
    static QPixmap MakeBanner();

    TUrlOpener FUrlOpener;
};
