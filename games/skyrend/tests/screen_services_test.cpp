// screen_services_test.cpp -- the progress bar, busy labels and file lists
#include "games/skyrend/screen_services.h"

#include "engine/scene/tests/canvas_fixture.h"

#include "os/testing/kernel.h"

#include <os/wstring.h>

using namespace skyrend;
using canvas_test::CanvasFixture;
using canvas_test::pump;

namespace {

uint32_t screenAt(int x, int y)
{
    os::host::Screen& s = os::host::screen();
    const uint8_t* p = s.pixels + y * s.pitch + x * (s.bpp / 8);
    const int v = p[0] | p[1] << 8;
    return uint32_t((v >> 11) << 3 << 16 | ((v >> 5) & 63) << 2 << 8 | (v & 31) << 3);
}

std::vector<std::string> latin(const std::vector<std::u16string>& names)
{
    std::vector<std::string> out;
    for (const auto& n : names)
        out.push_back(os::to_latin1(n.c_str()));
    return out;
}

} // namespace

TEST(ProgressBar, LayoutRoundsToMultiplesOfEight)
{
    const struct
    {
        int percent, filled;
    } cases[] = {{0, 0}, {50, 104}, {100, 216}, {150, 216}, {-5, 0}, {3, 0}, {4, 8}};
    for (const auto& c : cases)
    {
        ProgressBarLayout bar = progressBarLayout(240, 320, c.percent);
        EXPECT_EQ(216, bar.width);
        EXPECT_EQ(12, bar.x0);
        EXPECT_EQ(152, bar.y0);
        EXPECT_EQ(c.filled, bar.filled) << c.percent << "%";
    }
    EXPECT_EQ(0, progressBarLayout(10, 10, 50).width) << "a client too narrow has no bar";
}

struct ProgressBarOnCanvas : CanvasFixture
{
};

TEST_F(ProgressBarOnCanvas, DrawsBandsBlackRestAndFrame)
{
    canvas->redraw();
    setProgressBarColor(0x646482);
    pump();
    drawProgressBar(canvas, u"", 50);
    // Filled part: the base colour at the edge, lighter bands toward the middle.
    EXPECT_EQ(0x606080u, screenAt(20, 152 + 13) & 0xF0F0F0) << "base colour";
    EXPECT_EQ(0xC0C0E0u, screenAt(20, 152 + 6) & 0xF0F0F0) << "lightest band";
    // Unfilled part black; the frame white.
    EXPECT_EQ(0u, screenAt(12 + 104 + 20, 152 + 8));
    EXPECT_EQ(0xF8FCF8u, screenAt(12, 160));
    EXPECT_EQ(0xF8FCF8u, screenAt(200, 152));
    // Outside the bar the canvas is untouched.
    EXPECT_EQ(screenAt(5, 5), screenAt(5, 150));
    setProgressBarColor(0x808080);
}

TEST_F(ProgressBarOnCanvas, LabelIsCentredAndGoesAway)
{
    const int before = canvas->getChildCount();
    Window* label = createMessageLabel(canvas, u"Connecting to the Game Server...\n(may last 1~20 seconds)", 200,
                                       60, -10000, -10000);
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(before + 1, canvas->getChildCount());
    RECT r{};
    GetWindowRect(label->getHandle(), &r);
    EXPECT_EQ(20, r.left);
    EXPECT_EQ(130, r.top);
    EXPECT_EQ(200, r.right - r.left);
    destroyMessageLabel(canvas, label);
    EXPECT_EQ(before, canvas->getChildCount());
}

TEST(FileNames, SortedPlainFilesCutAtTheFirstDot)
{
    os::testing::put("res/plane_b.properties", "");
    os::testing::put("res/plane_A.x.properties", "");
    os::testing::put("res/plane_a.properties", "");
    os::testing::put("res/scene_z.properties", "");
    std::filesystem::create_directories(os::testing::host("res/plane_c.properties"));
    EXPECT_EQ(latin(listFileNames(u"\\res\\plane_*.properties", false)),
              (std::vector<std::string>{"plane_A", "plane_a", "plane_b"}));
    EXPECT_EQ(latin(listFileNames(u"\\res\\plane_*.properties", true)),
              (std::vector<std::string>{"plane_b", "plane_a", "plane_A"}));
    EXPECT_TRUE(listFileNames(u"\\res\\none_*.properties", false).empty());
    EXPECT_TRUE(listFileNames(u"\\missing\\plane_*.properties", false).empty());
}
