// The main window's pages: the information pane, the image view with its dump, and the chip map;
// and the help window.
#include "common/ResourseStrings.h"
#include "operations/MainWindowModel.h"
#include "ui/AnchorLayout.h"
#include "ui/ChipMap.h"
#include "ui/ColorRichEdit.h"
#include "ui/MainForm.h"
#include "ui/MainFormSupport.h"
#include "ui/UiSupport.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStringList>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cstdint>

using namespace MainFormParts;

namespace {

constexpr int DesignPagesHeight = 176;
// Room left over below a page's contents, so that rounding in the styles never cuts it short.
constexpr int PageSlack = 4;
constexpr TColor GreyColor = 0x808080;

// The user's help, built into the program.
QString HelpText() {
    QFile Help(QStringLiteral(":/docs/help.ru.md"));
    return Help.open(QIODevice::ReadOnly) ? QString::fromUtf8(Help.readAll()) : QString();
}

// The dump line (one record of the image as HEX text) that holds the byte at Address, following
// the extended address records; an invalid block when there is none.
QTextBlock DumpLineOfAddress(const QTextDocument& Dump, std::int64_t Address) {
    std::int64_t Base = 0;
    for (QTextBlock Block = Dump.begin(); Block.isValid(); Block = Block.next()) {
        // ":CC AAAA TT    DD DD ..." with CC the byte count, AAAA the address, TT the type.
        const QStringList Fields = Block.text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (Fields.size() < 3) {
            continue;
        }
        bool Valid = false;
        const int Count = Fields[0].mid(1).toInt(&Valid, 16);
        const int Offset = Fields[1].toInt(nullptr, 16);
        const int Type = Fields[2].toInt(nullptr, 16);
        if (Type == 4 && Fields.size() >= 5) {
            Base = (Fields[3] + Fields[4]).toLongLong(nullptr, 16) << 16;
        } else if (Type == 0 && Valid && Address >= Base + Offset &&
                   Address < Base + Offset + Count) {
            return Block;
        }
    }
    return QTextBlock();
}

// The height Pages need to show a page of ContentHeight: the tab bar and the frame of the pages
// take their share.
int PagesHeightFor(const QTabWidget& Pages, int ContentHeight) {
    const int Frame = Pages.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &Pages);
    return ContentHeight + Pages.tabBar()->sizeHint().height() + 2 * Frame + PageSlack;
}

TColorRichEdit* CreateInfoPane(QWidget* Sheet) {
    auto* Layout = new QVBoxLayout(Sheet);
    Layout->setContentsMargins(0, 0, 0, 0);
    auto* Pane = new TColorRichEdit(Sheet);
    Pane->setReadOnly(true);
    Pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Pane->IsScrollToBottom = true;
    Pane->IsNumberLines = false;
    Pane->IsAddTime = true;
    Pane->IsAddDate = false;
    Pane->Delimiter = QStringLiteral(": ");
    Pane->NumberDelimiter.clear();
    Pane->TimeDelimiter.clear();
    Pane->DateDelimiter.clear();
    Layout->addWidget(Pane);
    return Pane;
}

QPlainTextEdit* CreateDumpView(QWidget* Sheet) {
    auto* Dump = new QPlainTextEdit(Sheet);
    QFont Mono(QStringLiteral("Courier New"), 8);
    Mono.setStyleHint(QFont::Monospace);
    Mono.setFixedPitch(true);
    Dump->setFont(Mono);
    Dump->setLineWrapMode(QPlainTextEdit::NoWrap);
    Dump->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Dump->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return Dump;
}

} // namespace

void TMainForm::CreatePages(QWidget* Central) {
    auto* CentralLayout = Central->findChild<TAnchorLayout*>();
    PageControl1 = new QTabWidget(Central);
    CentralLayout->Add(PageControl1, QRect(8, 200 - DesignToolBarHeight, 395, DesignPagesHeight),
                       akLeft | akTop | akRight | akBottom);

    TabSheet1 = new QWidget;
    PageControl1->addTab(TabSheet1, Text(SInfoTabCaption));
    InfoRichEdit = CreateInfoPane(TabSheet1);

    ImageViewTabSheet = new QWidget;
    PageControl1->addTab(ImageViewTabSheet, Text(SImageViewTabCaption));
    auto* ViewLayout = new QVBoxLayout(ImageViewTabSheet);
    ViewLayout->setContentsMargins(4, 4, 4, 4);
    auto* Row = new QHBoxLayout;
    BitBtn1 = new QPushButton(Text(SShowImageCaption), ImageViewTabSheet);
    connect(BitBtn1, &QPushButton::clicked, ShowImageAction, &QAction::trigger);
    Row->addWidget(BitBtn1);
    Label1 = new QLabel(Text(SShowImageNote), ImageViewTabSheet);
    QFont Small = font();
    Small.setPointSize(7);
    Label1->setFont(Small);
    QPalette NotePalette = Label1->palette();
    NotePalette.setColor(QPalette::WindowText, ColorToQColor(GreyColor));
    Label1->setPalette(NotePalette);
    Row->addWidget(Label1);
    Row->addStretch();
    ViewLayout->addLayout(Row);
    MemoryMapMemo = CreateDumpView(ImageViewTabSheet);
    ViewLayout->addWidget(MemoryMapMemo);

    ChipMapTabSheet = new QWidget;
    PageControl1->addTab(ChipMapTabSheet, Text(SChipMapTabCaption));
    auto* SheetLayout = new QVBoxLayout(ChipMapTabSheet);
    SheetLayout->setContentsMargins(0, 0, 0, 0);
    // Below the size at which a page's cell can still be seen the tab scrolls instead.
    auto* MapScrollArea = new QScrollArea(ChipMapTabSheet);
    MapScrollArea->setFrameShape(QFrame::NoFrame);
    MapScrollArea->setWidgetResizable(true);
    SheetLayout->addWidget(MapScrollArea);
    auto* MapContent = new QWidget;
    auto* MapLayout = new QVBoxLayout(MapContent);
    MapLayout->setContentsMargins(4, 4, 4, 4);
    ChipMap = new TChipMap(MapContent);
    MapLayout->addWidget(ChipMap, 1);
    MapLayout->addWidget(new TChipMapLegend(MapContent));
    MapScrollArea->setWidget(MapContent);
    ChipMapContent = MapContent;
    connect(ChipMap, &TChipMap::PageClicked, this,
            [this](int Page) { Guarded([this, Page] { ShowChipPage(Page); }); });
}

void TMainForm::GrowForTheChipMap() {
    // The tool bar and the status bar take what this platform's style gives them: the pages'
    // height is measured once the window is laid out.
    layout()->activate();
    centralWidget()->findChild<TAnchorLayout*>()->Apply();
    const int Lacking =
        PagesHeightFor(*PageControl1, ChipMapContent->sizeHint().height()) - PageControl1->height();
    if (Lacking > 0) {
        resize(width(), height() + Lacking);
    }
}

// ---- The information pane ----

void TMainForm::AddInfoLine(const std::string& Text, TColor Color) {
    InfoRichEdit->AddLine(ToQString(Text), Color);
}

void TMainForm::ClearInfo() {
    InfoRichEdit->clear();
}

// ---- The image view ----

void TMainForm::ShowImageDump(const std::vector<std::string>& Lines) {
    QStringList Dump;
    Dump.reserve(static_cast<qsizetype>(Lines.size()));
    for (const std::string& Line : Lines) {
        Dump << ToQString(Line);
    }
    MemoryMapMemo->setPlainText(Dump.join(QLatin1Char('\n')));
}

void TMainForm::ClearImageView() {
    MemoryMapMemo->clear();
}

void TMainForm::ShowChipPage(int Page) {
    PageControl1->setCurrentWidget(ImageViewTabSheet);
    const std::optional<std::int32_t> Address = Model->ImagePageAddress(Page);
    if (!Address) {
        return;
    }
    if (MemoryMapMemo->document()->isEmpty()) {
        ShowImageDump(Model->ImageDump());
    }
    const QTextBlock Block = DumpLineOfAddress(*MemoryMapMemo->document(), *Address);
    if (!Block.isValid()) {
        return;
    }
    QTextCursor Cursor(Block);
    MemoryMapMemo->setTextCursor(Cursor);
    MemoryMapMemo->centerCursor();
}

// ---- The chip map ----

void TMainForm::ShowImagePages(const std::vector<int>& Pages) {
    ChipMap->SetImagePages(Pages);
}

void TMainForm::ShowPageOutcome(int Page, TPageOutcome Outcome) {
    ChipMap->SetPageOutcome(Page, Outcome);
}

// ---- Help ----

void TMainForm::ShowHelp() {
    if (HelpForm == nullptr) {
        HelpForm = new QDialog(this);
        HelpForm->setWindowTitle(Text(SHelpCaption));
        auto* Layout = new QVBoxLayout(HelpForm);
        auto* Browser = new QTextBrowser(HelpForm);
        Browser->setOpenExternalLinks(true);
        const QString Markdown = HelpText();
        if (Markdown.isEmpty()) {
            Browser->setPlainText(Text(SHelpNotFound));
        } else {
            Browser->setMarkdown(Markdown);
        }
        Layout->addWidget(Browser);
        auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Close, HelpForm);
        connect(Buttons, &QDialogButtonBox::rejected, HelpForm, &QDialog::close);
        Layout->addWidget(Buttons);
        HelpForm->resize(640, 560);
    }
    HelpForm->show();
    HelpForm->raise();
    HelpForm->activateWindow();
}
