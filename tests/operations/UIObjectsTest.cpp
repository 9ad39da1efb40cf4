#include "operations/UIObjects.h"

#include "FakeMainView.h"

#include <gtest/gtest.h>

namespace {

TActionFlags EmptyImageFlags() {
    TActionFlags Flags;
    Flags.Write = false;
    Flags.Compare = false;
    Flags.Save = false;
    return Flags;
}

TEST(BurnImageTest, NewObjectIsEmptyAndShowsNothingWithoutAWindow) {
    TBurnImagae Image;
    EXPECT_EQ(Image.GetState(), bisEmpty);
    EXPECT_EQ(Image.GetPageCount(), 0);
    EXPECT_EQ(Image.GetPageLength(), 0);
    EXPECT_EQ(Image.GetFileName(), "");
    EXPECT_EQ(Image.GetImageName(), "");
    Image.SetImageName("a.ldr");
    Image.SetState(bisLoaded);
    EXPECT_EQ(Image.GetState(), bisLoaded);
    Image.SetState(bisEmpty);
    // Without a window the empty state does not even clear the name.
    EXPECT_EQ(Image.GetImageName(), "a.ldr");
}

TEST(BurnImageTest, PageCountLabelAgreesWithTheNumber) {
    const std::pair<int, const char*> Cases[] = {
        {0, "Страниц нет."},           {1, "В образе 1 страница."},
        {3, "В образе 3 страницы."},   {11, "В образе 11 страниц."},
        {21, "В образе 21 страница."}, {4096, "В образе 4096 страниц."},
    };
    TFakeMainView View;
    TBurnImagae Image(&View);
    for (const auto& [Count, Label] : Cases) {
        Image.SetPageCount(Count);
        EXPECT_EQ(View.PageCountLabel, Label);
        EXPECT_EQ(Image.GetPageCount(), Count);
    }
    EXPECT_EQ(TBurnImagae::GetPagesWord(112), "страниц");
}

TEST(BurnImageTest, PageLengthLabel) {
    TFakeMainView View;
    TBurnImagae Image(&View);
    Image.SetPageLength(528);
    EXPECT_EQ(View.PageLengthLabel, "Длина страницы 528 байт.");
    Image.SetPageLength(0);
    EXPECT_EQ(View.PageLengthLabel, "Длина страницы неизвестна.");
}

TEST(BurnImageTest, EmptyStateClearsTheGroupAndEnablesOnlyReadEraseAndLoad) {
    TFakeMainView View;
    TBurnImagae Image(&View);
    Image.SetImageName("a.ldr");
    Image.SetFileName("/tmp/a.ldr");
    Image.SetPageCount(3);
    Image.SetPageLength(528);
    Image.SetState(bisLoaded);
    Image.SetState(bisEmpty);
    EXPECT_EQ(Image.GetState(), bisEmpty);
    EXPECT_EQ(View.StateLabel, "Пустой образ.");
    EXPECT_EQ(Image.GetImageName(), "");
    EXPECT_EQ(Image.GetFileName(), "");
    EXPECT_EQ(View.FileNameText, "");
    EXPECT_EQ(View.PageCountLabel, "Страниц нет.");
    EXPECT_EQ(View.PageLengthLabel, "Длина страницы неизвестна.");
    EXPECT_EQ(View.Picture, TStatePicture::Empty);
    EXPECT_TRUE(View.PictureCleared);
    EXPECT_EQ(View.Flags, EmptyImageFlags());
    EXPECT_EQ(View.RepaintCount, 2);
}

TEST(BurnImageTest, LoadedStateNamesTheImageAndEnablesEverything) {
    TFakeMainView View;
    TBurnImagae Image(&View);
    Image.SetState(bisEmpty);
    Image.SetImageName("a.ldr");
    Image.SetPageCount(2);
    Image.SetState(bisLoaded);
    EXPECT_EQ(View.StateLabel, "Образ «a.ldr».");
    EXPECT_EQ(View.Picture, TStatePicture::Loaded);
    EXPECT_FALSE(View.PictureCleared);
    EXPECT_EQ(View.Flags, TActionFlags());
    // The caller keeps the counts.
    EXPECT_EQ(View.PageCountLabel, "В образе 2 страницы.");
}

TEST(BurnImageTest, UnknownStateOnlyRepaints) {
    TFakeMainView View;
    TBurnImagae Image(&View);
    Image.ShowState(static_cast<TBurnImageState>(7));
    EXPECT_EQ(View.RepaintCount, 1);
    EXPECT_EQ(View.UpdateActionsCount, 0);
    EXPECT_EQ(View.PictureCount, 0);
}

TEST(BurnImageTest, RenamingShowsTheNewNameAndFile) {
    TFakeMainView View;
    TBurnImagae Image(&View);
    Image.SetImageName("b.ldr");
    Image.SetFileName("/data/b.ldr");
    EXPECT_EQ(View.StateLabel, "Образ «b.ldr».");
    EXPECT_EQ(View.FileNameText, "/data/b.ldr");
    EXPECT_EQ(Image.GetImageName(), "b.ldr");
}

TEST(InfoRichEditTest, LinesKeepTheirColours) {
    TFakeMainView View;
    TInfoRichEdit Info(&View);
    Info.AddMessage("Начато чтение образа.", clBlack);
    Info.AddMessage("Контроллер: X.", clBlue);
    ASSERT_EQ(View.InfoLines.size(), 2u);
    EXPECT_EQ(View.InfoLines[0], std::make_pair(std::string("Начато чтение образа."), clBlack));
    EXPECT_EQ(View.InfoLines[1].second, 0xFF0000u);
    Info.Clear();
    EXPECT_TRUE(View.InfoLines.empty());

    TInfoRichEdit Detached;
    Detached.AddMessage("nowhere", clRed);
    Detached.Clear();
}

} // namespace
