// What the image state, the information pane and the progress display need of the main window.
// The desktop window implements it; the command line and the tests have their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// 0x00BBGGRR: black 0x000000, green 0x008000, red 0x0000FF, blue 0xFF0000.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;

// Which commands are enabled: the window's UpdateActions flags, in their order.
struct TActionFlags {
    bool Write = true;
    bool Read = true;
    bool Compare = true;
    bool Save = true;
    bool Delete = true;
    bool Menus = true;
    bool Load = true;

    bool operator==(const TActionFlags& Other) const {
        return Write == Other.Write && Read == Other.Read && Compare == Other.Compare &&
               Save == Other.Save && Delete == Other.Delete && Menus == Other.Menus &&
               Load == Other.Load;
    }
};

// What an operation did to one chip page, as the chip map shows it.
enum class TPageOutcome { Written, Equal, Different, Read, Failed, Erased };

// Pictures of the image group: 0 = an image is loaded, 1 = the image is empty.
enum class TStatePicture { Loaded = 0, Empty = 1 };

class IMainView {
public:
    virtual ~IMainView() = default;

    // Image group.
    virtual void ShowStatePicture(TStatePicture Picture, bool ClearFirst) = 0;
    virtual void SetStateLabel(const std::string& Text) = 0;
    virtual void SetPageCountLabel(const std::string& Text) = 0;
    virtual void SetPageLengthLabel(const std::string& Text) = 0;
    // The full path; the window shortens it to fit its edit (empty shows the inside hint).
    virtual void SetFileNameText(const std::string& FullPath) = 0;
    virtual void UpdateActions(const TActionFlags& Flags) = 0;
    virtual void Repaint() = 0;
    // The image was replaced or emptied: a view that shows the image's contents drops them.
    virtual void ClearImageView() {}
    // The image was replaced or emptied and now holds these chip pages (ascending), the ones a
    // full write writes: a view that draws the chip starts anew from them.
    virtual void ShowImagePages(const std::vector<int>& /*Pages*/) {}
    // An operation has finished one chip page (a view that draws the chip follows it).
    virtual void ShowPageOutcome(int /*Page*/, TPageOutcome /*Outcome*/) {}

    // Information pane: one line in the given colour (the pane adds the time prefix).
    virtual void AddInfoLine(const std::string& Text, TColor Color) = 0;
    virtual void ClearInfo() = 0;

    // Progress: bar position 0..100, status bar panels 0 and 2, the application title.
    virtual void SetProgressPosition(int Percent) = 0;
    virtual void SetStatusPanelText(int Panel, const std::string& Text) = 0;
    virtual void SetApplicationTitle(const std::string& Title) = 0;
};
