#include "ui/AboutForm.h"

#include <algorithm>

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QUrlQuery>

#include "common/ProductInfo.h"
#include "common/ResourseStrings.h"
#include "ui/ColorLabel.h"
#include "ui/UiSupport.h"

namespace {
constexpr int FormWidth = 241;
constexpr int FormHeight = 217;
constexpr int BannerHeight = 32;
constexpr TColor LinkColor = 0xFF0000; // blue
} // namespace

TAboutForm::TAboutForm(QWidget* Parent)
    : QDialog(Parent), FUrlOpener([](const QUrl& Url) { return QDesktopServices::openUrl(Url); }) {
    CreateElements();
}

void TAboutForm::CreateElements() {
    setWindowTitle(ToQString(SAboutCaption));
    setFont(FormFont());
    setFixedSize(FormWidth, FormHeight);
    QPalette Background = palette();
    Background.setColor(QPalette::Window, Qt::white);
    setPalette(Background);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, FormWidth, BannerHeight);
    Image1->setPixmap(MakeBanner());

    Label2 = new QLabel(ToQString(SAboutProgramFor), this);
    Label2->setWordWrap(true);
    Label2->setGeometry(8, 32, 149, 28);

    Label5 = new QLabel(ToQString(SAboutChipType), this);
    Label5->move(24, 61);

    VersionLabel = new QLabel(ToQString(FormatText(SAboutVersion, SProductVersion)), this);
    VersionLabel->move(8, 88);

    Label4 = new QLabel(ToQString(SAboutMailScheme), this);
    Label4->move(109, 152);
    Label4->hide();

    Label1 = new QLabel(ToQString(SMakerMailAddress), this);
    Label1->adjustSize();
    // A face wider than Tahoma would push the address past the right edge: it moves left.
    Label1->move(std::min(144, FormWidth - 8 - Label1->width()), 152);
    SetLabelTextColor(Label1, LinkColor);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setToolTip(ToQString(SAboutMailHint));
    Label1->installEventFilter(this);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 160, 225, 10);

    OKButton = new QPushButton(ToQString(SOKButtonCaption), this);
    OKButton->setGeometry(159, 184, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TAboutForm::OKButtonClick);

    MakerLabel = new QLabel(ToQString(SAboutMaker), this);
    MakerLabel->move(8, 200);
}

QPixmap TAboutForm::MakeBanner() {
    QPixmap Banner(FormWidth, BannerHeight);
    QPainter Painter(&Banner);
    QLinearGradient Gradient(0, 0, FormWidth, 0);
    Gradient.setColorAt(0.0, QColor(0, 51, 102));
    Gradient.setColorAt(1.0, QColor(102, 153, 204));
    Painter.fillRect(Banner.rect(), Gradient);
    QFont Title = FormFont();
    Title.setPointSize(14);
    Title.setBold(true);
    Painter.setFont(Title);
    Painter.setPen(Qt::white);
    Painter.drawText(Banner.rect().adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Velmora"));
    return Banner;
}

QUrl TAboutForm::MailLink() {
    QUrl Link;
    Link.setScheme(QStringLiteral("mailto"));
    Link.setPath(ToQString(SMakerMailAddress));
    QUrlQuery Query;
    Query.addQueryItem(QStringLiteral("subject"), ToQString(SAboutMailSubject));
    Link.setQuery(Query);
    return Link;
}

int TAboutForm::Execute() {
    return exec() == QDialog::Accepted ? mrOk : mrCancel;
}

void TAboutForm::Label1Click() {
    if (FUrlOpener) {
        FUrlOpener(MailLink());
    }
}

void TAboutForm::OKButtonClick() {
    accept();
}

bool TAboutForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == Label1 && Event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
        Label1Click();
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}
