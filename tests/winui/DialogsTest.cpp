// The window's own dialogs on their own, driven by the keyboard's messages: the page range
// dialog's fields and note, the serial port dialog's list; and the menus' Alt letters and the
// help's text as the window makes them.
#include "common/ResourseStrings.h"
#include "operations/UIObjects.h"
#include "tests/winui/WindowWorld.h"
#include "winui/HelpText.h"
#include "winui/Mnemonics.h"
#include "winui/PagesRangeDialog.h"
#include "winui/PortChoiceDialog.h"
#include "winui/QuestionDialog.h"
#include "winui/WinText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Type(HWND Edit, const std::wstring& Text) {
    for (const wchar_t Letter : Text) {
        SendMessageW(Edit, WM_CHAR, Letter, 0);
    }
}

// Posts Key to Control for the dialog's modal run to take.
void PressLater(HWND Control, WPARAM Key) {
    PostMessageW(Control, WM_KEYDOWN, Key, 0);
}

TPortChoice Choice(const std::string& Path, TPortState State, bool InUse = false) {
    TPortChoice Port;
    Port.Port.Path = Path;
    Port.Port.ComName = Path;
    Port.State = State;
    Port.InUse = InUse;
    return Port;
}

} // namespace

TEST(WinPagesRangeDialog, FieldsTakeDigitsAndTheNoteJudgesTheRange) {
    const TWindowsUi Ui;
    TPagesRangeDialog Dialog(nullptr, "Диапазон", 0, 4095);
    EXPECT_EQ(Dialog.Title(), "Диапазон");
    EXPECT_EQ(WindowTextOf(Dialog.NoteLabel()), SRangeIsNotSet);
    EXPECT_FALSE(IsWindowEnabled(Dialog.OkButton()));

    Type(Dialog.StartIndexEdit(), L"1x0");
    EXPECT_EQ(WindowTextOf(Dialog.StartIndexEdit()), "10");
    Type(Dialog.EndIndexEdit(), L"5");
    EXPECT_EQ(WindowTextOf(Dialog.NoteLabel()), SStartIndexAboveEnd);
    EXPECT_EQ(Dialog.NoteColor(), TPagesRangeDialog::ComplaintColor);
    EXPECT_FALSE(IsWindowEnabled(Dialog.OkButton()));

    Type(Dialog.EndIndexEdit(), L"0");
    EXPECT_EQ(WindowTextOf(Dialog.NoteLabel()),
              FormatText(SRangePagesCount, 41, GetPagesWord(41).c_str()));
    EXPECT_EQ(Dialog.NoteColor(), TPagesRangeDialog::AcceptedColor);
    EXPECT_TRUE(IsWindowEnabled(Dialog.OkButton()));

    // A letter is refused with a note of its own; the range stays as it was.
    Type(Dialog.EndIndexEdit(), L"z");
    EXPECT_EQ(WindowTextOf(Dialog.NoteLabel()), SInvalidCharacters);
    EXPECT_EQ(WindowTextOf(Dialog.EndIndexEdit()), "50");

    SetWindowTextTo(Dialog.EndIndexEdit(), "5000");
    EXPECT_EQ(WindowTextOf(Dialog.NoteLabel()), FormatText(SEndIndexAboveMax, 4095));

    // Enter is OK, and OK takes an acceptable range only.
    SetWindowTextTo(Dialog.EndIndexEdit(), "12");
    PressLater(Dialog.EndIndexEdit(), VK_RETURN);
    EXPECT_EQ(Dialog.RunModal(), IDOK);
    ASSERT_TRUE(Dialog.ChosenRange());
    EXPECT_EQ(Dialog.ChosenRange()->First, 10);
    EXPECT_EQ(Dialog.ChosenRange()->Last, 12);
}

TEST(WinPagesRangeDialog, EscapeCancels) {
    const TWindowsUi Ui;
    TPagesRangeDialog Dialog(nullptr, "Диапазон", 3, 7);
    SetWindowTextTo(Dialog.StartIndexEdit(), "3");
    SetWindowTextTo(Dialog.EndIndexEdit(), "4");
    PressLater(Dialog.StartIndexEdit(), VK_ESCAPE);
    EXPECT_EQ(Dialog.RunModal(), IDCANCEL);
    EXPECT_FALSE(Dialog.ChosenRange());
}

TEST(WinPortChoiceDialog, ChoosingAPortPutsItsNameInTheField) {
    const TWindowsUi Ui;
    TPortChoiceDialog Dialog(nullptr, "COM1",
                             {Choice("COM3", TPortState::Free), Choice("COM4", TPortState::Busy),
                              Choice("COM1", TPortState::Free, true)});
    EXPECT_EQ(Dialog.Title(), SComPortInputCaption);
    EXPECT_EQ(WindowTextOf(Dialog.PromptLabel()), SComPortInputPrompt);
    EXPECT_EQ(Dialog.PortName(), "COM1");
    ASSERT_EQ(SendMessageW(Dialog.PortList(), LB_GETCOUNT, 0, 0), 3);
    wchar_t Entry[256] = {};
    SendMessageW(Dialog.PortList(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(Entry));
    EXPECT_EQ(Narrow(Entry), "COM4 — COM4, занят другой программой");

    SendMessageW(Dialog.PortList(), LB_SETCURSEL, 1, 0);
    SendMessageW(Dialog.Handle(), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(Dialog.PortList()), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Dialog.PortList()));
    EXPECT_EQ(Dialog.PortName(), "COM4");
    // A name typed over it is the dialog's answer.
    SetWindowTextTo(Dialog.PortNameEdit(), "COM12");
    PressLater(Dialog.PortNameEdit(), VK_RETURN);
    EXPECT_EQ(Dialog.RunModal(), IDOK);
    EXPECT_EQ(Dialog.PortName(), "COM12");
}

TEST(WinPortChoiceDialog, WithoutPortsTheListIsHidden) {
    const TWindowsUi Ui;
    const TPortChoiceDialog Dialog(nullptr, "COM1", {});
    EXPECT_EQ(GetWindowLongPtrW(Dialog.PortList(), GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_EQ(GetWindowLongPtrW(Dialog.PortsLabel(), GWL_STYLE) & WS_VISIBLE, 0);
}

// The window's own question: Russian buttons and check box with Alt letters of their own, and
// the keys of a dialog. Each row: the keys given to the focused control, the answer, whether
// the box ends up checked.
TEST(WinQuestionDialog, RussianButtonsAnswerEnterEscAltLettersAndTheFocusedButton) {
    const TWindowsUi Ui;
    struct TCase {
        const char* Keys;
        std::vector<std::pair<UINT, WPARAM>> Given;
        bool FocusYesFirst;
        int Answer;
        bool Checked;
    };
    const std::vector<TCase> Cases = {
        {"Enter: the default", {{WM_KEYDOWN, VK_RETURN}}, false, IDNO, false},
        {"Esc", {{WM_KEYDOWN, VK_ESCAPE}}, false, IDCANCEL, false},
        {"Alt+Д", {{WM_SYSCHAR, L'д'}}, false, IDYES, false},
        {"Alt+Б, then Alt+Н", {{WM_SYSCHAR, L'Б'}, {WM_SYSCHAR, L'н'}}, false, IDNO, true},
        {"Enter on the focused Yes", {{WM_KEYDOWN, VK_RETURN}}, true, IDYES, false},
    };
    for (const TCase& Case : Cases) {
        TQuestionDialog Dialog(nullptr, "Стереть?", TQuestionDialog::TSign::Warning,
                               {{IDYES, "Да"}, {IDNO, "Нет"}}, IDNO, "Больше не спрашивать");
        EXPECT_EQ(Dialog.Title(), SConfirmationCaption);
        EXPECT_EQ(WindowTextOf(Dialog.QuestionLabel()), "Стереть?");
        EXPECT_EQ(WindowTextOf(Dialog.Button(IDYES)), "&Да");
        EXPECT_EQ(WindowTextOf(Dialog.Button(IDNO)), "&Нет");
        EXPECT_EQ(WindowTextOf(Dialog.CheckBox()), "&Больше не спрашивать");
        bool Given = false;
        const TTicker Keys(20, [&] {
            if (Given || !IsWindowVisible(Dialog.Handle())) {
                return;
            }
            Given = true;
            if (Case.FocusYesFirst) {
                SetFocus(Dialog.Button(IDYES));
            }
            for (const auto& [Message, Code] : Case.Given) {
                PostMessageW(GetFocus(), Message, Code, 0);
            }
        });
        EXPECT_EQ(Dialog.RunModal(), Case.Answer) << Case.Keys;
        EXPECT_EQ(Dialog.IsChecked(), Case.Checked) << Case.Keys;
    }
}

TEST(WinMnemonics, EveryCaptionGetsALetterNoOtherHas) {
    EXPECT_EQ(WithMnemonics({L"Файл", L"Фото", L"Ф", L"A & B"}),
              (std::vector<std::wstring>{L"&Файл", L"Ф&ото", L"Ф", L"&A && B"}));
    // Word starts before other letters.
    EXPECT_EQ(WithMnemonics({L"Стереть", L"Сравнить образ"}),
              (std::vector<std::wstring>{L"&Стереть", L"Сравнить &образ"}));
}

TEST(WinHelpText, MarkdownBecomesHeadingsParagraphsItemsAndRows) {
    const std::vector<THelpBlock> Blocks = HelpBlocks("# Title\r\n"
                                                      "\n"
                                                      "A paragraph\n"
                                                      "wrapped with **bold** words.\n"
                                                      "- **Item** one\n"
                                                      "  goes on\n"
                                                      "- Item two\n"
                                                      "\n"
                                                      "| Key | Value |\n"
                                                      "|---|---|\n"
                                                      "| A | 1 |\n");
    ASSERT_EQ(Blocks.size(), 6U);
    EXPECT_EQ(Blocks[0].Kind, THelpBlock::Heading);
    EXPECT_EQ(Blocks[0].Level, 1);
    EXPECT_EQ(Blocks[0].Spans[0].Text, "Title");
    EXPECT_EQ(Blocks[1].Kind, THelpBlock::Paragraph);
    ASSERT_EQ(Blocks[1].Spans.size(), 3U);
    EXPECT_EQ(Blocks[1].Spans[0].Text, "A paragraph wrapped with ");
    EXPECT_TRUE(Blocks[1].Spans[1].Bold);
    EXPECT_EQ(Blocks[1].Spans[1].Text, "bold");
    EXPECT_FALSE(Blocks[1].Spans[2].Bold);
    EXPECT_EQ(Blocks[2].Kind, THelpBlock::ListItem);
    EXPECT_EQ(Blocks[2].Spans[0].Text, "Item");
    EXPECT_EQ(Blocks[2].Spans[1].Text, " one goes on");
    EXPECT_EQ(Blocks[3].Spans[0].Text, "Item two");
    EXPECT_EQ(Blocks[4].Kind, THelpBlock::TableRow);
    EXPECT_EQ(Blocks[4].Spans[0].Text, "Key\tValue");
    EXPECT_TRUE(Blocks[4].Spans[0].Bold);
    EXPECT_EQ(Blocks[5].Spans[0].Text, "A\t1");
    EXPECT_FALSE(Blocks[5].Spans[0].Bold);
}

TEST(WinHelpText, SectionsAreReplacedWithTheSectionsInsideThemAndTheRestStays) {
    const std::string Help = "# Help\n"
                             "Intro\n"
                             "## Port\n"
                             "Linux port\n"
                             "### Groups\n"
                             "dialout\n"
                             "## Files\n"
                             "~/.local/share\n"
                             "## Start\n"
                             "velmora\n";
    EXPECT_EQ(WithSectionsReplaced(Help, "A note for the writers.\n"
                                         "## Files\n"
                                         "%APPDATA%\\Velmora\n"
                                         "## Port\n"
                                         "COM ports\n"
                                         "## Other\n"
                                         "added\n"),
              "# Help\n"
              "Intro\n"
              "## Port\n"
              "COM ports\n"
              "## Files\n"
              "%APPDATA%\\Velmora\n"
              "## Start\n"
              "velmora\n"
              "\n"
              "\n"
              "## Other\n"
              "added\n"
              "\n");
    // A section inside another is replaced alone.
    EXPECT_EQ(WithSectionsReplaced(Help, "### Groups\nnone\n"),
              "# Help\nIntro\n## Port\nLinux port\n### Groups\nnone\n\n## Files\n"
              "~/.local/share\n## Start\nvelmora\n\n");
}
