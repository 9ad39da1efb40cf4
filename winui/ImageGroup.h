// The main window's image group "Образ:": the picture of the image's state, its name (bold,
// shortened in the middle when long), page length and page count, its file's path shortened to
// fit the field (the inside hint when there is none), and the button that loads another file.
// The controls are the main window's children, laid over the group's frame.
#pragma once

#include "operations/MainView.h"
#include "winui/Controls.h"
#include "winui/WinHandles.h"

#include <optional>
#include <string>

class TImageGroup {
public:
    TImageGroup(HWND Parent, UINT Dpi);

    // Places the group and its contents in Bounds (the group's frame) at a resolution.
    void Layout(const RECT& Bounds, UINT Dpi, const TFormFonts& Fonts);
    void ShowPicture(TStatePicture Picture);
    void SetStateLabel(const std::string& Text);
    void SetPageCountLabel(const std::string& Text);
    void SetPageLengthLabel(const std::string& Text);
    void SetFileName(const std::string& FullPath);
    void EnableLoading(bool Enabled);
    // Colours of the file name field (WM_CTLCOLORSTATIC of a read-only edit): the brush to
    // paint it with, none for other controls.
    std::optional<HBRUSH> ControlColor(HWND Control, HDC Context) const;

    TStatePicture Picture() const { return ShownPicture; }
    const std::string& FullPath() const { return FileNameFullPath; }
    HWND GroupBox() const { return Frame; }
    HWND PictureBox() const { return PictureLabel; }
    HWND StateLabel() const { return NameLabel; }
    HWND PageCountLabel() const { return CountLabel; }
    HWND PageLengthLabel() const { return LengthLabel; }
    HWND FileNameEdit() const { return FileEdit; }
    HWND OpenFileButton() const { return OpenButton; }

private:
    void AddHints();
    void SetHint(HWND Control, const std::wstring& Text);
    void ShowFileName();
    void LoadPictures(UINT Dpi);

    HWND Frame = nullptr;
    HWND PictureLabel = nullptr;
    HWND NameLabel = nullptr;
    HWND LengthLabel = nullptr;
    HWND CountLabel = nullptr;
    HWND FileEdit = nullptr;
    HWND OpenButton = nullptr;
    HWND Hints = nullptr;
    TIconOwner LoadedPicture;
    TIconOwner EmptyPicture;
    TIconOwner OpenPicture;
    TBrushOwner FileEditBrush;
    TStatePicture ShownPicture = TStatePicture::Empty;
    std::string FileNameFullPath;
    std::wstring StateLabelText;
    UINT PicturesDpi = 0;
};

// Path shortened with "..." in its folders (or, when even the name is too long, in the name) so
// that it fits the edit's text area.
std::wstring ShortenedPath(HWND Edit, const std::wstring& Path);
