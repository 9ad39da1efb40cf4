// The Windows API main window against the simulated programmer, in this process: commands given
// through the window's own WM_COMMAND, what it shows read back from its menus, tool bar
// buttons, labels, panes and title, its dialogs answered through its hooks.
#include "common/ResourseStrings.h"
#include "operations/ChipPageStates.h"
#include "operations/HeadManager.h"
#include "operations/MainWindowModel.h"
#include "operations/Settings.h"
#include "tests/support/Wait.h"
#include "tests/winui/WindowWorld.h"
#include "winui/AboutDialog.h"
#include "winui/ChipMapView.h"
#include "winui/CommandIds.h"
#include "winui/DumpView.h"
#include "winui/HelpWindow.h"
#include "winui/ImageGroup.h"
#include "winui/MainMenu.h"
#include "winui/OpenQuestion.h"
#include "winui/PagesRangeDialog.h"
#include "winui/PortChoiceDialog.h"
#include "winui/StatusBar.h"
#include "winui/ToolBar.h"
#include "winui/WinText.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using TCommand = TWindowCommand;

const TActionFlags Everything{};
const TActionFlags EmptyImage{false, true, false, false, true, true, true};

// Presses a button as a click does: its parent hears BN_CLICKED, if the button is enabled.
void Click(HWND Button) {
    if (IsWindowEnabled(Button)) {
        SendMessageW(GetParent(Button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(Button));
    }
}

// A menu's item captions without their Alt marker and key, "-" for a separator.
std::vector<std::string> ItemsOf(HMENU Menu) {
    std::vector<std::string> Items;
    for (int Position = 0; Position < GetMenuItemCount(Menu); ++Position) {
        wchar_t Text[256] = {};
        GetMenuStringW(Menu, static_cast<UINT>(Position), Text, 256, MF_BYPOSITION);
        std::wstring Caption = Text;
        Caption = Caption.substr(0, Caption.find(L'\t'));
        Caption.erase(std::remove(Caption.begin(), Caption.end(), L'&'), Caption.end());
        Items.push_back(Caption.empty() ? "-" : Narrow(Caption));
    }
    return Items;
}

// Each item's Alt letter, upper case; none when an item has none.
std::vector<wchar_t> AltLettersOf(HMENU Menu) {
    std::vector<wchar_t> Letters;
    for (int Position = 0; Position < GetMenuItemCount(Menu); ++Position) {
        wchar_t Text[256] = {};
        if (GetMenuStringW(Menu, static_cast<UINT>(Position), Text, 256, MF_BYPOSITION) == 0) {
            continue;
        }
        const wchar_t* Marker = wcschr(Text, L'&');
        Letters.push_back(Marker != nullptr ? static_cast<wchar_t>(towupper(Marker[1])) : 0);
    }
    return Letters;
}

std::string ButtonText(const TWindowWorld& World, TCommand Command) {
    wchar_t Text[128] = {};
    SendMessageW(World.Window->ToolBar().Handle(), TB_GETBUTTONTEXTW, CommandId(Command),
                 reinterpret_cast<LPARAM>(Text));
    return Narrow(Text);
}

std::string TabText(HWND Tabs, int Index) {
    wchar_t Text[128] = {};
    TCITEMW Item{};
    Item.mask = TCIF_TEXT;
    Item.pszText = Text;
    Item.cchTextMax = 128;
    SendMessageW(Tabs, TCM_GETITEMW, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Item));
    return Narrow(Text);
}

// Tells the window what Windows tells it when a serial port arrives or leaves.
void SendPortNotice(const TWindowWorld& World, WPARAM Event, const std::wstring& Name) {
    std::vector<BYTE> Notice(sizeof(DEV_BROADCAST_PORT_W) + Name.size() * sizeof(wchar_t));
    auto* Port = reinterpret_cast<DEV_BROADCAST_PORT_W*>(Notice.data());
    Port->dbcp_size = static_cast<DWORD>(Notice.size());
    Port->dbcp_devicetype = DBT_DEVTYP_PORT;
    std::copy(Name.begin(), Name.end(), Port->dbcp_name);
    SendMessageW(World.Window->Handle(), WM_DEVICECHANGE, Event,
                 reinterpret_cast<LPARAM>(Notice.data()));
}

// The window's question dialog shown at present.
HWND ShownQuestion() {
    HWND Found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND Window, LPARAM Result) {
            wchar_t Class[32] = {};
            GetClassNameW(Window, Class, 32);
            if (std::wstring(Class) == L"VelmoraDialog" && IsWindowVisible(Window)) {
                *reinterpret_cast<HWND*>(Result) = Window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&Found));
    return Found;
}

// A caption without its Alt marker.
std::string Unmarked(const std::string& Caption) {
    std::string Text = Caption;
    Text.erase(std::remove(Text.begin(), Text.end(), '&'), Text.end());
    return Text;
}

// A key as the keyboard gives it to the focused control: pressed (WM_KEYDOWN) or, with Alt,
// its letter (WM_SYSCHAR).
struct TKey {
    UINT Message;
    WPARAM Code;
};
constexpr TKey EnterKey{WM_KEYDOWN, VK_RETURN};
constexpr TKey EscapeKey{WM_KEYDOWN, VK_ESCAPE};
constexpr TKey Alt(wchar_t Letter) {
    return {WM_SYSCHAR, Letter};
}

// Answers the question shown next with Keys, once it is there; its title, its buttons' and
// check box's captions (without their Alt markers) are kept.
class TQuestionAnswer {
public:
    explicit TQuestionAnswer(std::vector<TKey> Keys)
        : Ticker(20, [this, Keys] {
              const HWND Box = ShownQuestion();
              if (Box == nullptr || !Title.empty()) {
                  return;
              }
              Title = WindowTextOf(Box);
              for (HWND Child = GetWindow(Box, GW_CHILD); Child != nullptr;
                   Child = GetWindow(Child, GW_HWNDNEXT)) {
                  wchar_t Class[32] = {};
                  GetClassNameW(Child, Class, 32);
                  if (std::wstring(Class) == WC_BUTTONW) {
                      Captions.push_back(Unmarked(WindowTextOf(Child)));
                  }
              }
              for (const TKey& Key : Keys) {
                  PostMessageW(GetFocus(), Key.Message, Key.Code, 0);
              }
          }) {}

    std::string Title;
    std::vector<std::string> Captions;

private:
    TTicker Ticker;
};

// The first and the last column of Bounds (in Window's client area) that hold ink: pixels far
// darker than the background at Bounds' top left corner. -1 for both when there are none.
std::pair<int, int> InkColumns(HWND Window, const RECT& Bounds) {
    const int Columns = Bounds.right - Bounds.left;
    const int Rows = Bounds.bottom - Bounds.top;
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = Columns;
    Info.bmiHeader.biHeight = -Rows;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    const TBitmapOwner Bitmap(CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0));
    {
        const TMemoryContext Copy(nullptr);
        const TSelection Selected(Copy.Get(), Bitmap.Get());
        const TWindowContext Source(Window);
        BitBlt(Copy.Get(), 0, 0, Columns, Rows, Source.Get(), Bounds.left, Bounds.top, SRCCOPY);
    }
    const auto* Pixels = static_cast<const std::uint32_t*>(Bits);
    const auto Lightness = [](std::uint32_t Pixel) {
        return static_cast<int>(((Pixel >> 16) & 0xFF) + ((Pixel >> 8) & 0xFF) + (Pixel & 0xFF));
    };
    const int Background = Lightness(Pixels[0]);
    std::pair<int, int> Ink{-1, -1};
    for (int Row = 0; Row < Rows; ++Row) {
        for (int Column = 0; Column < Columns; ++Column) {
            if (Background - Lightness(Pixels[Row * Columns + Column]) > 3 * 96) {
                Ink.first = Ink.first < 0 ? Column : std::min(Ink.first, Column);
                Ink.second = std::max(Ink.second, Column);
            }
        }
    }
    return Ink;
}

// How wide Caption's ink is, written alone in Font on white.
int InkWidth(const std::wstring& Caption, HFONT Font) {
    const RECT Bounds{0, 0, 1000, 60};
    const TWindowContext Screen(nullptr);
    const TMemoryContext Context(Screen.Get());
    const TBitmapOwner Bitmap(CreateCompatibleBitmap(Screen.Get(), 1000, 60));
    const TSelection Picture(Context.Get(), Bitmap.Get());
    const TSelection Face(Context.Get(), Font);
    FillRect(Context.Get(), &Bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT Text{10, 10, 990, 50};
    SetTextColor(Context.Get(), RGB(0, 0, 0));
    SetBkMode(Context.Get(), TRANSPARENT);
    DrawTextW(Context.Get(), Caption.c_str(), static_cast<int>(Caption.size()), &Text,
              DT_SINGLELINE | DT_LEFT | DT_TOP);
    // Measured from the copy of a window's pixels, as the menu's are.
    const HWND Window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1000, 60, nullptr,
                                        nullptr, nullptr, nullptr);
    const TWindowOwner Owner(Window);
    ShowWindow(Window, SW_SHOWNOACTIVATE);
    {
        const TWindowContext Target(Window);
        BitBlt(Target.Get(), 0, 0, 1000, 60, Context.Get(), 0, 0, SRCCOPY);
    }
    const std::pair<int, int> Ink = InkColumns(Window, Bounds);
    return Ink.second - Ink.first;
}

std::vector<int> ImagePages(const TWindowWorld& World) {
    return World.Session->Head().ImagePageNumbers();
}

} // namespace

// ---- What the window is made of ----

TEST(WinMainWindowElements, MenusButtonsPagesAndPanelsAreTheQtWindows) {
    TWindowWorld World;
    const TMainWindow& Window = *World.Window;
    EXPECT_EQ(World.Title(), "Программатор Velmora ");

    const HMENU Bar = Window.MenuBar();
    EXPECT_EQ(ItemsOf(Bar),
              (std::vector<std::string>{"Файл", "Правка", "Настройки", "Команды", "Помощь"}));
    EXPECT_EQ(ItemsOf(GetSubMenu(Bar, TMainMenu::FileMenu)),
              (std::vector<std::string>{"Новый образ", "-", "Загрузить образ из файла", "-",
                                        "Сохранить образ как...", "-", "Выход"}));
    EXPECT_EQ(
        ItemsOf(GetSubMenu(Bar, TMainMenu::CommandsMenu)),
        (std::vector<std::string>{"Записать образ в контроллер", "Прочесть образ из контроллера",
                                  "Стереть контроллер", "Сравнить образ с образом в контроллере",
                                  "Проверить все страницы", "-", "Записать указаные страницы...",
                                  "Прочесть указаные страницы...", "Стереть указаные страницы...",
                                  "Сравнить указаные страницы...", "-", "Остановить", "-",
                                  "Инициализировать программатор"}));
    // Every item of a menu, and every menu of the bar, has an Alt letter of its own.
    for (const HMENU Menu :
         {Bar, GetSubMenu(Bar, TMainMenu::FileMenu), GetSubMenu(Bar, TMainMenu::CommandsMenu),
          GetSubMenu(Bar, TMainMenu::HelpMenu)}) {
        const std::vector<wchar_t> Letters = AltLettersOf(Menu);
        EXPECT_EQ(std::set<wchar_t>(Letters.begin(), Letters.end()).size(), Letters.size());
        EXPECT_EQ(std::count(Letters.begin(), Letters.end(), 0), 0);
    }
    // The keys are named beside their items.
    wchar_t Write[256] = {};
    GetMenuStringW(Bar, CommandId(TCommand::WritePages), Write, 256, MF_BYCOMMAND);
    EXPECT_NE(std::wstring(Write).find(L"\tShift+F5"), std::wstring::npos);

    EXPECT_EQ(ButtonText(World, TCommand::WriteImage), "Записать");
    EXPECT_EQ(ButtonText(World, TCommand::ReadImage), "Прочесть");
    EXPECT_EQ(ButtonText(World, TCommand::EraseChip), "Стереть");
    EXPECT_EQ(ButtonText(World, TCommand::CompareImage), "Сравнить");
    EXPECT_EQ(ButtonText(World, TCommand::SaveImage), "Сохранить");
    EXPECT_EQ(ItemsOf(Window.ToolBar().DropDownMenu(TCommand::WriteImage)),
              (std::vector<std::string>{"Записать полностью", "Записать указаные страницы..."}));
    EXPECT_EQ(ItemsOf(Window.ToolBar().DropDownMenu(TCommand::CompareImage)),
              (std::vector<std::string>{"Сравнить полностью", "Сравнить указаные страницы...",
                                        "Проверить все страницы"}));
    EXPECT_EQ(ItemsOf(Window.ToolBar().DropDownMenu(TCommand::SaveImage)),
              std::vector<std::string>{});

    EXPECT_EQ(WindowTextOf(Window.ImageGroup().GroupBox()), "Образ:");
    EXPECT_EQ(TabText(Window.Tabs(), 0), "Информация");
    EXPECT_EQ(TabText(Window.Tabs(), 1), "Просмотр образа");
    EXPECT_EQ(TabText(Window.Tabs(), 2), "Карта микросхемы");
    EXPECT_EQ(WindowTextOf(Window.ShowImageButton()), "Показать образ");

    int Edges[3] = {};
    ASSERT_EQ(
        SendMessageW(Window.StatusBar().Handle(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(Edges)),
        3);
    EXPECT_EQ(Edges[0], 40);
    EXPECT_EQ(Edges[1], 140);
    EXPECT_EQ(GetParent(Window.StatusBar().ProgressBar()), Window.StatusBar().Handle());
    // The pages have room for the chip map at four pixels a cell.
    RECT Map{};
    GetClientRect(Window.ChipMap().Handle(), &Map);
    EXPECT_GE(std::min(Map.right, Map.bottom), 256);
}

TEST(WinMainWindowElements, EmptyImageAtStart) {
    TWindowWorld World;
    const TImageGroup& Group = World.Window->ImageGroup();
    EXPECT_EQ(WindowTextOf(Group.StateLabel()), SEmptyImage);
    EXPECT_EQ(Group.Picture(), TStatePicture::Empty);
    // The file name field shows its hint in silver.
    EXPECT_EQ(WindowTextOf(Group.FileNameEdit()), SFileNameHint);
    EXPECT_EQ(World.Shown(), EmptyImage);
    EXPECT_TRUE(World.MenuEnabled(TMainMenu::EditMenu));
    EXPECT_FALSE(World.MenuItemEnabled(TCommand::Stop));
    EXPECT_FALSE(World.AnyButtonChecked());
}

// ---- The sample against the programmer ----

TEST(WinMainWindowOperations, SampleIsLoadedWrittenComparedReadAndErased) {
    TWindowWorld World;
    const TMainWindow& Window = *World.Window;
    World.Load(SampleImage());
    ASSERT_EQ(World.FileRequests.size(), 1U);
    EXPECT_FALSE(World.FileRequests[0].Save);
    EXPECT_EQ(World.FileRequests[0].Filters.front().second, "*.ldr");
    EXPECT_EQ(WindowTextOf(Window.ImageGroup().StateLabel()), "Образ «small.ldr».");
    EXPECT_EQ(WindowTextOf(Window.ImageGroup().PageCountLabel()), "В образе 3 страницы.");
    EXPECT_EQ(Window.ImageGroup().Picture(), TStatePicture::Loaded);
    EXPECT_EQ(Window.ImageGroup().FullPath(), SampleImage());
    EXPECT_EQ(World.Shown(), Everything);
    const std::vector<int> Pages = ImagePages(World);
    ASSERT_EQ(Pages.size(), 3U);
    EXPECT_EQ(Window.ChipMap().States().CountPages(TChipPageState::InImage), 3);

    World.Give(TCommand::WriteImage);
    EXPECT_TRUE(World.HasLine(SWriteSucceeded, clGreen));
    EXPECT_EQ(Window.ChipMap().States().CountPages(TChipPageState::Written), 3);
    EXPECT_EQ(World.Shown(), Everything);
    EXPECT_FALSE(World.AnyButtonChecked());

    World.Give(TCommand::CompareImage);
    EXPECT_TRUE(World.HasLine(SImageMatches, clGreen));

    // A page changed on the chip behind the window's back.
    World.Board.SetPage(static_cast<std::uint16_t>(Pages[1]), TByteArray(528, 0x5A));
    World.Give(TCommand::CompareImage);
    EXPECT_TRUE(World.HasLine(SImageDiffers, clRed));
    EXPECT_EQ(Window.ChipMap().States().GetPageState(Pages[1]), TChipPageState::Different);

    World.Give(TCommand::ReadImage);
    EXPECT_TRUE(World.HasLine(SReadSucceeded, clGreen));
    EXPECT_EQ(WindowTextOf(Window.ImageGroup().StateLabel()), "Образ «ReadImage.ldr».");
    EXPECT_TRUE(World.Questions.empty());

    World.Give(TCommand::EraseChip);
    EXPECT_EQ(World.Questions, std::vector<std::string>{SConfirmEraseChip});
    EXPECT_TRUE(World.HasLine(SDeleteSucceeded, clGreen));
    EXPECT_EQ(World.Board.GetPage(static_cast<std::uint16_t>(Pages[0])), TByteArray(528, 0xFF));
    EXPECT_EQ(Window.ChipMap().States().CountPages(TChipPageState::Erased),
              TChipPageStates::PageCount);
    EXPECT_EQ(World.Shown(), Everything);
}

TEST(WinMainWindowOperations, ProgressShowsInTitleAndStatusBarWhileOnlyTheStopIsOn) {
    TWindowWorld World;
    std::vector<std::string> Titles;
    std::vector<std::string> Percents;
    int HeldSamples = 0;
    int Samples = 0;
    const TTicker Sampler(20, [&] {
        if (!World.Window->GetModel().GetRunningCommand()) {
            return;
        }
        ++Samples;
        Titles.push_back(World.Title());
        Percents.push_back(World.Window->StatusBar().PanelText(0));
        // The read's own button is down as its stop; what could conflict with it is off.
        const bool Held =
            World.ButtonChecked(TCommand::ReadImage) && World.ButtonEnabled(TCommand::ReadImage) &&
            World.MenuItemChecked(TCommand::ReadImage) && World.MenuItemEnabled(TCommand::Stop) &&
            World.MenuItemEnabled(TCommand::ClearInfo) &&
            !World.MenuItemEnabled(TCommand::WriteImage) &&
            !World.ButtonEnabled(TCommand::EraseChip) &&
            !World.MenuItemEnabled(TCommand::LoadImage) &&
            !IsWindowEnabled(World.Window->ImageGroup().OpenFileButton());
        HeldSamples += Held ? 1 : 0;
    });
    World.Give(TCommand::ReadImage);
    ASSERT_GT(Samples, 0);
    EXPECT_EQ(HeldSamples, Samples);
    const auto Percentage = [](const std::string& Text) {
        return Text.find('%') != std::string::npos;
    };
    EXPECT_TRUE(std::any_of(Titles.begin(), Titles.end(), [&](const std::string& Title) {
        return Percentage(Title) && Title.find("Velmora") != std::string::npos;
    }));
    EXPECT_TRUE(std::any_of(Percents.begin(), Percents.end(), Percentage));

    // Idle again: the window's caption, empty panels, the bar at its start.
    EXPECT_EQ(World.Title(), "Программатор Velmora ");
    EXPECT_EQ(World.Window->StatusBar().PanelText(0), "");
    EXPECT_EQ(SendMessageW(World.Window->StatusBar().ProgressBar(), PBM_GETPOS, 0, 0), 0);
    EXPECT_FALSE(World.MenuItemEnabled(TCommand::Stop));
    EXPECT_FALSE(World.AnyButtonChecked());
}

TEST(WinMainWindowOperations, SecondPressOfTheButtonStopsAFullRead) {
    TWindowWorld World;
    bool Pressed = false;
    const TTicker Press(50, [&] {
        if (!Pressed && World.Window->GetModel().GetRunningCommand()) {
            Pressed = true;
            World.Give(TCommand::ReadImage);
        }
    });
    World.Give(TCommand::ReadImage);
    ASSERT_TRUE(Pressed);
    EXPECT_TRUE(World.HasLine(SReadStopped, clRed));
    EXPECT_FALSE(World.Window->GetModel().GetRunningCommand());
    EXPECT_FALSE(World.AnyButtonChecked());
    EXPECT_TRUE(World.ButtonEnabled(TCommand::ReadImage));
}

TEST(WinMainWindowOperations, RangeWriteAsksForItsRangeAndWritesOnlyThosePages) {
    TWindowWorld World;
    World.Load(SampleImage());
    const std::vector<int> Pages = ImagePages(World);
    std::string Title;
    std::string Note;
    World.RangeAnswer = [&](TPagesRangeDialog& Dialog) {
        Title = Dialog.Title();
        SetWindowTextTo(Dialog.StartIndexEdit(), std::to_string(Pages[0]));
        SetWindowTextTo(Dialog.EndIndexEdit(), std::to_string(Pages[1]));
        Note = WindowTextOf(Dialog.NoteLabel());
        Click(Dialog.OkButton());
        return Dialog.Result();
    };
    World.Give(TCommand::WritePages);
    EXPECT_EQ(Title, TMainWindowModel::RangeDialogTitle(TCommand::WritePages));
    EXPECT_EQ(Note, "2 страницы.");
    const TChipPageStates& States = World.Window->ChipMap().States();
    EXPECT_EQ(States.GetPageState(Pages[0]), TChipPageState::Written);
    EXPECT_EQ(States.GetPageState(Pages[1]), TChipPageState::Written);
    EXPECT_EQ(States.GetPageState(Pages[2]), TChipPageState::InImage);

    // Cancelled, the range command runs nothing; the numbers typed last are offered again.
    std::pair<std::string, std::string> Offered;
    World.RangeAnswer = [&Offered](TPagesRangeDialog& Dialog) {
        Offered = Dialog.Texts();
        Click(Dialog.CancelButton());
        return Dialog.Result();
    };
    World.Give(TCommand::WritePages);
    EXPECT_EQ(States.GetPageState(Pages[2]), TChipPageState::InImage);
    EXPECT_EQ(Offered, std::make_pair(std::to_string(Pages[0]), std::to_string(Pages[1])));
}

// ---- Questions and the close ----

TEST(WinMainWindowQuestions, UnsavedReadIsNotReplacedWithoutAQuestion) {
    TWindowWorld World;
    World.RangeAnswer = [](TPagesRangeDialog& Dialog) {
        SetWindowTextTo(Dialog.StartIndexEdit(), "0");
        SetWindowTextTo(Dialog.EndIndexEdit(), "1");
        Click(Dialog.OkButton());
        return Dialog.Result();
    };
    World.Give(TCommand::ReadPages);
    const HWND State = World.Window->ImageGroup().StateLabel();
    ASSERT_EQ(WindowTextOf(State), "Образ «ReadImage.ldr».");

    World.UnsavedReadAnswer = TUnsavedReadAnswer::Cancel;
    World.Give(TCommand::NewImage);
    EXPECT_EQ(World.Questions, std::vector<std::string>{SUnsavedReadQuestion});
    EXPECT_EQ(WindowTextOf(State), "Образ «ReadImage.ldr».");

    World.UnsavedReadAnswer = TUnsavedReadAnswer::DontSave;
    World.Give(TCommand::NewImage);
    EXPECT_EQ(World.Questions.size(), 2U);
    EXPECT_EQ(WindowTextOf(State), SEmptyImage);
}

TEST(WinMainWindowQuestions, WholeChipEraseAsksUnlessToldNotTo) {
    TWindowWorld World;
    World.Board.SetPage(7, TByteArray(528, 0));
    World.EraseAnswer = {false, false};
    World.Give(TCommand::EraseChip);
    EXPECT_EQ(World.Questions.size(), 1U);
    EXPECT_EQ(World.Board.GetPage(7), TByteArray(528, 0));

    World.EraseAnswer = {true, true};
    World.Give(TCommand::EraseChip);
    EXPECT_EQ(World.Questions.size(), 2U);
    EXPECT_EQ(World.Board.GetPage(7), TByteArray(528, 0xFF));
    EXPECT_FALSE(LoadAskBeforeChipErase(World.Folder.File("Settings.ini")));

    World.Give(TCommand::EraseChip);
    EXPECT_EQ(World.Questions.size(), 2U);
    EXPECT_TRUE(World.HasLine(SDeleteSucceeded, clGreen));
}

TEST(WinMainWindowQuestions, ClosingDuringAReadStopsItAndClosesAtItsEnd) {
    TWindowWorld World;
    bool Closed = false;
    const TTicker Close(50, [&] {
        if (!Closed && World.Window->GetModel().GetRunningCommand()) {
            Closed = true;
            PostMessageW(World.Window->Handle(), WM_CLOSE, 0, 0);
        }
    });
    World.Give(TCommand::ReadImage);
    ASSERT_TRUE(Closed);
    ASSERT_FALSE(World.Questions.empty());
    EXPECT_EQ(World.Questions.front(), SConfirmCloseDuringOperation);
    EXPECT_TRUE(World.HasLine(SReadStopped, clRed));
    EXPECT_TRUE(World.PumpUntil([&] { return !World.Window->IsOpen(); }));
}

TEST(WinMainWindowQuestions, ReadGoesOnWhileTheCloseQuestionWaits) {
    TWindowWorld World;
    World.Window->ConfirmCloseDuringOperation = World.DefaultCloseQuestion;
    const THeadManager& Head = World.Session->Head();
    // Pages the read must get through while the question is open.
    constexpr int PagesWhileOpen = 20;
    using TClock = std::chrono::steady_clock;
    TClock::time_point Asked;
    int PageAtTheQuestion = -1;
    int PagesDone = 0;
    bool Answered = false;
    std::string Shown;
    // Closes the window once the read runs; answers Yes once the read has gone on far enough
    // (or, should it stand still behind the question, after a minute, so that the test ends).
    const TTicker Watch(10, [&] {
        if (PageAtTheQuestion < 0) {
            if (World.Window->GetModel().GetRunningCommand()) {
                PageAtTheQuestion = Head.GetCurrentPage();
                Asked = TClock::now();
                PostMessageW(World.Window->Handle(), WM_CLOSE, 0, 0);
            }
            return;
        }
        const TOpenQuestion* Question = World.Window->OpenQuestion();
        if (Answered || Question == nullptr || !Question->IsWaiting()) {
            return;
        }
        PagesDone = Head.GetCurrentPage() - PageAtTheQuestion;
        if (PagesDone >= PagesWhileOpen || TClock::now() - Asked > std::chrono::minutes(1)) {
            Answered = true;
            Shown = WindowTextOf(Question->QuestionLabel());
            EXPECT_EQ(GetFocus(), Question->NoButton());
            Click(Question->YesButton());
        }
    });
    World.Give(TCommand::ReadImage);

    ASSERT_TRUE(Answered);
    EXPECT_EQ(Shown, SConfirmCloseDuringOperation);
    EXPECT_GE(PagesDone, PagesWhileOpen);
    EXPECT_TRUE(World.HasLine(SReadStopped, clRed));
    EXPECT_TRUE(World.PumpUntil([&] { return !World.Window->IsOpen(); }));
}

TEST(WinMainWindowViews, ChipMapShowsOnlyTheCurrentImage) {
    TWindowWorld World;
    const TChipPageStates& States = World.Window->ChipMap().States();
    World.Give(TCommand::ReadImage);
    EXPECT_EQ(States.CountPages(TChipPageState::Read), TChipPageStates::PageCount);
    World.RangeAnswer = [](TPagesRangeDialog& Dialog) {
        SetWindowTextTo(Dialog.StartIndexEdit(), "0");
        SetWindowTextTo(Dialog.EndIndexEdit(), "10");
        Click(Dialog.OkButton());
        return Dialog.Result();
    };
    World.Give(TCommand::ReadPages);
    EXPECT_EQ(States.CountPages(TChipPageState::Read), 11);
    EXPECT_EQ(States.CountPages(TChipPageState::NotInImage), TChipPageStates::PageCount - 11);
    World.Load(SampleImage());
    EXPECT_EQ(States.CountPages(TChipPageState::InImage), 3);
    EXPECT_EQ(States.CountPages(TChipPageState::NotInImage), TChipPageStates::PageCount - 3);
}

TEST(WinMainWindowQuestions, ExitClosesTheWindowAndSavingOverAFileAsksFirst) {
    TWindowWorld World;
    World.Load(SampleImage());
    const std::string Target = World.Folder.File("copy.ldr");
    World.ChosenFile = Target;
    World.Give(TCommand::SaveImage);
    EXPECT_TRUE(World.Questions.empty());
    EXPECT_TRUE(World.HasLine(FormatText(SImageSavedToFile, Target.c_str()), clGreen));
    World.Give(TCommand::SaveImage);
    EXPECT_EQ(World.Questions,
              std::vector<std::string>{FormatText(SFileExistsOverwrite, "copy.ldr")});

    World.Give(TCommand::Exit);
    EXPECT_TRUE(World.PumpUntil([&] { return !World.Window->IsOpen(); }));
}

// Whatever the system's language, the questions are the window's own, in Russian, and answered
// from the keyboard: Enter takes the default answer, Esc the negative one, Alt and a letter the
// button or check box of that letter.
TEST(WinMainWindowQuestions, OwnRussianQuestionsTakeEnterEscAndAltLetters) {
    TWindowWorld World(true);
    const TByteArray Written(528, 0);
    World.Board.SetPage(7, Written);
    const std::vector<std::string> YesNo{"Больше не спрашивать", "Да", "Нет"};
    for (const TKey Key : {EscapeKey, EnterKey}) {
        const TQuestionAnswer No({Key});
        World.Give(TCommand::EraseChip);
        EXPECT_EQ(No.Title, SConfirmationCaption);
        EXPECT_EQ(No.Captions, YesNo);
        EXPECT_EQ(World.Board.GetPage(7), Written);
    }
    {
        const TQuestionAnswer Yes({Alt(L'б'), Alt(L'д')});
        World.Give(TCommand::EraseChip);
    }
    EXPECT_EQ(World.Board.GetPage(7), TByteArray(528, 0xFF));
    EXPECT_FALSE(LoadAskBeforeChipErase(World.Folder.File("Settings.ini")));

    World.Load(SampleImage());
    const std::string Target = World.Folder.File("copy.ldr");
    WriteFileText(Target, "old");
    World.ChosenFile = Target;
    for (const TKey Key : {EscapeKey, EnterKey}) {
        const TQuestionAnswer No({Key});
        World.Give(TCommand::SaveImage);
        EXPECT_EQ(No.Captions, (std::vector<std::string>{"Да", "Нет"}));
        EXPECT_EQ(ReadFileText(Target), "old");
    }
    {
        const TQuestionAnswer Yes({Alt(L'Д')});
        World.Give(TCommand::SaveImage);
    }
    EXPECT_NE(ReadFileText(Target), "old");

    World.RangeAnswer = [](TPagesRangeDialog& Dialog) {
        SetWindowTextTo(Dialog.StartIndexEdit(), "0");
        SetWindowTextTo(Dialog.EndIndexEdit(), "0");
        Click(Dialog.OkButton());
        return Dialog.Result();
    };
    World.Give(TCommand::ReadPages);
    const HWND State = World.Window->ImageGroup().StateLabel();
    {
        // A new image over the unsaved read: Esc cancels it.
        const TQuestionAnswer Cancel({EscapeKey});
        World.Give(TCommand::NewImage);
        EXPECT_EQ(Cancel.Captions,
                  (std::vector<std::string>{"Сохранить", "Не сохранять", "Отмена"}));
    }
    EXPECT_EQ(WindowTextOf(State), "Образ «ReadImage.ldr».");
    {
        const TQuestionAnswer DontSave({Alt(L'н')});
        World.Give(TCommand::NewImage);
    }
    EXPECT_EQ(WindowTextOf(State), SEmptyImage);
}

// ---- The window answers while the programmer does not ----

TEST(WinMainWindowWaiting, SilentProgrammerNeitherFreezesTheWindowNorCostsTheImage) {
    TWindowWorld World;
    World.Load(SampleImage());
    World.Port->SetSilent(true);
    using TClock = std::chrono::steady_clock;
    const TClock::time_point Start = TClock::now();
    int Ticks = 0;
    const TTicker Ticker(10, [&] { ++Ticks; });
    bool StopTaken = false;
    bool Stopped = false;
    const TTicker Stop(100, [&] {
        if (!Stopped) {
            Stopped = true;
            World.Give(TCommand::Stop);
            StopTaken = !World.MenuItemEnabled(TCommand::Stop) &&
                        World.Window->GetModel().GetRunningCommand().has_value();
        }
    });
    World.Give(TCommand::ReadImage);
    const auto Elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - Start).count();

    EXPECT_TRUE(StopTaken);
    ASSERT_GE(Ticks, 2);
    // Messages were handled all through the wait: on average far more often than every 100 ms.
    EXPECT_LT(Elapsed / Ticks, 100);
    const std::vector<TInfoLine> Lines = World.Lines();
    ASSERT_FALSE(Lines.empty());
    EXPECT_EQ(Lines.back().Color, clRed);
    // The stop ended the wait at once.
    EXPECT_EQ(Lines.back().Text, SReadStopped);
    EXPECT_EQ(WindowTextOf(World.Window->ImageGroup().StateLabel()), "Образ «small.ldr».");
    EXPECT_EQ(World.Shown(), Everything);
}

// ---- The pages, help, about, the port and the keys ----

TEST(WinMainWindowViews, ShowImageFillsTheDumpAndAClickOnTheMapShowsItsPage) {
    TWindowWorld World;
    TMainWindow& Window = *World.Window;
    World.Load(SampleImage());
    EXPECT_TRUE(Window.DumpView().IsEmpty());
    Window.SelectPage(TMainWindow::ChipMapPage);
    const int Page = ImagePages(World)[2];
    const RECT Cell = Window.ChipMap().CellRect(Page);
    SendMessageW(Window.ChipMap().Handle(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM((Cell.left + Cell.right) / 2, (Cell.top + Cell.bottom) / 2));
    EXPECT_EQ(Window.SelectedPage(), TMainWindow::ImageViewPage);
    ASSERT_FALSE(Window.DumpView().IsEmpty());
    const auto Selected = static_cast<int>(SendMessageW(Window.DumpView().Handle(), LVM_GETNEXTITEM,
                                                        static_cast<WPARAM>(-1), LVNI_SELECTED));
    ASSERT_GE(Selected, 0);
    EXPECT_EQ(Window.DumpView().GetLines()[static_cast<std::size_t>(Selected)].rfind(':', 0), 0U);

    // A new image empties the dump; the button fills it again.
    World.Load(SampleImage());
    EXPECT_TRUE(Window.DumpView().IsEmpty());
    Click(Window.ShowImageButton());
    EXPECT_EQ(Window.DumpView().GetLines(), World.Window->GetModel().ImageDump());
    EXPECT_EQ(Window.ChipMap().HintAt(POINT{(Cell.left + Cell.right) / 2, Cell.top + 1}),
              FormatText(SChipMapCellHint, Page, SChipMapInImage));
}

TEST(WinMainWindowViews, TheImageDumpIsWrittenInAFixedPitchFace) {
    const TWindowWorld World;
    const HWND Dump = World.Window->DumpView().Handle();
    const auto Font = reinterpret_cast<HFONT>(SendMessageW(Dump, WM_GETFONT, 0, 0));
    EXPECT_EQ(TextExtent(Dump, Font, L"iiii").cx, TextExtent(Dump, Font, L"WWWW").cx);
    const TWindowContext Context(Dump);
    const TSelection Selected(Context.Get(), Font);
    TEXTMETRICW Metrics{};
    GetTextMetricsW(Context.Get(), &Metrics);
    // The flag, despite its name, marks a face of varying pitch.
    EXPECT_EQ(Metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
}

// Each item of a tool bar button's drop-down shows its whole caption ("...") as the menu bar's
// items do: the ink of the item is as wide as that of its caption written alone.
TEST(WinMainWindowViews, DropDownItemsShowTheirWholeCaptions) {
    TWindowWorld World;
    World.Load(SampleImage());
    NONCLIENTMETRICSW Metrics{};
    Metrics.cbSize = sizeof Metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof Metrics, &Metrics, 0);
    const TFontOwner MenuFont(CreateFontIndirectW(&Metrics.lfMenuFont));
    for (const TCommand Button :
         {TCommand::WriteImage, TCommand::ReadImage, TCommand::EraseChip, TCommand::CompareImage}) {
        const HMENU Menu = World.Window->ToolBar().DropDownMenu(Button);
        std::vector<std::pair<std::wstring, int>> Shown;
        const TTicker Look(50, [&] {
            const HWND Popup = FindWindowW(L"#32768", nullptr);
            if (Popup == nullptr || !IsWindowVisible(Popup) || !Shown.empty()) {
                return;
            }
            UpdateWindow(Popup);
            // The first item, the button's own command, is written in bold.
            for (int Position = 1; Position < GetMenuItemCount(Menu); ++Position) {
                wchar_t Text[256] = {};
                GetMenuStringW(Menu, static_cast<UINT>(Position), Text, 256, MF_BYPOSITION);
                RECT Item{};
                GetMenuItemRect(nullptr, Menu, static_cast<UINT>(Position), &Item);
                MapWindowPoints(HWND_DESKTOP, Popup, reinterpret_cast<POINT*>(&Item), 2);
                const std::pair<int, int> Ink = InkColumns(Popup, Item);
                Shown.emplace_back(Text, Ink.second - Ink.first);
            }
            EndMenu();
        });
        NMTOOLBARW Notice{};
        Notice.hdr.hwndFrom = World.Window->ToolBar().Handle();
        Notice.hdr.code = TBN_DROPDOWN;
        Notice.iItem = static_cast<int>(CommandId(Button));
        SendMessageW(World.Window->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&Notice));
        ASSERT_FALSE(Shown.empty());
        for (const auto& [Caption, Width] : Shown) {
            std::wstring Text = Caption;
            Text.erase(std::remove(Text.begin(), Text.end(), L'&'), Text.end());
            EXPECT_GE(Width, InkWidth(Text, MenuFont.Get()) - 2) << Narrow(Text);
        }
    }
}

TEST(WinMainWindowViews, AboutShowsTheVersionAndItsMailLinkAndHelpTheUsersHelp) {
    TWindowWorld World;
    std::string Version;
    std::string Opened;
    World.Window->AboutDialogRunner = [&](TAboutDialog& Dialog) {
        Version = WindowTextOf(Dialog.VersionLabel());
        Dialog.OpenLink = [&](const std::string& Link) {
            Opened = Link;
            return true;
        };
        SendMessageW(Dialog.Handle(), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(Dialog.MailLabel()), STN_CLICKED),
                     reinterpret_cast<LPARAM>(Dialog.MailLabel()));
        Click(Dialog.OkButton());
        return Dialog.Result();
    };
    World.Give(TCommand::About);
    EXPECT_EQ(Version.rfind("Версия ", 0), 0U);
    EXPECT_EQ(Opened.rfind("mailto:", 0), 0U);
    EXPECT_NE(Opened.find("?subject=%D0%"), std::string::npos);

    // F1 goes through the window's keys.
    PostMessageW(World.Window->Handle(), WM_KEYDOWN, VK_F1, 0);
    ASSERT_TRUE(World.PumpUntil([&] { return World.Window->HelpWindow() != nullptr; }));
    const THelpWindow& Help = *World.Window->HelpWindow();
    EXPECT_TRUE(IsWindowVisible(Help.Handle()));
    EXPECT_EQ(WindowTextOf(Help.Handle()), SHelpCaption);
    // The Markdown is shown as formatted text, without its markers.
    const std::string Text = WindowTextOf(Help.TextPane());
    EXPECT_EQ(Text.rfind("Программатор Velmora", 0), 0U);
    EXPECT_NE(Text.find("Записать образ в контроллер"), std::string::npos);
    EXPECT_EQ(Text.find("**"), std::string::npos);
}

TEST(WinMainWindowViews, EscapeInTheHelpClosesItWhileTheOperationGoesOn) {
    TWindowWorld World;
    World.Give(TCommand::Help);
    ASSERT_NE(World.Window->HelpWindow(), nullptr);
    const THelpWindow& Help = *World.Window->HelpWindow();
    ASSERT_TRUE(IsWindowVisible(Help.Handle()));
    bool Pressed = false;
    const TTicker Press(50, [&] {
        if (!Pressed && World.Window->GetModel().GetRunningCommand()) {
            Pressed = true;
            PostMessageW(Help.TextPane(), WM_KEYDOWN, VK_ESCAPE, 0);
        }
    });
    World.Give(TCommand::ReadImage);
    ASSERT_TRUE(Pressed);
    EXPECT_TRUE(World.PumpUntil([&] { return !IsWindowVisible(Help.Handle()); }));
    EXPECT_TRUE(World.HasLine(SReadSucceeded, clGreen));
    EXPECT_FALSE(World.HasLine(SReadStopped, clRed));
}

// Where Text first begins in a rich edit pane: its character position and its point there.
std::pair<LONG, POINTL> PlaceOf(HWND Pane, const std::wstring& Text) {
    FINDTEXTEXW Find{};
    Find.chrg = {0, -1};
    Find.lpstrText = Text.c_str();
    const auto Position = static_cast<LONG>(SendMessageW(
        Pane, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&Find)));
    POINTL Point{};
    SendMessageW(Pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&Point), Position);
    return {Position, Point};
}

LONG LineOf(HWND Pane, LONG Position) {
    return static_cast<LONG>(SendMessageW(Pane, EM_EXLINEFROMCHAR, 0, Position));
}

// The help is written for Windows, and its settings table stands in columns: the cells of a
// column begin at one place, no cell reaches into the next column, and a value too long for
// the pane goes on in its own column.
TEST(WinMainWindowViews, HelpIsWrittenForWindowsWithItsTableInColumns) {
    TWindowWorld World;
    World.Give(TCommand::Help);
    ASSERT_NE(World.Window->HelpWindow(), nullptr);
    const THelpWindow& Help = *World.Window->HelpWindow();
    const HWND Pane = Help.TextPane();
    const std::string Text = WindowTextOf(Pane);
    EXPECT_NE(Text.find("%APPDATA%\\Velmora"), std::string::npos);
    EXPECT_NE(Text.find("velmora.exe --simulate"), std::string::npos);
    for (const char* Linux : {"~/.local", "XDG_DATA_HOME", "dialout", "/dev/"}) {
        EXPECT_EQ(Text.find(Linux), std::string::npos) << Linux;
    }

    // Narrow enough for the longest value to wrap.
    SetWindowPos(Help.Handle(), nullptr, 0, 0, 520, 500, SWP_NOMOVE | SWP_NOZORDER);
    const std::vector<std::vector<std::wstring>> Rows = {
        {L"Раздел", L"Ключ", L"Значение"},
        {L"[COM Port]", L"COM Name", L"порт программатора, по умолчанию COM1"},
        {L"[Questions]", L"Ask Before Chip Erase", L"0 — не спрашивать перед"},
        {L"[Log]", L"Log Limit", L"предельный размер журнала: байты или с суффиксом"}};
    std::vector<LONG> Columns;
    for (const std::wstring& Cell : Rows[0]) {
        Columns.push_back(PlaceOf(Pane, Cell).second.x);
    }
    ASSERT_EQ(Columns.size(), 3U);
    EXPECT_LT(Columns[0], Columns[1]);
    EXPECT_LT(Columns[1], Columns[2]);
    for (const std::vector<std::wstring>& Row : Rows) {
        for (std::size_t Column = 0; Column < Row.size(); ++Column) {
            const auto [Position, Start] = PlaceOf(Pane, Row[Column]);
            ASSERT_GE(Position, 0) << Narrow(Row[Column]);
            EXPECT_EQ(Start.x, Columns[Column]) << Narrow(Row[Column]);
            if (Column + 1 < Row.size()) {
                POINTL End{};
                SendMessageW(Pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&End),
                             Position + static_cast<LONG>(Row[Column].size()));
                EXPECT_LT(End.x, Columns[Column + 1]) << Narrow(Row[Column]);
            }
        }
    }
    const auto [Value, ValueStart] = PlaceOf(Pane, Rows[3][2]);
    const LONG ValueEnd = PlaceOf(Pane, L"(по умолчанию 64M)").first;
    ASSERT_GT(LineOf(Pane, ValueEnd), LineOf(Pane, Value));
    const auto NextLine =
        static_cast<LONG>(SendMessageW(Pane, EM_LINEINDEX, LineOf(Pane, Value) + 1, 0));
    POINTL GoesOn{};
    SendMessageW(Pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&GoesOn), NextLine);
    EXPECT_EQ(GoesOn.x, Columns[2]);
    EXPECT_GT(GoesOn.y, ValueStart.y);
}

TEST(WinMainWindowViews, PortDialogOffersTheCurrentPortAndKeysReachThePort) {
    TWindowWorld World;
    std::string Offered;
    World.PortAnswer = [&](TPortChoiceDialog& Dialog) {
        Offered = Dialog.PortName();
        Click(Dialog.OkButton());
        return Dialog.Result();
    };
    World.Give(TCommand::ChoosePort);
    EXPECT_EQ(Offered, SSimulatedPortName);
    EXPECT_EQ(World.Session->Head().GetPortName(), SSimulatedPortName);

    // F9 initialises the programmer on it.
    PostMessageW(World.Window->Handle(), WM_KEYDOWN, VK_F9, 0);
    EXPECT_TRUE(World.PumpUntil([&] {
        const std::vector<TInfoLine> Lines = World.Lines();
        return std::any_of(Lines.begin(), Lines.end(),
                           [](const TInfoLine& Line) { return Line.Text == SInitializeSucceeded; });
    }));
}

// A run with --simulate, its board in the program: the port typed in the port dialog is the
// port used. One that is not there leaves no board answering, the simulator's name brings the
// simulated board back, and the Linux simulator reached as a COM port (given by
// tests/windows/with-simulator.sh, --id "board on the line") answers for itself.
TEST(WinSimulatedRun, PortTypedInTheDialogIsThePortUsed) {
    TWindowWorld World(StartSimulatedProgrammer());
    std::string Typed;
    World.PortAnswer = [&Typed](TPortChoiceDialog& Dialog) {
        SetWindowTextTo(Dialog.PortNameEdit(), Typed);
        Click(Dialog.OkButton());
        return Dialog.Result();
    };
    // What the programmer on Port calls itself; empty when none answers.
    const auto AnswerOn = [&](const std::string& Port) {
        Typed = Port;
        World.Give(TCommand::ChoosePort);
        EXPECT_EQ(World.Session->Head().GetPortName(), Port);
        World.Give(TCommand::ClearInfo);
        World.Give(TCommand::Initialize);
        for (const TInfoLine& Line : World.Lines()) {
            if (Line.Color == clBlue) {
                return Line.Text;
            }
        }
        return std::string();
    };
    const std::string Simulated = FormatText(SControllerName, "Velmora simulator 1.0");
    EXPECT_EQ(AnswerOn(SSimulatedPortName), Simulated);
    EXPECT_EQ(AnswerOn("COM199"), "");
    EXPECT_EQ(AnswerOn(SSimulatedPortName), Simulated);
    const char* Line = std::getenv("VELMORA_TEST_COM_PORT");
    if (Line != nullptr && Line[0] != '\0') {
        EXPECT_EQ(AnswerOn(Line), FormatText(SControllerName, "board on the line"));
        EXPECT_EQ(AnswerOn(SSimulatedPortName), Simulated);
    }
}

TEST(WinMainWindowViews, ArrivingPortIsTriedAndKeptAndItsRemovalFallsBackToCom1) {
    TWindowWorld World;
    // The virtual port opens under any name, and the simulated board answers on it.
    SendPortNotice(World, DBT_DEVICEARRIVAL, L"COM77");
    EXPECT_EQ(World.Session->Head().GetPortName(), "COM77");
    EXPECT_TRUE(World.HasLine(FormatText(SBurnerConnectedToPort, "COM77"), clBlue));

    SendPortNotice(World, DBT_DEVICEREMOVECOMPLETE, L"COM77");
    EXPECT_EQ(World.Session->Head().GetPortName(), "COM1");
    EXPECT_TRUE(World.HasLine(FormatText(SBurnerDisconnectedFromPort, "COM77"), clBlue));
}

// Moved to a monitor of a higher resolution, the window scaled up would be taller than the
// screen and start above it: it stays within the work area, its frame included.
TEST(WinMainWindowViews, AWindowScaledUpStaysWithinTheWorkArea) {
    TWindowWorld World;
    const HWND Window = World.Window->Handle();
    MONITORINFO Monitor{};
    Monitor.cbSize = sizeof Monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(Window, MONITOR_DEFAULTTONEAREST), &Monitor));
    const RECT Work = Monitor.rcWork;
    RECT Suggested{Work.left + 40, Work.top - 13, Work.left + 40 + 700, Work.bottom + 100};
    SendMessageW(Window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&Suggested));
    RECT Bounds{};
    GetWindowRect(Window, &Bounds);
    EXPECT_GE(Bounds.top, Work.top);
    EXPECT_LE(Bounds.bottom, Work.bottom);
    EXPECT_GE(Bounds.left, Work.left);
    EXPECT_LE(Bounds.right, Work.right);
    EXPECT_EQ(Bounds.right - Bounds.left, 700);
    EXPECT_EQ(Bounds.bottom - Bounds.top, Work.bottom - Work.top);
}

TEST(WinMainWindowViews, AnotherResolutionScalesTheBarsAndTheWindow) {
    TWindowWorld World;
    const HWND Window = World.Window->Handle();
    RECT Suggested{40, 30, 40 + 700, 30 + 900};
    SendMessageW(Window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&Suggested));
    RECT Bounds{};
    GetWindowRect(Window, &Bounds);
    EXPECT_EQ(Bounds.right - Bounds.left, 700);
    EXPECT_EQ(Bounds.bottom - Bounds.top, 900);
    const auto Pictures = reinterpret_cast<HIMAGELIST>(
        SendMessageW(World.Window->ToolBar().Handle(), TB_GETIMAGELIST, 0, 0));
    int Width = 0;
    int Height = 0;
    ImageList_GetIconSize(Pictures, &Width, &Height);
    EXPECT_EQ(Width, 48);
    int Edges[3] = {};
    SendMessageW(World.Window->StatusBar().Handle(), SB_GETPARTS, 3,
                 reinterpret_cast<LPARAM>(Edges));
    EXPECT_EQ(Edges[0], 60);
    // The commands work as before.
    World.Give(TCommand::Initialize);
    EXPECT_TRUE(World.HasLine(SInitializeSucceeded, clGreen));
}
