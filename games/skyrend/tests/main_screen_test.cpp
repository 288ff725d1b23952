// main_screen_test.cpp -- the page animations' steps
#include "games/skyrend/main_screen.h"

#include <gtest/gtest.h>

using skyrend::MainScreen;

TEST(PageAnimation, IntroStripWrapsToMinusHalf)
{
    EXPECT_FLOAT_EQ(0.3f, MainScreen::stepIntroOffset(0.28f, 0.4f));
    EXPECT_FLOAT_EQ(-0.5f, MainScreen::stepIntroOffset(0.49f, 0.4f)) << "0.51 is past the end";
    EXPECT_FLOAT_EQ(-0.48f, MainScreen::stepIntroOffset(-0.5f, 0.4f));
}

TEST(PageAnimation, PromptWrapsToZero)
{
    EXPECT_FLOAT_EQ(0.53f, MainScreen::stepPromptOffset(0.5f, 1.0f));
    EXPECT_FLOAT_EQ(0.0f, MainScreen::stepPromptOffset(0.99f, 1.0f)) << "1.02 is past the end";
}
