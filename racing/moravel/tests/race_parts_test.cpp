// race_parts_test.cpp -- the pieces of the race screen at fixed states: the
// HUD line against its pixels, the camera presets, the bike collisions, the
// visible window of the road and walls, the checkpoint banners and the
// advertising boards (kinds, runs, sides, runs past the start line), the
// track map, the exhaust puffs and GAPI output from the settings
#include "racing/moravel/tests/race_fixture.h"

#include "racing/engine/model3d.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene3d.h"
#include "racing/framework/testing/scene_children.h"
#include "racing/engine/sprite.h"

#include "engine/platform/gapi_display.h"
#include "racing/framework/race_controls.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace moravel {
namespace {

using namespace race_test;

uint32_t pixelAt(const Image& image, int x, int y)
{
    return image.colorAt(x, y) & 0xFFFFFF;
}

// A colour as the image shows it (16-bit screens lose low bits).
uint32_t shown(Image& image, uint32_t colour)
{
    const uint32_t keep = pixelAt(image, 0, image.height - 1);
    image.drawRect(colour, 0, image.height - 1, 1, 1, true);
    const uint32_t out = pixelAt(image, 0, image.height - 1);
    image.drawRect(keep, 0, image.height - 1, 1, 1, true);
    return out;
}

std::vector<uint32_t> pixelsOf(const Image& image)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            out.push_back(pixelAt(image, x, y));
    return out;
}

// The HUD line at raceTime 75.5, two laps left past the third checkpoint,
// speed 100: yellow over a black shadow one pixel down and right, in the
// HUD font, exactly as the text drawn so by hand.
TEST(RaceHud, TheLineAtAFixedStateAgainstItsPixels)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    race.startLights();
    ASSERT_TRUE(page.running);
    race.app->raceTime = 75.5f;
    page.laps.lapsLeft = 2;
    page.laps.nextCheckpoint = 3;
    page.player->motion.speed = 100.0f;
    Image& screen = *race.screen();
    screen.drawRect(0x808080, 0, 0, screen.width, screen.height, true);
    page.drawHud(page.backBufferDC());
    const std::vector<uint32_t> drawn = pixelsOf(screen);

    screen.drawRect(0x808080, 0, 0, screen.width, screen.height, true);
    HDC dc = page.backBufferDC();
    HGDIOBJ old = SelectObject(dc, page.hudFont);
    SetBkMode(dc, TRANSPARENT);
    const std::u16string line = u"LAP:1.5 TM:01:15.5 V:126km";
    SetTextColor(dc, RGB(0, 0, 0));
    ExtTextOutW(dc, 5, 2, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
    SetTextColor(dc, RGB(255, 255, 0));
    ExtTextOutW(dc, 4, 1, 0, nullptr, line.c_str(), UINT(line.size()), nullptr);
    SelectObject(dc, old);
    EXPECT_EQ(drawn, pixelsOf(screen));

    int yellow = 0, black = 0, top = screen.height, left = screen.width;
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x)
        {
            const uint32_t p = drawn[size_t(y * screen.width + x)];
            if (p == pixelAt(screen, 0, 0))
                continue;
            yellow += (p >> 8 & 0xFF) > 200 && (p & 0xFF) < 80;
            black += p < 0x202020;
            top = std::min(top, y), left = std::min(left, x);
        }
    EXPECT_GT(yellow, 60);
    EXPECT_GT(black, 10); // the shadow shows where the yellow does not cover it
    EXPECT_GE(top, 1);
    EXPECT_GE(left, 4);
    EXPECT_LT(top, page.hudFontHeight);
}

TEST(RaceHud, NoLineBeforeTheLights)
{
    RaceFixture waiting(false);
    ASSERT_TRUE(waiting.prepare());
    Image& quiet = *waiting.screen();
    quiet.drawRect(0x808080, 0, 0, quiet.width, quiet.height, true);
    waiting.page->drawHud(waiting.page->backBufferDC());
    const uint32_t grey = shown(quiet, 0x808080);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < quiet.width; ++x)
            ASSERT_EQ(pixelAt(quiet, x, y), grey) << x << ", " << y;
}

// The paint of the player's bike (blue) in a frame: its pixel count and
// the centre of their box.
struct PaintSpot
{
    int count = 0;
    float x = 0.0f, y = 0.0f;
};

PaintSpot blueSpot(const Image& image)
{
    PaintSpot spot;
    int x0 = image.width, x1 = -1, y0 = image.height, y1 = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
        {
            const uint32_t p = pixelAt(image, x, y);
            const int r = int(p >> 16), g = int(p >> 8 & 255), b = int(p & 255);
            if (r < 60 && g < 110 && b > 150)
            {
                ++spot.count;
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
        }
    spot.x = float(x0 + x1) / 2.0f, spot.y = float(y0 + y1) / 2.0f;
    return spot;
}

// The presets of the keys F1..F8 as the follow camera takes them, and what
// a frame shows: the player's bike low in the middle, from behind, in front
// and far off.
TEST(RaceCameras, PresetsFollowThePlayersBike)
{
    struct Preset
    {
        int mode;
        float distance, smoothing, x, y, z;
    };
    const Preset table[8] = {
        {6, 25.0f, 70.0f, 0, 0.1f, -0.9f},     {6, 30.0f, 20.0f, 0, 0.1f, 0.8f},    {1, 30.0f, 20.0f, -0.7f, 0.1f, -0.8f},
        {1, 30.0f, 20.0f, 0.7f, 0.1f, -0.8f},  {1, 30.0f, 20.0f, -0.7f, 0.1f, 0.8f}, {1, 30.0f, 20.0f, 0.7f, 0.1f, 0.8f},
        {6, 30.0f, 20.0f, 0, 0.4f, -0.5f},     {0, 100.0f, 95.0f, 0, -0.1f, -0.9f},
    };
    // The oval without its boards (some are blue), the player's bike blue.
    std::string plain = tree().read("scenes/SB_Oval.properties");
    const size_t at = plain.find("scene.billboard=");
    plain.erase(at, plain.find('\n', at) + 1 - at);
    tree().write("scenes/SB_Plain.properties", plain);
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare(u"Plain", 0));
    RaceCanvas& page = *race.page;
    race.startLights();
    for (int p = 0; p < 8; ++p)
    {
        SCOPED_TRACE(p);
        // F1 + p released: the preset of the key.
        page.onKey(WM_KEYDOWN, VK_F1 + p);
        page.onKey(WM_KEYUP, VK_F1 + p);
        page.handleControls(0.0f);
        EXPECT_EQ(page.cameraPreset, p);
        const racing::Camera& camera = *page.camera;
        EXPECT_EQ(camera.followMode, table[p].mode);
        EXPECT_FLOAT_EQ(camera.distance, table[p].distance);
        EXPECT_FLOAT_EQ(camera.fov, 45.0f);
        Vector3 offset(table[p].x, table[p].y, table[p].z);
        offset.normalize();
        EXPECT_NEAR(camera.offset.x, offset.x, 1e-5f);
        EXPECT_NEAR(camera.offset.y, offset.y, 1e-5f);
        EXPECT_NEAR(camera.offset.z, offset.z, 1e-5f);
        EXPECT_EQ(camera.followed, &page.player->model->matrix);
    }
    // Frames of the bike standing on the grid.
    auto settle = [&](int preset) {
        page.setCameraPreset(preset);
        for (int i = 0; i < 240; ++i)
            race.frame(1.0f / 30.0f);
        page.renderScenes();
        return blueSpot(*race.screen());
    };
    const int w = race.screen()->width, h = race.screen()->height;
    const PaintSpot behind = settle(0), front = settle(1), far = settle(7);
    // The projection's centre is moved down: the bike stands in the middle
    // across and low on the picture, by the shift below the middle.
    EXPECT_EQ(page.projectionShift, int(0.75f * (244.0f / 320.0f * 165.0f)));
    for (const PaintSpot& spot : {behind, front})
    {
        EXPECT_GT(spot.count, 20);
        EXPECT_NEAR(spot.x, w / 2.0f, w * 0.1f);
        EXPECT_NEAR(spot.y, h / 2.0f + float(page.projectionShift), h * 0.1f);
    }
    // From a hundred units the bike is small.
    EXPECT_LT(far.count, behind.count / 2);
}

// Two bikes touching: the one behind takes the speed of the one ahead less
// 12, the one ahead gains 12 (the other way round while the player rides
// the wrong way); both react for a second. Hidden rivals never touch.
TEST(RaceCollisions, TheBikeBehindTakesTheSpeedOfTheOneAhead)
{
    struct Case
    {
        bool wrongWay;
        bool rivalVisible;
        float behindSpeed, aheadSpeed;
    };
    for (Case c : {Case{false, true, 68.0f, 92.0f}, Case{true, true, 92.0f, 68.0f}, Case{false, false, 50.0f, 80.0f}})
    {
        SCOPED_TRACE(c.wrongWay);
        RaceFixture race(false);
        ASSERT_TRUE(race.prepare());
        RaceCanvas& page = *race.page;
        DrawnBike& rival = page.bike(0);
        DrawnBike& player = page.playerBike();
        // The rival half a unit behind the player along the track.
        Vector3 back;
        page.track.direction(player.segment, back);
        back.normalize();
        rival.segment = player.segment;
        rival.motion.position.set(player.motion.position.x - 0.5f * back.x, player.motion.position.y,
                                  player.motion.position.z - 0.5f * back.z);
        rival.motion.speed = 50.0f;
        player.motion.speed = 80.0f;
        rival.visible = c.rivalVisible ? 1 : 0;
        page.raceTrack.wrongWay = c.wrongWay;
        page.resolveCollisions();
        EXPECT_FLOAT_EQ(rival.motion.speed, c.behindSpeed);
        EXPECT_FLOAT_EQ(player.motion.speed, c.aheadSpeed);
        EXPECT_FLOAT_EQ(rival.collisionTimer, c.rivalVisible ? 1.0f : 0.0f);
        EXPECT_FLOAT_EQ(player.collisionTimer, c.rivalVisible ? 1.0f : 0.0f);
    }
}

// The segment a road or wall face belongs to: its lower segment, or the
// last one for the faces that close the loop.
int faceSegment(const Face& f, int n)
{
    const int lo = std::min({f.a, f.b, f.c}) / 8, hi = std::max({f.a, f.b, f.c}) / 8;
    return lo == 0 && hi == n - 1 ? n - 1 : lo;
}

bool drawable(const Mesh& m, const Face& f)
{
    auto inside = [&](int i) {
        return m.rangeStart > m.rangeEnd ? !(i >= m.rangeEnd && i < m.rangeStart)
                                         : (i >= m.rangeStart && i < m.rangeEnd);
    };
    return inside(f.a) && inside(f.b) && inside(f.c);
}

// The road's window, and only it, is drawn of the road and the walls: the
// segments ahead and those behind (two, or more to reach the camera); around
// the start line the window wraps.
TEST(RaceWindow, TheRoadAndWallsDrawTheSegmentsOfTheWindow)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    const int n = page.track.segmentCount;
    ASSERT_EQ(n, 300);
    struct Case
    {
        int s;
        bool facingBack;
        int ahead, behind, first, last;
        bool inverted;
    };
    for (Case c : {Case{100, false, 40, 2, 98, 140, false}, Case{290, false, 40, 2, 30, 288, true},
                   Case{5, true, 40, 2, 7, 265, true}, Case{297, false, 40, 2, 37, 295, true},
                   Case{250, false, 40, 2, 248, 290, false}, Case{100, false, 297, 2, 0, 299, false},
                   Case{100, false, 40, 7, 93, 140, false}, Case{3, false, 40, 7, 43, 296, true},
                   Case{5, true, 40, 9, 14, 265, true}, Case{100, false, 40, 260, 0, 299, false}})
    {
        SCOPED_TRACE(c.s);
        page.roadWindow.update(c.s, c.facingBack, c.ahead, n, c.behind);
        EXPECT_EQ(page.roadWindow.first, c.first);
        EXPECT_EQ(page.roadWindow.last, c.last);
        EXPECT_EQ(page.roadWindow.inverted, c.inverted);
        page.applyVisibleWindow();
        for (const Mesh* mesh : {page.trackMesh, page.wallMesh})
        {
            ASSERT_TRUE(mesh->rangeEnabled);
            for (int i = 0; i < mesh->faceCount(); ++i)
            {
                const Face& f = *mesh->face(i);
                const int s = faceSegment(f, n);
                ASSERT_EQ(drawable(*mesh, f), page.roadWindow.contains(s)) << "segment " << s;
            }
        }
    }
}

// How far behind the player the road reaches: to the first centre point
// behind the camera's near plane, one more, at least two; looking back the
// same forward of the player. A straight track along +z, a point every 5.
TEST(RaceWindow, TheRoadBehindReachesTheCamera)
{
    std::vector<Vector3> points;
    for (int k = 0; k < 100; ++k)
        points.emplace_back(0.0f, 0.0f, 5.0f * float(k));
    struct Case
    {
        bool facingBack;
        float cameraZ;
        int behind;
    };
    // The player on segment 50 (z 250 to 255), the near plane at 10.
    for (Case c : {Case{false, 225.0f, 5}, Case{false, 240.0f, 2}, Case{false, 150.0f, 20}, Case{false, 250.0f, 2},
                   Case{true, 300.0f, 9}, Case{true, 262.0f, 2}, Case{false, -1000.0f, 100}})
    {
        SCOPED_TRACE(c.cameraZ);
        // The view's depth is z - cameraZ looking along +z, cameraZ - z
        // looking back.
        Matrix4 view;
        const float sign = c.facingBack ? -1.0f : 1.0f;
        view.m[0] = sign;
        view.m[10] = sign;
        view.m[11] = -sign * c.cameraZ;
        EXPECT_EQ(racing::segmentsBehindToCamera(points.data(), 100, 50, c.facingBack, view, 10.0f), c.behind);
    }
    EXPECT_EQ(racing::segmentsBehindToCamera(nullptr, 0, 0, false, Matrix4{}, 10.0f), 2);
}

TEST(RaceBoards, KindsByThePicturesShape)
{
    struct Case
    {
        int w, h, kind;
    };
    for (Case c : {Case{256, 32, 0}, Case{64, 16, 1}, Case{128, 32, 1}, Case{32, 64, 2}, Case{64, 64, 3}, Case{100, 30, 3},
                   Case{64, 0, 3}})
        EXPECT_EQ(boardKindOf(c.w, c.h), c.kind) << c.w << " x " << c.h;
}

using racing_test::childrenNamed;

// A banner at checkpoints 1 to 4 and at the start line (none at the fifth),
// each with its own texture and its own text.
TEST(RaceBoards, BannersAtTheCheckpointsAndTheStartLine)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    const std::vector<Group3D*> banners = childrenNamed(*page.mainScene, u"banner");
    ASSERT_EQ(banners.size(), 5u);
    const int at[5] = {55, 115, 175, 235, 1};
    std::set<const Texture*> textures;
    std::vector<std::vector<uint32_t>> pictures;
    for (size_t k = 0; k < 5; ++k)
    {
        SCOPED_TRACE(k);
        const Vector3& point = page.track.points[size_t(at[k])];
        EXPECT_NEAR(banners[k]->matrix.m[3], point.x, 1e-3f);
        EXPECT_NEAR(banners[k]->matrix.m[11], point.z, 1e-3f);
        EXPECT_GT(banners[k]->matrix.m[7], point.y); // raised to stand on the road
        const Material* board = banners[k]->findMaterial(u"board");
        ASSERT_NE(board, nullptr);
        ASSERT_NE(board->texture, nullptr);
        textures.insert(board->texture);
        pictures.push_back(pixelsOf(*board->texture->image));
        // Text on the banner's colour: more than one colour in the picture.
        std::set<uint32_t> colours(pictures.back().begin(), pictures.back().end());
        EXPECT_GT(colours.size(), 1u);
    }
    EXPECT_EQ(textures.size(), 5u);
    // "CHECK POINT 1" and "CHECK POINT 2" differ in their last letter only.
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[0], pictures[4]);
}

// The side of the track a board stands on: 0 on the side of vertex 2 of its
// segment, 1 on the side of vertex 5.
int sideOf(const RaceCanvas& page, const Billboard& board)
{
    const Vector3& centre = page.track.points[size_t(board.segment)];
    Vector3 edge;
    const Vertex* v = page.trackMesh->vertex(8 * board.segment + 2);
    edge.setFromFixed(v->x, v->y, v->z);
    const float bx = board.model->matrix.m[3] - centre.x, bz = board.model->matrix.m[11] - centre.z;
    return bx * (edge.x - centre.x) + bz * (edge.z - centre.z) > 0.0f ? 0 : 1;
}

// Runs of boards: a run of `repeat` every interval + repeat segments, its
// boards 4 segments apart for side-along pictures and 3 for vertical and
// square ones, past the start line near the end of the track; on the side
// the track names, or on alternate sides with the picture.
TEST(RaceBoards, RunsAlongTheTrack)
{
    const std::string oval = tree().read("scenes/SB_Oval.properties");
    struct Case
    {
        const char* record;
        std::vector<int> firstBoards; // t of the first boards
        int count;
        int side; // -1 alternate
    };
    const std::vector<Case> cases = {
        {"scene.billboard=side:left, interval:10, repeat:3, contents:(ad_long.jpg)\n", {0, 4, 8, 13, 17, 21}, 69, 0},
        {"scene.billboard=side:right, interval:10, repeat:3, contents:( ad_square.jpg )\n", {0, 3, 6, 13, 16, 19}, 69, 1},
        {"scene.billboard=interval:10, repeat:3, contents:(ad_tall.jpg; ad_square.jpg)\n", {0, 3, 6, 13, 16, 19}, 69, -1},
        // A run every 4 segments: the last runs reach past the start line.
        {"scene.billboard=side:left, interval:1, repeat:3, contents:(ad_long.jpg)\n", {0, 4, 8, 4, 8, 12}, 225, 0},
        {"scene.billboard=side:left, interval:0, repeat:0, contents:(ad_long.jpg)\n", {}, 0, 0},
        {"scene.billboard=side:left, interval:10, repeat:3, contents:()\n", {}, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.record);
        std::string track = oval;
        const size_t at = track.find("scene.billboard=");
        track.erase(at, track.find('\n', at) + 1 - at);
        tree().write("scenes/SB_Boards.properties", track + c.record);
        RaceFixture race(false);
        ASSERT_TRUE(race.prepare(u"Boards"));
        RaceCanvas& page = *race.page;
        const int n = page.track.segmentCount;
        ASSERT_EQ(int(page.billboards.size()), c.count);
        for (size_t k = 0; k < c.firstBoards.size(); ++k)
            EXPECT_EQ(page.billboards[k].segment, c.firstBoards[k]) << k;
        for (size_t k = 0; k < page.billboards.size(); ++k)
        {
            const Billboard& b = page.billboards[k];
            ASSERT_GE(b.segment, 0);
            ASSERT_LT(b.segment, n);
            const int expected = c.side >= 0 ? c.side : int(k / 3) % 2;
            EXPECT_EQ(sideOf(page, b), expected) << "board " << k << " at " << b.segment;
        }
        if (c.count == 225)
        {
            // The run that starts at 296: 296, then 300 and 304 round the loop.
            const Billboard* last = &page.billboards.back();
            EXPECT_EQ(last[-2].segment, 296);
            EXPECT_EQ(last[-1].segment, 0);
            EXPECT_EQ(last[0].segment, 4);
        }
        // Boards outside the window are hidden once the player moves.
        page.updateVisibleWindow();
        for (const Billboard& b : page.billboards)
            ASSERT_EQ(b.model->visible != 0, page.window.contains(b.segment)) << b.segment;
    }
}

// The map of a track of 205 points: 20 map points from every tenth, the
// larger range (x here) over 80 % of the rectangle's height, world (0, 0)
// at its centre with z upward; the player's square drawn last, in red.
TEST(TrackMapTest, EveryTenthPointScaledIntoItsRectangle)
{
    std::vector<Vector3> points(205, Vector3(1000.0f, 0.0f, 1000.0f)); // ignored but every tenth
    for (int k = 0; k < 20; ++k)
        points[size_t(10 * k)].set(k % 2 ? 100.0f : -100.0f, 0.0f, k < 10 ? 50.0f : -50.0f);
    points[30].set(20.0f, 0.0f, 10.0f);
    RECT rect{100, 60, 156, 116};
    racing::TrackMap map(rect, 205, points.data(), true);
    EXPECT_EQ(map.count, 20);
    EXPECT_FLOAT_EQ(map.scale, 56.0f * 0.8f / 200.0f);
    ASSERT_EQ(map.mapPoints.size(), 21u);
    EXPECT_EQ(map.mapPoints[0].x, 128 + int(0.224f * -100.0f));
    EXPECT_EQ(map.mapPoints[0].y, 88 - int(0.224f * 50.0f));
    EXPECT_EQ(map.mapPoints[3].x, 128 + int(map.scale * 20.0f));
    EXPECT_EQ(map.mapPoints[3].y, 88 - int(map.scale * 10.0f));
    EXPECT_EQ(map.mapPoints[20].x, map.mapPoints[0].x);
    EXPECT_EQ(map.mapPoints[20].y, map.mapPoints[0].y);

    // Drawn on a page: the player registered first is drawn last.
    RaceFixture race(false);
    race.page->move(0, 0, 176, 234);
    Image& screen = *race.screen();
    screen.drawRect(0, 0, 0, screen.width, screen.height, true);
    racing::RaceTrack track;
    Motorbike player(&track, true), rival(&track, false);
    player.motion.position.set(0.0f, 0.0f, -80.0f); // at (128, 105), clear of the lines
    rival.motion.position.set(0.0f, 0.0f, -80.0f);
    map.addRacer(&player.motion, player.isPlayer != 0);
    map.addRacer(&rival.motion, rival.isPlayer != 0);
    map.draw(race.page->backBufferDC());
    EXPECT_EQ(pixelAt(screen, 126, 103), shown(screen, 0xFF0000)); // the square's corner, (x - 2, y - 2)
    EXPECT_EQ(pixelAt(screen, 128, 105), 0u);                      // outlines only
    EXPECT_EQ(pixelAt(screen, map.mapPoints[0].x - 2, map.mapPoints[0].y), shown(screen, 0xFFFFFF)); // the start
}

// A puff launched at 100 units a second keeps 0.3 of it and rises; its
// chip fades toward 200 and is hidden when its 0.4 s are over.
TEST(ExhaustPuffTest, RisesFadesAndStopsAfterItsLife)
{
    racing::Chip3D chip(1.0f, 1.0f, 1.0f, 2, nullptr, nullptr);
    ExhaustPuff puff;
    puff.setObject(&chip, chip.getMaterial());
    Matrix4 from;
    from.setTranslation(Vector3(1.0f, 2.0f, 3.0f));
    puff.launch(100.0f, from);
    EXPECT_EQ(chip.visible, 1);
    EXPECT_FLOAT_EQ(puff.base.speed, 30.0f);
    EXPECT_FLOAT_EQ(puff.base.gravity, -2.5f);
    puff.update(0.2f);
    EXPECT_TRUE(puff.active);
    EXPECT_GT(chip.matrix.m[7], 2.0f);            // risen
    EXPECT_NEAR(chip.matrix.m[11], 3.0f + 6.0f, 1e-4f); // 30 units a second along z
    EXPECT_GE(chip.getMaterial()->transparency, 99);
    EXPECT_LE(chip.getMaterial()->transparency, 100);
    puff.update(0.2f); // age 0.4: over
    EXPECT_FALSE(puff.active);
    EXPECT_EQ(chip.visible, 0);
}

// A bike above half its top speed puffs from both exhausts on a track with
// fume; its puffs are hidden with it outside the window.
TEST(ExhaustPuffTest, FastBikesPuffFromBothExhausts)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    ASSERT_TRUE(page.raceTrack.hasFume);
    race.startLights();
    DrawnBike& player = page.playerBike();
    auto visiblePuffs = [](const DrawnBike& bike, int exhaust) {
        int n = 0;
        for (const ExhaustPuff& p : bike.fume.puffs[exhaust])
            n += p.object && p.object->visible;
        return n;
    };
    // (Down a slope at this speed the bike leaves the ground now and then:
    // no puffs while it falls.)
    for (int i = 0; i < 30; ++i)
    {
        player.motion.speed = 100.0f;
        race.frame(0.03f);
    }
    EXPECT_GE(visiblePuffs(player, 0), 1);
    EXPECT_GE(visiblePuffs(player, 1), 1);
    // Slow: no new puffs, the old ones end within their 0.4 s.
    for (int i = 0; i < 20; ++i)
    {
        player.motion.speed = 20.0f;
        race.frame(0.03f);
    }
    EXPECT_EQ(visiblePuffs(player, 0) + visiblePuffs(player, 1), 0);
}

// The race opens GAPI's input: the device's A and Start buttons give
// throttle, B and C brake, as the arrows do; in the turned layouts the
// arrows turn with the screen and the buttons stay the pedals.
TEST(RaceControls, TheDevicesButtonsAreThePedals)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    ASSERT_TRUE(GapiDisplay::isInputOpen());
    race.startLights();
    race.frame(0.0f); // the bikes stand on the road
    DrawnBike& bike = page.playerBike();
    struct Case
    {
        int key;
        bool throttle;
    };
    for (Case c : {Case{GapiDisplay::getKeyA(), true}, Case{GapiDisplay::keyStart(), true},
                   Case{GapiDisplay::getKeyB(), false}, Case{GapiDisplay::getKeyC(), false}})
    {
        SCOPED_TRACE(c.key);
        bike.motion.speed = 50.0f;
        page.onKey(WM_KEYDOWN, c.key);
        page.handleControls(0.1f);
        page.onKey(WM_KEYUP, c.key);
        EXPECT_FLOAT_EQ(bike.speed(), c.throttle ? 56.0f : 46.0f);
    }
    // Turned layouts: the keys by their bits.
    struct Turned
    {
        int orientation;
        uint32_t keys;
        int steering;
        racing::Pedal pedal;
    };
    for (Turned t : {Turned{1, 1, 1, racing::Pedal::None}, Turned{1, 2, 0, racing::Pedal::None},
                     Turned{1, 4, 2, racing::Pedal::Throttle}, Turned{1, 8, 2, racing::Pedal::Brake},
                     Turned{2, 1, 0, racing::Pedal::None}, Turned{2, 2, 1, racing::Pedal::None},
                     Turned{2, 8, 2, racing::Pedal::Throttle}, Turned{2, 4, 2, racing::Pedal::Brake},
                     Turned{2, 0x2000, 2, racing::Pedal::Throttle}, Turned{1, 0x8000, 2, racing::Pedal::Brake},
                     Turned{0, 4 | 1, 0, racing::Pedal::Throttle}, Turned{0, 8 | 0x4000, 1, racing::Pedal::Brake}})
    {
        SCOPED_TRACE(t.orientation * 100000 + int(t.keys));
        const racing::RaceKeys held = racing::raceKeys(t.keys, t.orientation);
        EXPECT_EQ(held.steering, t.steering);
        EXPECT_EQ(held.pedal, t.pedal);
    }
}

// The turned layouts (1 counter-clockwise, 2 clockwise): lengths for a page
// 240 wide, the camera's centre moved sideways instead of down, the GUI
// scenes and the 3D scene turned, the sky picture turned, the map and the
// buttons in the layout's corners.
TEST(RaceLayouts, TheTurnedLayoutsTurnTheirPieces)
{
    for (int o : {1, 2})
    {
        SCOPED_TRACE(o);
        RaceFixture race(false);
        race.page->orientation = o;
        ASSERT_TRUE(race.prepare());
        RaceCanvas& page = *race.page;
        const int w = page.getClientWidth(), h = page.getClientHeight();
        ASSERT_EQ(w, 240);
        EXPECT_FLOAT_EQ(page.screenScale, 1.0f);
        const int k = int(float(h) / 320.0f * 165.0f);
        EXPECT_EQ(page.projectionShift, k);
        EXPECT_EQ(page.camera->halfHeight, h / 2);
        EXPECT_EQ(page.camera->halfWidth, w / 2 - (2 * o - 3) * k);
        EXPECT_EQ(page.guiScene->getTarget()->orientation, o);
        EXPECT_EQ(page.mainScene->renderer.getTarget()->orientation, o);
        EXPECT_EQ(page.sky.placement.orientation, o);
        ASSERT_TRUE(page.skyTexture && page.skyTexture->image);
        EXPECT_GT(page.skyTexture->image->height, page.skyTexture->image->width); // turned
        EXPECT_EQ(page.trackMap->centreX, o == 1 ? w - 28 : 28);
        EXPECT_EQ(page.trackMap->centreY, 28);
        racing::Sprite* fps = page.guiScene->findChild(u"fpsButton");
        ASSERT_NE(fps, nullptr);
        EXPECT_EQ(fps->x, o == 1 ? w - fps->width : 0);
    }
}

// GAPI output only when the settings check it; closed with the page.
TEST(RaceCanvasGapi, OutputFollowsTheSettings)
{
    const std::string settings = tree().read("GUI/gsetting.properties");
    for (const char* entry : {"chkGAPIVideo=status:1\n", "chkGAPIVideo=status:0\n", ""})
    {
        SCOPED_TRACE(entry);
        tree().write("GUI/gsetting.properties", "strSensitivity=GUIType:checkboxGroup, selected:1\n" + std::string(entry));
        {
            RaceFixture race(false);
            ASSERT_TRUE(race.prepare());
            EXPECT_EQ(GapiDisplay::isDisplayOpen(), std::string(entry).find("status:1") != std::string::npos);
        }
        EXPECT_FALSE(GapiDisplay::isDisplayOpen());
    }
    tree().write("GUI/gsetting.properties", settings);
}

} // namespace
} // namespace moravel

namespace moravel {
namespace {

using namespace race_test;

// Every bike has its lower level (beyond 90 units) in its own paint and
// lifted like the model; the scene holds each bike's model, shadow and
// puffs under their names.
TEST(RaceBikes, TheLowerLevelWearsThePaintAndTheLift)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    for (const char16_t* name : {u"myvehicle", u"myvehicleShadow", u"myFume0", u"myFume3", u"rival0vehicle",
                                 u"rival1vehicleShadow", u"rival1Fume2"})
        EXPECT_FALSE(childrenNamed(*page.mainScene, name).empty()) << racing::toAscii(name);
    EXPECT_EQ(childrenNamed(*page.mainScene, u"myFume1").size(), 2u); // one puff of each exhaust
    std::set<const Material*> paints;
    for (size_t i = 0; i < page.racers.size(); ++i)
    {
        const DrawnBike* bike = &page.bike(i);
        const Group3D& model = *bike->model;
        ASSERT_NE(model.levels, nullptr);
        EXPECT_EQ(model.levelCount, 1);
        EXPECT_FLOAT_EQ(model.levelDistance, 90.0f);
        const Mesh* body = model.findObject(u"body");
        const Mesh* low = model.findLevelObject(0, u"body");
        ASSERT_TRUE(body && low);
        EXPECT_EQ(low->material, body->material);
        EXPECT_EQ(model.findLevelObject(0, u"racer")->material, model.findMaterial(u"racer"));
        EXPECT_GT(bike->lift, 0.0f);
        EXPECT_FLOAT_EQ(body->matrix.m[7], bike->lift);
        EXPECT_FLOAT_EQ(low->matrix.m[7], bike->lift);
        paints.insert(body->material);
    }
    EXPECT_EQ(paints.size(), 3u);
}

// The shadow under the player's bike darkens the road in a frame (the road
// drawn back under the camera does not cover it).
TEST(RaceBikes, TheShadowDarkensTheRoadUnderTheBike)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    page.setCameraPreset(0);
    for (int i = 0; i < 240; ++i)
        race.frame(1.0f / 30.0f);
    page.player->fume.hide();
    // The road behind the player is drawn back past the camera's near plane.
    const int n = page.track.segmentCount;
    int back = page.player->segment;
    while (back > page.player->segment - n && page.roadWindow.contains((back - 1 + n) % n))
        --back;
    const Vector3& from = page.track.points[size_t((back + n) % n)];
    const Matrix4& view = page.camera->getViewMatrix();
    EXPECT_LT(view.m[8] * from.x + view.m[9] * from.y + view.m[10] * from.z + view.m[11],
              page.mainScene->environment.frontClip);
    page.renderScenes();
    const std::vector<uint32_t> shaded = pixelsOf(*race.screen());
    page.player->shadow->visible = 0;
    page.renderScenes();
    const std::vector<uint32_t> bare = pixelsOf(*race.screen());
    int darker = 0, lighter = 0;
    auto sum = [](uint32_t p) { return int(p >> 16) + int(p >> 8 & 255) + int(p & 255); };
    for (size_t i = 0; i < bare.size(); ++i)
    {
        darker += sum(shaded[i]) + 30 < sum(bare[i]);
        lighter += sum(shaded[i]) > sum(bare[i]) + 30;
    }
    EXPECT_GT(darker, 40);
    EXPECT_EQ(lighter, 0);
}

// The exit button ends the race only once it runs; then the program goes
// back to the intro. The frame-rate button toggles the frame-rate display.
TEST(RaceCanvas, TheButtonsOfThePage)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    racing::Sprite* exit = page.guiScene->findChild(u"btnExitRacing");
    racing::Sprite* fps = page.guiScene->findChild(u"fpsButton");
    ASSERT_TRUE(exit && fps);
    EXPECT_EQ(exit->x + exit->width, page.getClientWidth()); // top right
    EXPECT_EQ(exit->y, 0);
    // The template puts the frame-rate button bottom left, clear of the HUD.
    EXPECT_EQ(fps->x, 0);
    EXPECT_LE(fps->y + fps->height, page.getClientHeight());
    EXPECT_GT(fps->y, page.getClientHeight() - 2 * fps->height);
    auto tap = [&](const racing::Sprite& button) {
        const int x = button.x + button.width / 2, y = button.y + button.height / 2;
        for (UINT message : {UINT(WM_LBUTTONDOWN), UINT(WM_LBUTTONUP)})
            for (int phase : {0, 1})
                page.onMouse(message, 0, x, y, phase);
    };
    tap(*exit);
    page.onPeriod(1.0f);
    tap(*exit);
    EXPECT_TRUE(race.restartedWith.empty()); // during the start lights
    tap(*fps);
    MSG message;
    while (PeekMessageW(&message, page.getHandle(), 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    page.handleControls(0.0f);
    EXPECT_TRUE(page.showFrameRate);
    race.startLights();
    ASSERT_TRUE(page.running);
    tap(*exit);
    EXPECT_EQ(race.restartedWith, u"ARG:intro");
}

// Riding against the track shows the wrong-way label on the next period.
TEST(RaceCanvas, TheWrongWayLabelShowsOnThePeriod)
{
    RaceFixture race(false);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    race.startLights();
    ASSERT_NE(page.wrongWaySprite, nullptr);
    EXPECT_EQ(page.wrongWaySprite->visible, 0);
    Quaternion halfTurn;
    halfTurn.set(0.0f, 1.0f, 0.0f, 0.0f);
    racing::turnInFront(page.player->motion.orientation, halfTurn);
    race.frame(0.03f);
    EXPECT_TRUE(page.raceTrack.wrongWay);
    EXPECT_EQ(page.wrongWaySprite->visible, 0); // not before the period
    page.onPeriod(2.0f);
    EXPECT_EQ(page.wrongWaySprite->visible, 1);
    racing::turnInFront(page.player->motion.orientation, halfTurn);
    race.frame(0.03f);
    page.onPeriod(2.0f);
    EXPECT_EQ(page.wrongWaySprite->visible, 0);
}

// The frame rate (when shown) and [DEMO] (in an exercise) are white texts in
// the HUD font drawn on every frame, the rate the figure of the last
// measuring window (summed once a window). At (28, 2) and (width - 56, 4)
// they would lie on the HUD line and on EXIT: the rate stands below the HUD
// line, [DEMO] below EXIT, exactly as drawn so by hand.
TEST(RaceHud, TheFrameRateAndDemoLabelsOnEveryFrame)
{
    RaceFixture race(true);
    ASSERT_TRUE(race.prepare());
    RaceCanvas& page = *race.page;
    race.startLights();
    page.showFrameRate = true;
    const racing::Sprite* exit = page.guiScene->findChild(u"btnExitRacing");
    ASSERT_NE(exit, nullptr);
    Image& screen = *race.screen();
    HDC dc = page.backBufferDC();
    const int w = page.getClientWidth();
    auto byHand = [&](const char16_t* rate, int rateTop, int demoTop) {
        screen.drawRect(0x808080, 0, 0, screen.width, screen.height, true);
        HGDIOBJ old = SelectObject(dc, page.hudFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        if (rate)
            ExtTextOutW(dc, 28, rateTop, 0, nullptr, rate, UINT(std::char_traits<char16_t>::length(rate)), nullptr);
        ExtTextOutW(dc, w - 56, demoTop, 0, nullptr, u"[DEMO]", 6, nullptr);
        SelectObject(dc, old);
        return pixelsOf(screen);
    };
    auto labels = [&] {
        screen.drawRect(0x808080, 0, 0, screen.width, screen.height, true);
        page.drawFrameRate(dc);
        return pixelsOf(screen);
    };
    SIZE cell{};
    HGDIOBJ old = SelectObject(dc, page.hudFont);
    GetTextExtentPoint32W(dc, u"0", 1, &cell);
    SelectObject(dc, old);
    const int belowHud = 2 + int(cell.cy), belowExit = exit->y + exit->height;
    ASSERT_GT(belowExit, belowHud); // EXIT reaches lower than the HUD line

    // Before any window has closed with a figure: [DEMO] alone.
    page.frameRateShown = -1.0f;
    EXPECT_EQ(labels(), byHand(nullptr, 0, belowExit));
    // A window closes at 47.6 frames a second: summed once, then shown on
    // every frame until the next closes.
    const int count = page.frameRateCount;
    const float sum = page.frameRateSum;
    page.frameTimer.fpsExact = 47.6f;
    page.onPeriod(2.0f);
    EXPECT_EQ(page.frameRateCount, count + 1);
    EXPECT_FLOAT_EQ(page.frameRateSum, sum + 47.6f);
    const std::vector<uint32_t> expected = byHand(u"47.6", belowHud, belowExit);
    for (int frame = 0; frame < 3; ++frame)
    {
        EXPECT_EQ(labels(), expected) << frame;
        race.frame(0.03f);
    }
    EXPECT_EQ(page.frameRateCount, count + 1);
    // Off, the rate goes and [DEMO] stays.
    page.showFrameRate = false;
    EXPECT_EQ(labels(), byHand(nullptr, 0, belowExit));
}

} // namespace
} // namespace moravel
