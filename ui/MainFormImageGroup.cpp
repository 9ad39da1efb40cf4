// The main window's image group: the state picture, the image's name, page count and page
// length, and its file with the button that loads another one.
#include "common/ResourseStrings.h"
#include "ui/AnchorLayout.h"
#include "ui/ConstraintedEdit.h"
#include "ui/MainForm.h"
#include "ui/MainFormSupport.h"
#include "ui/PathEllipsis.h"
#include "ui/UiSupport.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

using namespace MainFormParts;

namespace {

constexpr int StatePictureSize = 64;
constexpr TColor FileNameEditColor = 0xD9FFFF;
constexpr TColor SilverColor = 0xC0C0C0;

QPixmap StatePixmap(TStatePicture Picture) {
    return QPixmap(Picture == TStatePicture::Loaded
                       ? QStringLiteral(":/pictures/image-loaded-64.png")
                       : QStringLiteral(":/pictures/image-empty-64.png"));
}

} // namespace

void TMainForm::CreateImageGroup(QWidget* Central) {
    auto* CentralLayout = new TAnchorLayout(Central, QSize(ClientWidth, DesignCentralHeight));
    MainGroupBox = new QGroupBox(Text(SImageGroupCaption), Central);
    CentralLayout->Add(MainGroupBox, QRect(8, 59 - DesignToolBarHeight, 393, 134),
                       akLeft | akTop | akRight);

    const QSize GroupSize(393, 134);
    auto* GroupLayout = new TAnchorLayout(MainGroupBox, GroupSize);
    const int LabelHeight = fontMetrics().height() + 2;
    const int LabelWidth = GroupSize.width() - 80 - 8;

    FileStateImage = new QLabel(MainGroupBox);
    FileStateImage->setAlignment(Qt::AlignCenter);
    GroupLayout->Add(FileStateImage, QRect(5, 24, StatePictureSize, StatePictureSize));

    StateLabel = new QLabel(MainGroupBox);
    QFont Bold = font();
    Bold.setBold(true);
    StateLabel->setFont(Bold);
    GroupLayout->Add(StateLabel, QRect(80, 23, LabelWidth, LabelHeight), akLeft | akTop | akRight);

    PageLengthLabel = new QLabel(MainGroupBox);
    GroupLayout->Add(PageLengthLabel, QRect(80, 57, LabelWidth, LabelHeight),
                     akLeft | akTop | akRight);
    PageCountLable = new QLabel(MainGroupBox);
    GroupLayout->Add(PageCountLable, QRect(80, 73, LabelWidth, LabelHeight),
                     akLeft | akTop | akRight);

    FileNameEdit = new TConstraintedEdit(MainGroupBox);
    QPalette EditPalette = FileNameEdit->palette();
    EditPalette.setColor(QPalette::Base, ColorToQColor(FileNameEditColor));
    FileNameEdit->setPalette(EditPalette);
    FileNameEdit->SetInsideHint(Text(SFileNameHint));
    FileNameEdit->SetInsideHintColor(SilverColor);
    FileNameEdit->SetIsClearOnEnter(false);
    FileNameEdit->SetIsColorSelfAsLabel(false);
    FileNameEdit->SetIsCheckOnChange(false);
    FileNameEdit->SetIsCheckOnCreate(false);
    GroupLayout->Add(FileNameEdit, QRect(16, 96, 321, std::max(21, LabelHeight + 6)),
                     akLeft | akTop | akRight);

    OpenFileButton = new QPushButton(MainGroupBox);
    OpenFileButton->setIcon(Picture(QStringLiteral("open")));
    OpenFileButton->setIconSize(QSize(24, 24));
    OpenFileButton->setToolTip(Text(SOpenFileHint));
    connect(OpenFileButton, &QPushButton::clicked, LoadImageFromFileAction, &QAction::trigger);
    connect(LoadImageFromFileAction, &QAction::changed, OpenFileButton,
            [this] { OpenFileButton->setEnabled(LoadImageFromFileAction->isEnabled()); });
    GroupLayout->Add(OpenFileButton, QRect(343, 90, 35, 33), akTop | akRight);
}

void TMainForm::ShowStatePicture(TStatePicture Picture, bool ClearFirst) {
    if (ClearFirst) {
        FileStateImage->clear();
    }
    // The label replaces its picture as a whole, so a picture drawn without clearing first
    // leaves nothing of the previous one either.
    FileStateImage->setPixmap(StatePixmap(Picture));
    StatePicture = Picture;
}

void TMainForm::SetStateLabel(const std::string& Text) {
    StateLabelText = ToQString(Text);
    ShowStateLabel();
}

void TMainForm::ShowStateLabel() {
    const int Width = StateLabel->contentsRect().width();
    StateLabel->setText(
        QFontMetrics(StateLabel->font()).elidedText(StateLabelText, Qt::ElideMiddle, Width));
    StateLabel->setToolTip(StateLabelText);
}

void TMainForm::SetPageCountLabel(const std::string& Text) {
    PageCountLable->setText(ToQString(Text));
}

void TMainForm::SetPageLengthLabel(const std::string& Text) {
    PageLengthLabel->setText(ToQString(Text));
}

void TMainForm::SetFileNameText(const std::string& FullPath) {
    FileNameFullPath = FullPath;
    ShowFileName();
}

void TMainForm::ShowFileName() {
    const QString FullPath = ToQString(FileNameFullPath);
    FileNameEdit->setText(
        ShortenPath(FullPath, QFontMetrics(FileNameEdit->font()), LineEditTextWidth(FileNameEdit)));
    FileNameEdit->setToolTip(FullPath);
}
