// race_banners_test.cpp -- the motorbike race's banners and boards: facing
// the racers that come, upright, and the start banner's text read from the
// grid, on the superbike and the motocross track.
#include "racing/moravel/tests/race_fixture.h"

#include "racing/framework/testing/board_view.h"
#include "racing/framework/testing/scene_children.h"

#include <ostream>
#include <string>
#include <vector>

namespace moravel {
namespace {

using namespace race_test;
using racing_test::boardAxis;
using racing_test::childrenNamed;

struct Track
{
    const char* name;
    int mode;
    std::vector<std::u16string> paints;
    const char16_t* track;
};

void PrintTo(const Track& t, std::ostream* os)
{
    *os << t.name;
}

class RaceBanners : public ::testing::TestWithParam<Track>
{
protected:
    RaceBanners() : race(false, GetParam().mode) {}

    void SetUp() override { ASSERT_TRUE(race.page->prepareRace(GetParam().paints, {GetParam().track}, 0, 0, u"Bob:")); }

    // The level direction from segment s back to the racers that come.
    Vector3 backward(int s) const
    {
        const auto& points = race.page->track.points;
        const int n = int(points.size());
        Vector3 d;
        d.setDifference(points[size_t(s)], points[size_t((s + 1) % n)]);
        d.y = 0.0f;
        d.normalize();
        return d;
    }

    RaceFixture race;
};

// Every banner faces back along the track's level direction at its segment
// and stands upright, its text's baseline level: on the superbike oval the
// start line lies on a straight that runs exactly against the banner
// model's own facing, where the shortest turn between the two is no turn at
// all and the banner stood with its back to the racers. Boards beside the
// road are turned about the vertical only, from one of their own facings.
TEST_P(RaceBanners, FaceTheRacersThatComeUpright)
{
    RaceCanvas& page = *race.page;
    const int n = page.track.segmentCount;
    const std::vector<Group3D*> banners = childrenNamed(*page.mainScene, u"banner");
    ASSERT_EQ(banners.size(), 5u);
    const int at[5] = {0, 1, 2, 3, 5};
    for (size_t i = 0; i < banners.size(); ++i)
    {
        SCOPED_TRACE(i);
        const int s = ((page.track.checkpoints[at[i]] % n) + n) % n;
        const Vector3 d = backward(s);
        EXPECT_GT(boardAxis(*banners[i], Vector3(0.0f, 0.0f, 1.0f)).dot(d), 0.999f) << "facing the racers";
        EXPECT_GT(boardAxis(*banners[i], Vector3(0.0f, 1.0f, 0.0f)).y, 0.999f) << "upright";
        EXPECT_NEAR(boardAxis(*banners[i], Vector3(1.0f, 0.0f, 0.0f)).y, 0.0f, 1e-3f) << "a level baseline";
    }
    ASSERT_FALSE(page.billboards.empty());
    for (const racing::TrackBoard& board : page.billboards)
    {
        SCOPED_TRACE(board.segment);
        EXPECT_GT(boardAxis(*board.model, Vector3(0.0f, 1.0f, 0.0f)).y, 0.999f) << "upright";
        const Vector3 d = backward(board.segment);
        bool along = false;
        for (Vector3 facing : {Vector3(0.0f, 0.0f, 1.0f), Vector3(0.4f, 0.0f, 0.4f), Vector3(-0.4f, 0.0f, 0.4f)})
        {
            facing.normalize();
            along = along || boardAxis(*board.model, facing).dot(d) > 0.999f;
        }
        EXPECT_TRUE(along);
    }
}

// From the grid, before the lights, the start banner's picture lies on the
// screen as its letters read: its columns from left to right along the
// rows, its rows from top to bottom. A banner with its back to the grid
// showed its text as horizontal streaks (the model's back carried the
// picture turned a quarter then).
TEST_P(RaceBanners, TheStartBannerReadsFromTheGrid)
{
    // Two seconds before the lights, as the program shows them.
    for (int i = 0; i < 60; ++i)
        race.frame(1.0f / 30.0f);
    EXPECT_TRUE(racing_test::startBannerReadsUpright(*race.page));
}

// The banner turned about its upright to show its back to the grid reads
// from there as its front does: the model's back once carried the picture
// turned a quarter, its columns down the panel, and showed the text as
// horizontal streaks to a racer behind it.
TEST_P(RaceBanners, TheStartBannerReadsFromBehindToo)
{
    for (int i = 0; i < 60; ++i)
        race.frame(1.0f / 30.0f);
    const std::vector<Group3D*> banners = childrenNamed(*race.page->mainScene, u"banner");
    ASSERT_EQ(banners.size(), 5u);
    Group3D& start = *banners[4];
    Matrix4 turn;
    turn.setIdentity();
    turn.rotY(3.14159265f);
    Matrix4 turned;
    turned.setProduct(start.matrix, turn);
    start.matrix.copyFrom(turned);
    const int n = race.page->track.segmentCount;
    const int s = ((race.page->track.checkpoints[5] % n) + n) % n;
    EXPECT_GT(racing_test::boardAxis(start, Vector3(0.0f, 0.0f, -1.0f)).dot(backward(s)), 0.999f)
        << "its back to the racers that come";
    EXPECT_TRUE(racing_test::readsUpright(racing_test::pictureOnScreen(*race.page, start)));
}

INSTANTIATE_TEST_SUITE_P(Tracks, RaceBanners,
                         ::testing::Values(Track{"superbike", 0, {u"SBPaint_Blue", u"SBPaint_Red"}, u"Oval"},
                                           Track{"motocross", 1, {u"CBPaint_Green", u"CBPaint_Orange"}, u"Dunes"}),
                         [](const ::testing::TestParamInfo<Track>& info) { return std::string(info.param.name); });

} // namespace
} // namespace moravel
