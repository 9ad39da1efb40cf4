#include "operations/UIObjects.h"

#include <gtest/gtest.h>

TEST(GetPagesWord, FollowsTheLastDigitsOfTheNumber) {
    const std::pair<int, const char*> Cases[] = {
        {0, "страниц"},   {1, "страница"},    {2, "страницы"},   {3, "страницы"},  {4, "страницы"},
        {5, "страниц"},   {9, "страниц"},     {10, "страниц"},   {11, "страниц"},  {12, "страниц"},
        {14, "страниц"},  {15, "страниц"},    {21, "страница"},  {22, "страницы"}, {111, "страниц"},
        {112, "страниц"}, {4091, "страница"}, {4096, "страниц"}, {-1, "страница"}, {-12, "страниц"},
        {-3, "страницы"},
    };
    for (const auto& [Number, Word] : Cases) {
        EXPECT_EQ(GetPagesWord(Number), Word) << Number;
    }
}
