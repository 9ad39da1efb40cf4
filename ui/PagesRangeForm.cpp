#include "ui/PagesRangeForm.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "common/ResourseStrings.h"
#include "ui/ColorLabel.h"
#include "ui/ConstraintedEdit.h"

namespace {
constexpr int FormWidth = 281;
constexpr int FormHeight = 105;
constexpr int EditHeight = 21;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonGap = 13;
constexpr int EdgeGap = 6;
constexpr int NotifyLabelPointSize = 7;
// The caption shows the window's icon and up to three buttons beside the title.
constexpr int CaptionSquares = 4;
constexpr int CaptionMargin = 8;
// A caption is this much higher than its text.
constexpr int CaptionPadding = 12;
constexpr TColor ClearedColor = 0x000000;
} // namespace

TPagesRangeForm::TPagesRangeForm(TPagesWordFunction PagesWord, QWidget* Parent)
    : QDialog(Parent), FPagesWord(std::move(PagesWord)) {
    CreateElements();
    NotifyLabel->ClearText();
}

void TPagesRangeForm::CreateElements() {
    setWindowTitle(ToQString(SPagesRangeCaption));
    setFont(FormFont());

    Label1 = new QLabel(ToQString(SPagesRangeFrom), this);
    Label1->move(8, 8);
    Label2 = new QLabel(ToQString(SPagesRangeTo), this);
    Label2->move(152, 8);

    StartIndexEdit = new TConstraintedEdit(this);
    StartIndexEdit->setGeometry(8, 24, 121, EditHeight);
    EndIndexEdit = new TConstraintedEdit(this);
    EndIndexEdit->setGeometry(152, 24, 121, EditHeight);
    for (TConstraintedEdit* Edit : {StartIndexEdit, EndIndexEdit}) {
        Edit->OnConstraintCheck = [this](TConstraintedEdit* Sender, const QString& Text,
                                         bool& Answer, QString& UserMessage, TColor& Color) {
            StartIndexEditConstraintCheck(Sender, Text, Answer, UserMessage, Color);
        };
        Edit->SetIsCheckOnChange(true);
        Edit->SetInsideHintColor(TInsideHintEdit::DefaultInsideHintColor);
        Edit->installEventFilter(this);
    }

    NotifyLabel = new TColorLabel(this);
    QFont NoteFont = font();
    NoteFont.setPointSize(NotifyLabelPointSize);
    NotifyLabel->setFont(NoteFont);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    OKButton = new QPushButton(ToQString(SOKButtonCaption), this);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(ToQString(SCancelButtonCaption), this);
    FitToTitle();

    setTabOrder(StartIndexEdit, EndIndexEdit);
    setTabOrder(EndIndexEdit, OKButton);
    setTabOrder(OKButton, CancelButton);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

int TPagesRangeForm::CaptionWidthFor(const QString& Title) const {
    QFont Caption = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    Caption.setBold(true);
    const QFontMetrics Metrics(Caption);
    const int Square = std::max(style()->pixelMetric(QStyle::PM_TitleBarHeight),
                                Metrics.height() + CaptionPadding);
    return Metrics.horizontalAdvance(Title) + CaptionSquares * Square + 2 * CaptionMargin;
}

void TPagesRangeForm::FitToTitle() {
    const int Width = std::max(FormWidth, CaptionWidthFor(windowTitle()));
    setFixedSize(Width, FormHeight);
    NotifyLabel->setGeometry(8, 48, Width - 16, 14);
    Bevel1->setGeometry(0, 64, Width, 2);
    OKButton->setGeometry(Width - EdgeGap - ButtonWidth, 72, ButtonWidth, ButtonHeight);
    CancelButton->setGeometry(OKButton->x() - ButtonGap - ButtonWidth, 72, ButtonWidth,
                              ButtonHeight);
}

void TPagesRangeForm::changeEvent(QEvent* Event) {
    QDialog::changeEvent(Event);
    const bool TitleChanged =
        Event->type() == QEvent::WindowTitleChange || Event->type() == QEvent::FontChange;
    if (TitleChanged && OKButton != nullptr) {
        FitToTitle();
    }
}

void TPagesRangeForm::Prepare(int MinIndex, int MaxIndex) {
    FMinIndex = MinIndex;
    FMaxIndex = MaxIndex;
    StartIndexEdit->SetInsideHint(ToQString(FormatText(SStartIndexHint, MinIndex)));
    EndIndexEdit->SetInsideHint(ToQString(FormatText(SEndIndexHint, MaxIndex)));
}

int TPagesRangeForm::Execute(int MinIndex, int MaxIndex) {
    Prepare(MinIndex, MaxIndex);
    return exec() == QDialog::Accepted ? mrOk : mrCancel;
}

int TPagesRangeForm::GetStartIndex() {
    return StartIndexEdit->CheckedText().toInt();
}

int TPagesRangeForm::GetEndIndex() {
    return EndIndexEdit->CheckedText().toInt();
}

void TPagesRangeForm::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    ValidateRange();
    // Each use begins at the first page, its previous text selected to be typed over.
    StartIndexEdit->setFocus(Qt::OtherFocusReason);
    StartIndexEdit->selectAll();
}

void TPagesRangeForm::StartIndexEditConstraintCheck(TConstraintedEdit* /*Sender*/,
                                                    const QString& /*Text*/, bool& Answer,
                                                    QString& /*UserMessage*/, TColor& Color) {
    Answer = ValidateRange();
    Color = Answer ? ClearedColor : ComplaintColor;
}

std::optional<int> TPagesRangeForm::ToIndex(const QString& Text) {
    bool Converted = false;
    const int Value = Text.toInt(&Converted);
    if (!Converted) {
        NotifyLabel->ShowError(
            ToQString(FormatText(SNotAnIntegerValue, Text.toUtf8().constData())));
        return std::nullopt;
    }
    return Value;
}

// Each failing check writes its complaint over the previous one, so the last one stays.
bool TPagesRangeForm::CheckBounds(int Start, int End) {
    bool Acceptable = true;
    if (Start < FMinIndex) {
        NotifyLabel->ShowError(ToQString(FormatText(SStartIndexBelowMin, FMinIndex)));
        Acceptable = false;
    }
    if (End > FMaxIndex) {
        NotifyLabel->ShowError(ToQString(FormatText(SEndIndexAboveMax, FMaxIndex)));
        Acceptable = false;
    }
    if (End < Start) {
        NotifyLabel->ShowError(ToQString(SStartIndexAboveEnd));
        Acceptable = false;
    }
    return Acceptable;
}

bool TPagesRangeForm::ValidateRange() {
    bool Acceptable = false;
    if (StartIndexEdit->text().isEmpty() || EndIndexEdit->text().isEmpty()) {
        NotifyLabel->ShowError(ToQString(SRangeIsNotSet));
    } else {
        // Pasted text may hold anything; it makes the range unacceptable instead of failing.
        const std::optional<int> Start = ToIndex(StartIndexEdit->text());
        const std::optional<int> End = Start ? ToIndex(EndIndexEdit->text()) : std::nullopt;
        Acceptable = Start && End && CheckBounds(*Start, *End);
        if (Acceptable) {
            // Both bounds belong to the range: Start = End is one page.
            const int Count = *End - *Start + 1;
            const std::string Word = FPagesWord ? FPagesWord(Count) : std::string();
            NotifyLabel->ShowText(ToQString(FormatText(SRangePagesCount, Count, Word.c_str())),
                                  AcceptedColor);
        }
    }
    OKButton->setEnabled(Acceptable);
    return Acceptable;
}

bool TPagesRangeForm::eventFilter(QObject* Watched, QEvent* Event) {
    const bool IsIndexEdit = Watched == StartIndexEdit || Watched == EndIndexEdit;
    if (IsIndexEdit && Event->type() == QEvent::KeyPress &&
        StartIndexEditKeyPress(static_cast<QKeyEvent*>(Event))) {
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}

bool TPagesRangeForm::StartIndexEditKeyPress(const QKeyEvent* Event) {
    const QString Text = Event->text();
    // Keys without a character (arrows, Delete, Home...) edit the field but type nothing.
    // Tab, Enter and Escape belong to the dialog: they move the focus, press OK and Cancel.
    switch (Event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    if (Text.isEmpty()) {
        return false;
    }
    const bool IsDigit =
        Text.size() == 1 && Text[0] >= QLatin1Char('0') && Text[0] <= QLatin1Char('9');
    if (IsDigit) {
        return false;
    }
    NotifyLabel->ShowError(ToQString(SInvalidCharacters));
    return true;
}
