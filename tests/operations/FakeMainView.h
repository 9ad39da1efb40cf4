// A main view that records everything the operations objects show, for the tests.
#pragma once

#include "operations/MainView.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

class TFakeMainView : public IMainView {
public:
    void ShowStatePicture(TStatePicture NewPicture, bool ClearFirst) override {
        Picture = NewPicture;
        PictureCleared = ClearFirst;
        ++PictureCount;
    }
    void SetStateLabel(const std::string& Text) override { StateLabel = Text; }
    void SetPageCountLabel(const std::string& Text) override { PageCountLabel = Text; }
    void SetPageLengthLabel(const std::string& Text) override { PageLengthLabel = Text; }
    void SetFileNameText(const std::string& FullPath) override { FileNameText = FullPath; }
    void UpdateActions(const TActionFlags& NewFlags) override {
        Flags = NewFlags;
        ++UpdateActionsCount;
    }
    void Repaint() override { ++RepaintCount; }
    void ClearImageView() override { ++ImageViewsCleared; }

    void AddInfoLine(const std::string& Text, TColor Color) override {
        InfoLines.emplace_back(Text, Color);
    }
    void ClearInfo() override { InfoLines.clear(); }

    void SetProgressPosition(int Percent) override { Position = Percent; }
    void SetStatusPanelText(int Panel, const std::string& Text) override {
        Panels[Panel] = Text;
        ++PanelWrites[Panel];
    }
    void SetApplicationTitle(const std::string& Text) override {
        Title = Text;
        ++TitleCount;
    }

    TStatePicture Picture = TStatePicture::Empty;
    bool PictureCleared = false;
    int PictureCount = 0;
    std::string StateLabel;
    std::string PageCountLabel;
    std::string PageLengthLabel;
    std::string FileNameText = "unset";
    TActionFlags Flags;
    int UpdateActionsCount = 0;
    int RepaintCount = 0;
    int ImageViewsCleared = 0;
    std::vector<std::pair<std::string, TColor>> InfoLines;
    int Position = -1;
    std::map<int, std::string> Panels;
    std::map<int, int> PanelWrites;
    std::string Title;
    int TitleCount = 0;
};
