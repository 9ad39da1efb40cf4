// Image state and information output shown to the user.
#pragma once

#include "operations/MainView.h"
#include "operations/Progress.h"

#include <cstdint>
#include <string>

// The form of the word "страница" that goes with Number, chosen by the last digits of its
// decimal text: 1 страница, 2 страницы, 5 страниц, 11 страниц, 21 страница.
std::string GetPagesWord(int Number);

enum TBurnImageState : std::uint8_t { bisEmpty = 0, bisLoaded = 1 };

// The state of the current image (empty or loaded, name, file, page count and length) and its
// display in the window's image group, including which commands are enabled.
class TBurnImagae {
public:
    // View may be null (no window yet): then only the fields change.
    explicit TBurnImagae(IMainView* View = nullptr) : View(View) {}

    void SetView(IMainView* NewView) { View = NewView; }
    IMainView* GetView() const { return View; }

    // Stores State and shows it.
    void SetState(TBurnImageState NewState);
    // Redraws the image group and the enabled commands for State.
    void ShowState(TBurnImageState ShownState);
    TBurnImageState GetState() const { return State; }

    void SetImageName(const std::string& Name);
    std::string GetImageName() const { return ImageName; }
    void SetFileName(const std::string& NewFileName);
    const std::string& GetFileName() const { return FileName; }
    void SetPageCount(int Count);
    int GetPageCount() const { return PageCount; }
    void SetPageLength(int Length);
    int GetPageLength() const { return PageLength; }
    static std::string GetPagesWord(int Number) { return ::GetPagesWord(Number); }

private:
    IMainView* View;
    TBurnImageState State = bisEmpty;
    int PageCount = 0;
    std::string FileName;
    int PageLength = 0;
    std::string ImageName;
};

// The single sink of operation messages: one coloured line of the information pane each.
class TInfoRichEdit {
public:
    explicit TInfoRichEdit(IMainView* View = nullptr) : View(View) {}

    void SetView(IMainView* NewView) { View = NewView; }
    IMainView* GetView() const { return View; }

    void AddMessage(const std::string& Text, TColor Color);
    void Clear();

private:
    IMainView* View;
};
