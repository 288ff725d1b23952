// head_up_display_test.cpp -- heading labels, the speed tape's ticks, target
// boxes drawn by inversion, and the device context given back
#include "games/skyrend/head_up_display.h"

#include "games/skyrend/flight/flight_model.h"

#include "engine/base/math_utils.h"
#include "engine/platform/image.h"
#include "engine/scene/screen/canvas.h"

#include "os/host/png.h"

#include <os/wstring.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

using namespace skyrend;

namespace hud_cases {

constexpr uint32_t kGreen = 0x00FF00, kSky = 0x405080;

struct HudTest : testing::Test
{
    Image image{240, 320, false};
    FlightModel flight;
    void SetUp() override
    {
        initMathTables();
        Canvas::setScreenScale(1.0f);
        image.drawRect(kSky, 0, 0, 240, 320, true);
        flight.init(nullptr, 30.0f, 0.0f, 100.0f, 0.0f, 0.0f);
    }
    int changedPixels(const Image& reference) const
    {
        int n = 0;
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 240; ++x)
                n += image.colorAt(x, y) != reference.colorAt(x, y);
        return n;
    }
};

TEST_F(HudTest, HeadingLabels)
{
    struct Case
    {
        int degrees;
        const char* label;
    } cases[] = {{0, " N"},   {1, " N"},   {359, " N"},  {358, "358"}, {-1, " N"},
                 {91, " E"},  {92, " 92"}, {181, " S"},  {269, " W"}, {45, " 45"}};
    for (const Case& c : cases)
    {
        WCHAR label[16];
        HeadUpDisplay::headingLabel(c.degrees, label, 16);
        EXPECT_EQ(os::to_latin1(label), c.label) << c.degrees;
    }
}

TEST_F(HudTest, SpeedTapeTicksAndTheClip)
{
    // The rectangle (45, 55, 195, 145): tape length 54, one step each side.
    const RECT area{45, 55, 195, 145};
    HeadUpDisplay hud(area, image.dc, kGreen, &flight);
    hud.speed.factor = 40.0f;
    hud.altitude.factor = 20.0f;
    EXPECT_EQ(hud.speed.length, 54);
    flight.speed = 6.25f; // shows 250: f = 2.5
    hud.draw();
    const int x = 45 + 16, c = 55 + 20 + 27;
    for (int dy : {24, 8, -8, -24}) // the ticks of 1, 2, 3 and 4 hundred
        for (int tx = x - 4; tx < x; ++tx)
            EXPECT_EQ(image.colorAt(tx, c + dy), kGreen) << dy << " at " << tx;
    // The tape's line, and nothing outside the rectangle.
    EXPECT_EQ(image.colorAt(x, c), kGreen);
    int outside = 0, inside = 0;
    for (int y = 0; y < 320; ++y)
        for (int px = 0; px < 240; ++px)
        {
            const bool in = px >= area.left && px < area.right && y >= area.top && y < area.bottom;
            (in ? inside : outside) += image.colorAt(px, y) != kSky;
        }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 300);
}

TEST_F(HudTest, TargetBoxesInvertAndDrawingTwiceRestores)
{
    const RECT area{0, 0, 240, 160};
    HeadUpDisplay hud(area, image.dc, kGreen, &flight);
    Image reference(240, 320, false);
    reference.drawImage(image, 0, 0);
    const uint32_t inverted = ~kSky & 0xFFFFFF;
    struct Case
    {
        float depth;
        bool locked;
        bool cross, diamond;
    } cases[] = {{419.0f, false, true, false}, {421.0f, true, false, true}, {421.0f, false, false, false}};
    for (const Case& c : cases)
    {
        hud.drawTargetBox(100, 80, c.depth, c.locked, nullptr);
        EXPECT_EQ(image.colorAt(95, 80), inverted); // the square's left side
        EXPECT_EQ(image.colorAt(100, 78) == inverted, c.cross) << c.depth;
        EXPECT_EQ(image.colorAt(98, 78) == inverted, c.diamond) << c.depth;
        hud.drawTargetBox(100, 80, c.depth, c.locked, nullptr);
        EXPECT_EQ(changedPixels(reference), 0) << c.depth;
    }
}

TEST_F(HudTest, TheContextIsGivenBack)
{
    const RECT area{0, 0, 240, 160};
    HeadUpDisplay hud(area, image.dc, kGreen, &flight);
    SetBkMode(image.dc, OPAQUE);
    SetTextColor(image.dc, RGB(1, 2, 3));
    HGDIOBJ font = GetCurrentObject(image.dc, OBJ_FONT);
    HGDIOBJ pen = GetCurrentObject(image.dc, OBJ_PEN);
    HGDIOBJ brush = GetCurrentObject(image.dc, OBJ_BRUSH);
    const int rop = GetROP2(image.dc);
    flight.heading = 1.58f;
    flight.bank = 0.4f;
    flight.pitchAngle = 0.2f;
    hud.draw();
    hud.drawTargetBox(50, 50, 500.0f, true, u"B1");
    EXPECT_EQ(GetBkMode(image.dc), OPAQUE);
    EXPECT_EQ(GetTextColor(image.dc), RGB(1, 2, 3));
    EXPECT_EQ(GetCurrentObject(image.dc, OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(image.dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(image.dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetROP2(image.dc), rop);
    // The clip is gone: drawing below the HUD reaches the image again.
    image.drawRect(0x123456, 0, 200, 10, 10, true);
    MoveToEx(image.dc, 0, 300, nullptr);
    LineTo(image.dc, 100, 300);
    EXPECT_NE(image.colorAt(50, 300), kSky);
}

TEST_F(HudTest, AWholeDisplayBankedAndClimbing)
{
    const RECT area{0, 0, 240, 160};
    HeadUpDisplay hud(area, image.dc, kGreen, &flight);
    hud.speed.factor = 40.0f;
    hud.altitude.factor = 20.0f;
    flight.heading = 1.2f;
    flight.bank = 0.35f;
    flight.pitchAngle = 0.15f;
    flight.position.y = 412.0f;
    flight.speed = 31.0f;
    flight.level = 90;
    hud.draw();
    hud.drawTargetBox(150, 60, 600.0f, true, u"B");
    const std::string path = std::string(std::getenv("OS_OUT") ? std::getenv("OS_OUT") : ".") + "/hud_banked.png";
    EXPECT_TRUE(os::host::write_png(path, 240, 160, image.bits, image.stride, image.pixels));
    int drawn = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            drawn += image.colorAt(x, y) == kGreen;
    EXPECT_GT(drawn, 600);
    EXPECT_EQ(image.colorAt(121, 91), kSky); // inside the centre ring
    EXPECT_EQ(image.colorAt(117, 91), kGreen); // its left side
}

} // namespace hud_cases
