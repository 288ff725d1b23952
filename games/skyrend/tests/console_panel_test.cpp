// console_panel_test.cpp -- radar range, station selection, radar targets
// and the alert line
#include "games/skyrend/console_panel.h"

#include "games/skyrend/flight/aircraft.h"
#include "games/skyrend/flight/flight_constants.h"

#include "engine/base/math_utils.h"
#include "engine/platform/gdi_draw.h"
#include "engine/platform/image.h"
#include "engine/scene/screen/canvas.h"

#include "os/host/png.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace skyrend;

namespace console_cases {

constexpr uint32_t kRed = 0xFF0000, kGrey = 0x808080, kBackground = 0x2D3E2C;
const RECT kAlert{3, 110, 129, 121}, kRadar{19, 25, 79, 85}, kStations{159, 25, 219, 85};

struct ConsoleTest : testing::Test
{
    Image image{240, 160, false};
    std::unique_ptr<ConsolePanel> panel;
    std::unique_ptr<Aircraft> player;
    void SetUp() override
    {
        initMathTables();
        Canvas::setScreenScale(1.0f);
        aircraftConstants() = AircraftConstants();
        image.drawRect(0, 0, 0, 240, 160, true);
        panel = std::make_unique<ConsolePanel>(image.dc, kAlert, kRadar, kStations);
        player = std::make_unique<Aircraft>(nullptr, nullptr, u"Ace", nullptr, true, false);
        player->place(0.0f, 500.0f, 0.0f, 0.0f, 0.0f);
        panel->setPlayer(player.get());
    }
    void setStates(std::initializer_list<int> states)
    {
        int i = 0;
        for (int s : states)
            panel->slot(i++)->state = s;
    }
    int pixelsOf(uint32_t colour, const RECT& r) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += image.colorAt(x, y) == colour;
        return n;
    }
};

TEST_F(ConsoleTest, RangeStaysWithinItsSteps)
{
    EXPECT_EQ(panel->range(), 30);
    for (int i = 0; i < 60; ++i)
        panel->increaseRange();
    EXPECT_EQ(panel->range(), 500);
    for (int i = 0; i < 60; ++i)
        panel->decreaseRange();
    EXPECT_EQ(panel->range(), 10);
}

TEST_F(ConsoleTest, SlotsTakeTheMissilesInTheirOrder)
{
    const int places[8][2] = {{0, 3}, {0, 2}, {1, 3}, {1, 2}, {1, 0}, {1, 1}, {0, 0}, {0, 1}};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(panel->slot(i), player->stations[places[i][0]][places[i][1]]) << i;
}

TEST_F(ConsoleTest, StationSelectionSkipsSpentMissiles)
{
    setStates({2, 0, 2, 2, 1, 2, 2, 2});
    panel->nextStation(); // from 0
    EXPECT_EQ(panel->selectedStation(), 1);
    panel->nextStation();
    EXPECT_EQ(panel->selectedStation(), 4);
    panel->nextStation();
    EXPECT_EQ(panel->selectedStation(), 1);
    panel->previousStation();
    EXPECT_EQ(panel->selectedStation(), 4);
    panel->previousStation();
    EXPECT_EQ(panel->selectedStation(), 1);
    EXPECT_TRUE(panel->selectLockedStation());
    EXPECT_EQ(panel->selectedStation(), 4);

    setStates({2, 2, 2, 4, 3, 2, 2, 2});
    panel->nextStation();
    panel->previousStation();
    EXPECT_EQ(panel->selectedStation(), 4);
    EXPECT_FALSE(panel->selectLockedStation());
    EXPECT_EQ(panel->selectedStation(), 4);
}

TEST_F(ConsoleTest, RadarPlacesCountsAndClipsTargets)
{
    auto ahead = std::make_unique<Aircraft>(nullptr, nullptr, u"A", nullptr, false, false);
    ahead->place(0.0f, 500.0f, 300.0f, 0.0f, 0.0f);
    auto dead = std::make_unique<Aircraft>(nullptr, nullptr, u"B", nullptr, false, false);
    dead->place(-600.0f, 500.0f, 600.0f, 0.0f, 0.0f);
    dead->state = Aircraft::Hit;
    auto far = std::make_unique<Aircraft>(nullptr, nullptr, u"C", nullptr, false, false);
    far->place(0.0f, 500.0f, 10000.0f, 0.0f, 0.0f);
    for (Aircraft* a : {ahead.get(), dead.get(), far.get()})
        panel->addTarget(a);
    panel->drawRadar();
    EXPECT_EQ(panel->countedTargets(), 2); // the far one counts, the hit one does not
    const int ox = 49, oy = 85;
    // 300 units ahead at range 30: ten pixels above the origin.
    EXPECT_EQ(pixelsOf(kRed, RECT{ox - 2, oy - 12, ox + 3, oy - 7}), 12); // a 4 x 4 outline
    // (-600, 600) / 30 = (-20, 20): a grey square up and to the left.
    EXPECT_GT(pixelsOf(kGrey, RECT{ox - 22, oy - 22, ox - 17, oy - 17}), 10);
    // Nothing outside the radar rectangle.
    EXPECT_EQ(pixelsOf(kRed, RECT{0, 0, 240, kRadar.top}), 0);
    panel->removeTarget(far.get());
    panel->drawRadar();
    EXPECT_EQ(panel->countedTargets(), 1);
}

// The range and the count read the same whichever way the heading marks
// turn under them: at heading pi + 0.25 the south axis runs up through
// their letters, at 2.4 rad no mark passes them.
TEST_F(ConsoleTest, RadarLabelsStayClearOfTheHeadingMarks)
{
    auto labels = [&](float heading) {
        player->flight.heading = heading;
        image.drawRect(0, 0, 0, 240, 160, true);
        panel->drawRadar();
        std::vector<uint32_t> pixels;
        for (int y = kRadar.top + 1; y < kRadar.top + 23; ++y)
            for (int x = kRadar.left + 1; x < kRadar.left + 28; ++x)
                pixels.push_back(image.colorAt(x, y));
        return pixels;
    };
    EXPECT_EQ(labels(3.1415927f + 0.25f), labels(2.4f));
}

// With north at the top of the scope, as every flight starts, the north
// mark stands on the range; turning, it passes over the count. At every
// heading (half a degree apart) the two texts read exactly as they do where
// no mark comes near them; a target under them still shows.
TEST_F(ConsoleTest, RadarTextsReadWholeAtEveryHeading)
{
    HFONT font = createFont(11, FW_NORMAL, false, false, u"Arial");
    HGDIOBJ old = SelectObject(image.dc, font);
    std::vector<RECT> boxes;
    for (auto [text, top] : {std::pair{u"1:  30", kRadar.top + 1}, std::pair{u"trgs: 0", kRadar.top + 12}})
    {
        SIZE size{};
        ASSERT_TRUE(GetTextExtentPoint32W(image.dc, text, int(wcslen(text)), &size));
        boxes.push_back(RECT{kRadar.left + 1, top, kRadar.left + 3 + size.cx, top + size.cy});
    }
    SelectObject(image.dc, old);
    DeleteObject(font);
    auto texts = [&](float heading) {
        player->flight.heading = heading;
        image.drawRect(0, 0, 0, 240, 160, true);
        panel->drawRadar();
        std::vector<uint32_t> pixels;
        for (const RECT& r : boxes)
            for (int y = r.top; y < std::min(r.bottom, int(kRadar.bottom)); ++y)
                for (int x = r.left; x < r.right; ++x)
                    pixels.push_back(image.colorAt(x, y));
        return pixels;
    };
    const std::vector<uint32_t> clear = texts(2.4f);
    // The texts are there: some pixels of each box are not the background.
    EXPECT_GT(int(clear.size()) - int(std::count(clear.begin(), clear.end(), kBackground)), 40);
    int crossed = 0;
    for (int step = 0; step < 720; ++step)
    {
        const float heading = float(step) * 3.1415927f / 360.0f;
        // Where the north mark stands at this heading (its letter is about 8 x 11).
        const int nx = 49 - 2 - int(50 * tableSin(heading)), ny = 85 - 4 - int(50 * tableCos(heading));
        for (const RECT& r : boxes)
            crossed += nx + 8 > r.left && nx < r.right && ny + 11 > r.top && ny < r.bottom;
        ASSERT_EQ(texts(heading), clear) << "heading " << heading;
    }
    EXPECT_GT(crossed, 20) << "the north mark passes over the texts";

    player->flight.heading = 0.0f;
    image.drawRect(0, 0, 0, 240, 160, true);
    auto under = std::make_unique<Aircraft>(nullptr, nullptr, u"U", nullptr, false, false);
    under->place(-570.0f, 500.0f, 1290.0f, 0.0f, 0.0f); // (-19, 43) / 30 from the origin: under the count
    panel->addTarget(under.get());
    panel->drawRadar();
    EXPECT_GT(pixelsOf(kRed, boxes[1]), 4);
    const char* out = std::getenv("OS_OUT");
    EXPECT_TRUE(os::host::write_png(std::string(out ? out : ".") + "/console_radar_north.png", 240, 160, image.bits,
                                    image.stride, image.pixels));
}

TEST_F(ConsoleTest, AnAlertIsDrawnOnce)
{
    panel->setAlert(u"You fly too low, pitch up!");
    panel->drawMessage();
    const int area = (kAlert.right - kAlert.left) * (kAlert.bottom - kAlert.top);
    EXPECT_GT(area - pixelsOf(kBackground, kAlert), 20); // the text, in red shades
    int reddish = 0;
    for (int y = kAlert.top; y < kAlert.bottom; ++y)
        for (int x = kAlert.left; x < kAlert.right; ++x)
        {
            const uint32_t c = image.colorAt(x, y);
            reddish += c != kBackground && (c >> 16) > ((c >> 8) & 255) + 40;
        }
    EXPECT_GT(reddish, 10);
    EXPECT_TRUE(panel->alert().empty());
    panel->drawMessage();
    EXPECT_EQ(pixelsOf(kBackground, kAlert), area);
}

TEST_F(ConsoleTest, StationsShowLockedBarsAndTheSelectedStatus)
{
    setStates({0, 0, 3, 0, 1, 0, 0, 0});
    panel->nextStation();
    auto enemy = std::make_unique<Aircraft>(nullptr, nullptr, u"E", nullptr, false, false);
    enemy->place(200.0f, 500.0f, 600.0f, 0.0f, 0.0f);
    panel->addTarget(enemy.get());
    panel->drawStations();
    panel->drawRadar();
    panel->setAlert(u"Enemy launched AAM to you!");
    panel->drawMessage();
    const char* out = std::getenv("OS_OUT");
    EXPECT_TRUE(os::host::write_png(std::string(out ? out : ".") + "/console_panel.png", 240, 160, image.bits,
                                    image.stride, image.pixels));
    EXPECT_GT(pixelsOf(kRed, kStations), 10); // the locked station's bar
    auto bare = std::make_unique<ConsolePanel>(image.dc, kAlert, kRadar, kStations);
    image.drawRect(0, 0, 0, 240, 160, true);
    bare->drawStations(); // no player: nothing drawn
    EXPECT_EQ(pixelsOf(0, kStations), (kStations.right - kStations.left) * (kStations.bottom - kStations.top));
}

} // namespace console_cases
