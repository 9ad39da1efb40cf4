#include "winui/ImageGroup.h"

#include "common/ResourseStrings.h"
#include "operations/MainWindowView.h"
#include "winui/CommandIds.h"
#include "winui/Pictures.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

#include <algorithm>

namespace {

// Design measures of the group (at 96 dots per inch), as the Qt window has them.
constexpr int PictureSize = 64;
constexpr int OpenPictureSize = 24;
constexpr int LabelLeft = 80;
constexpr int LabelRightGap = 8;
constexpr TColor FileNameEditColor = 0xD9FFFF;
constexpr TColor HintColor = 0xC0C0C0;

} // namespace

TImageGroup::TImageGroup(HWND Parent, UINT Dpi) {
    PictureLabel = CreateChild(Parent, WC_STATICW, "", SS_ICON | SS_CENTERIMAGE);
    NameLabel =
        CreateChild(Parent, WC_STATICW, "", SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX | SS_NOTIFY);
    LengthLabel = CreateChild(Parent, WC_STATICW, "", SS_LEFT | SS_NOPREFIX);
    CountLabel = CreateChild(Parent, WC_STATICW, "", SS_LEFT | SS_NOPREFIX);
    FileEdit = CreateChild(Parent, WC_EDITW, "", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, 0,
                           WS_EX_CLIENTEDGE);
    OpenButton = CreateChild(Parent, WC_BUTTONW, "", BS_PUSHBUTTON | BS_ICON | WS_TABSTOP,
                             static_cast<int>(CommandId(TWindowCommand::LoadImage)));
    // The frame comes last: below its contents, which it must not paint over.
    Frame = CreateChild(Parent, WC_BUTTONW, SImageGroupCaption, BS_GROUPBOX);
    SetWindowPos(Frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    FileEditBrush.Reset(CreateSolidBrush(FileNameEditColor));
    LoadPictures(Dpi);
    AddHints();
    ShowPicture(TStatePicture::Empty);
    ShowFileName();
}

void TImageGroup::LoadPictures(UINT Dpi) {
    if (Dpi == PicturesDpi) {
        return;
    }
    PicturesDpi = Dpi;
    LoadedPicture = LoadPicture(L"IMAGE_LOADED", Scaled(PictureSize, Dpi));
    EmptyPicture = LoadPicture(L"IMAGE_EMPTY", Scaled(PictureSize, Dpi));
    OpenPicture = LoadPicture(L"OPEN", Scaled(OpenPictureSize, Dpi));
    SendMessageW(OpenButton, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(OpenPicture.Get()));
    ShowPicture(ShownPicture);
}

void TImageGroup::AddHints() {
    Hints = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0,
                            0, 0, GetParent(Frame), nullptr, GetModuleHandleW(nullptr), nullptr);
    for (HWND Control : {NameLabel, FileEdit, OpenButton}) {
        TTTOOLINFOW Tool{};
        Tool.cbSize = sizeof Tool;
        Tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        Tool.hwnd = GetParent(Frame);
        Tool.uId = reinterpret_cast<UINT_PTR>(Control);
        Tool.lpszText = const_cast<LPWSTR>(L"");
        SendMessageW(Hints, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Tool));
    }
    SetHint(OpenButton, Wide(SOpenFileHint));
}

void TImageGroup::SetHint(HWND Control, const std::wstring& Text) {
    TTTOOLINFOW Tool{};
    Tool.cbSize = sizeof Tool;
    Tool.hwnd = GetParent(Frame);
    Tool.uId = reinterpret_cast<UINT_PTR>(Control);
    Tool.lpszText = const_cast<LPWSTR>(Text.c_str());
    SendMessageW(Hints, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&Tool));
}

void TImageGroup::Layout(const RECT& Bounds, UINT Dpi, const TFormFonts& Fonts) {
    LoadPictures(Dpi);
    const auto At = [&Bounds, Dpi](int Left, int Top, int Width, int Height) {
        return Box(Bounds.left + Scaled(Left, Dpi), Bounds.top + Scaled(Top, Dpi),
                   Scaled(Width, Dpi), Scaled(Height, Dpi));
    };
    const int GroupWidth =
        MulDiv(Width(Bounds), static_cast<int>(DesignDpi), static_cast<int>(Dpi));
    const int LabelHeight = MulDiv(TextExtent(NameLabel, Fonts.Bold(), L"Ag").cy + 2,
                                   static_cast<int>(DesignDpi), static_cast<int>(Dpi));
    const int LabelWidth = GroupWidth - LabelLeft - LabelRightGap;
    Place(Frame, Bounds);
    Place(PictureLabel, At(5, 24, PictureSize, PictureSize));
    Place(NameLabel, At(LabelLeft, 23, LabelWidth, LabelHeight));
    Place(LengthLabel, At(LabelLeft, 57, LabelWidth, LabelHeight));
    Place(CountLabel, At(LabelLeft, 73, LabelWidth, LabelHeight));
    // The field and the button keep their gaps to the group's right edge.
    Place(FileEdit, At(16, 96, GroupWidth - 72, std::max(21, LabelHeight + 6)));
    Place(OpenButton, At(GroupWidth - 50, 90, 35, 33));
    for (HWND Control : {Frame, LengthLabel, CountLabel, FileEdit, OpenButton}) {
        SetControlFont(Control, Fonts.Normal());
    }
    SetControlFont(NameLabel, Fonts.Bold());
    ShowFileName();
}

void TImageGroup::ShowPicture(TStatePicture Picture) {
    ShownPicture = Picture;
    const HICON Icon = Picture == TStatePicture::Loaded ? LoadedPicture.Get() : EmptyPicture.Get();
    SendMessageW(PictureLabel, STM_SETICON, reinterpret_cast<WPARAM>(Icon), 0);
}

void TImageGroup::SetStateLabel(const std::string& Text) {
    StateLabelText = Wide(Text);
    SetWindowTextW(NameLabel, StateLabelText.c_str());
    SetHint(NameLabel, StateLabelText);
}

void TImageGroup::SetPageCountLabel(const std::string& Text) {
    SetWindowTextTo(CountLabel, Text);
}

void TImageGroup::SetPageLengthLabel(const std::string& Text) {
    SetWindowTextTo(LengthLabel, Text);
}

void TImageGroup::SetFileName(const std::string& FullPath) {
    FileNameFullPath = FullPath;
    ShowFileName();
}

void TImageGroup::ShowFileName() {
    const std::wstring Path = Wide(FileNameFullPath);
    const std::wstring Shown = Path.empty() ? Wide(SFileNameHint) : ShortenedPath(FileEdit, Path);
    SetWindowTextW(FileEdit, Shown.c_str());
    SetHint(FileEdit, Path);
}

void TImageGroup::EnableLoading(bool Enabled) {
    EnableWindow(OpenButton, Enabled);
}

std::optional<HBRUSH> TImageGroup::ControlColor(HWND Control, HDC Context) const {
    if (Control != FileEdit) {
        return std::nullopt;
    }
    SetBkColor(Context, FileNameEditColor);
    SetTextColor(Context, FileNameFullPath.empty() ? HintColor : GetSysColor(COLOR_WINDOWTEXT));
    return FileEditBrush.Get();
}

std::wstring ShortenedPath(HWND Edit, const std::wstring& Path) {
    RECT TextArea{};
    SendMessageW(Edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&TextArea));
    const TWindowContext Context(Edit);
    const TSelection Selected(Context.Get(),
                              reinterpret_cast<HFONT>(SendMessageW(Edit, WM_GETFONT, 0, 0)));
    // DrawText writes the shortened text into its buffer, which needs room for the dots.
    std::wstring Buffer = Path + std::wstring(4, L'\0');
    RECT Measured{0, 0, std::max(1, Width(TextArea)), Height(TextArea)};
    DrawTextW(Context.Get(), Buffer.data(), static_cast<int>(Path.size()), &Measured,
              DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
    Buffer.resize(Buffer.find(L'\0'));
    return Buffer;
}
