// Everything a head manager reports through its events, recorded for the tests.
#pragma once

#include "operations/HeadManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

struct THeadManagerEvents {
    using TLine = std::pair<std::string, TColor>;

    // Takes over the events of Head; each must come from Head itself.
    void Attach(THeadManager& Head) {
        Head.OnMessage = [this, &Head](THeadManager* Sender, const std::string& Text,
                                       TColor Color) {
            EXPECT_EQ(Sender, &Head);
            Lines.emplace_back(Text, Color);
        };
        Head.OnProgress = [this](THeadManager*, const TProgressStep& Step) {
            Progress.push_back(Step.Percent);
        };
        Head.OnImageCleared = [this](THeadManager*) { ++ClearedCount; };
        Head.OnImageLoaded = [this](THeadManager*, const std::shared_ptr<IMemoryMap>& Image,
                                    const std::string& FileName) {
            LoadedImage = Image;
            LoadedPageCount = Image->GetCount();
            LoadedName = FileName;
            ++LoadedCount;
        };
        Head.OnImageSaved = [this](THeadManager*, const std::string& Name) {
            SavedNames.push_back(Name);
        };
    }

    std::vector<TLine> Lines;
    std::vector<int> Progress;
    int ClearedCount = 0;
    int LoadedCount = 0;
    int LoadedPageCount = -1;
    std::shared_ptr<IMemoryMap> LoadedImage;
    std::string LoadedName;
    std::vector<std::string> SavedNames;
};
