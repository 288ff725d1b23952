// showcase_run_test.cpp -- the platform showcase run as a real program
//
// The showcase (tests/showcase) is started from the build's device tree with
// an input script, headless or in a real SDL window under xvfb-run. Its
// screenshots are read back and looked at where the pictures are drawn, and
// the chime is checked in the mixer's recording.
#include "engine/platform/tests/showcase/showcase_content.h"

#include "os/testing/host.h"
#include "os/testing/program_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace showcase;
using os::host::Picture;

namespace {

std::string programPath()
{
    return os::testing::built_device_root() + "/Program Files/Platform Showcase/PlatformShowcase";
}

// One run's output folder (screenshots, the recorded mix) and script.
struct ShowcaseRun
{
    os::testing::ScratchFolder folder{"showcase"};
    std::string out = folder.path;

    bool scripted = true;

    // An empty script stands for none.
    explicit ShowcaseRun(const std::string& script) : scripted(!script.empty())
    {
        std::ofstream(out + "/input.txt") << script;
    }

    // Starts the program (behind `prefix`, e.g. xvfb-run) and waits for it.
    int start(const std::vector<std::string>& prefix, const std::vector<std::string>& env, const char* arguments) const
    {
        std::vector<std::string> set = {"OS_DEVICE_ROOT=" + os::testing::built_device_root(), "OS_OUT=" + out};
        if (scripted)
            set.push_back("OS_SCRIPT=" + out + "/input.txt");
        set.insert(set.end(), env.begin(), env.end());
        std::vector<std::string> args = prefix;
        args.push_back(programPath());
        if (*arguments)
            args.push_back(arguments);
        return os::testing::run_and_wait(args, set, {"OS_SCRIPT"});
    }

    Picture shot(const std::string& name) const
    {
        Picture picture;
        EXPECT_TRUE(os::host::read_png(out + "/" + name + ".png", picture)) << "no screenshot " << name;
        return picture;
    }
};

int channel(uint32_t c, int shift)
{
    return int(c >> shift & 0xFF);
}

// The largest channel difference.
int distance(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int shift : {0, 8, 16})
        d = std::max(d, std::abs(channel(a, shift) - channel(b, shift)));
    return d;
}

struct Spot
{
    int x, y;
    uint32_t colour;
    int tolerance; // JPEG pictures are not exact
    const char* what;
};

std::vector<Spot> quadrantSpots(const Quadrants& q, int x, int y, int scale, int tolerance, const char* what)
{
    int w = Quadrants::kWidth * scale, h = Quadrants::kHeight * scale;
    std::vector<Spot> spots;
    for (auto [fx, fy] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}})
        spots.push_back({x + w * fx / 4, y + h * fy / 4, q.at(Quadrants::kWidth * fx / 4, Quadrants::kHeight * fy / 4),
                         tolerance, what});
    return spots;
}

// Places that show the pictures (and the background through the badge).
std::vector<Spot> pictureSpots()
{
    std::vector<Spot> spots = quadrantSpots(kJpegPicture, kJpegX, kJpegY, 1, 12, "the JPEG");
    for (auto& list : {quadrantSpots(kBmpPicture, kBmpX, kBmpY, 1, 0, "the BMP"),
                       quadrantSpots(kBmpPicture, kScaledX, kScaledY, 2, 0, "the stretched BMP")})
        spots.insert(spots.end(), list.begin(), list.end());
    int mid = kBadgeSide / 2;
    spots.push_back({kBadgeX + mid, kBadgeY + mid, kBadgeGold, 0, "the badge's gold"});
    spots.push_back({kBadgeX + 15, kBadgeY + mid, kBadgeRim, 0, "the badge's rim"});
    spots.push_back({kBadgeX + 4, kBadgeY + 4, kBackground, 0, "the background through the badge's transparent corner"});
    spots.push_back({5, 5, kBackground, 0, "the background"});
    return spots;
}

void expectSpots(const Picture& picture, const std::vector<Spot>& spots, const char* shot)
{
    ASSERT_EQ(picture.width, 240);
    ASSERT_EQ(picture.height, 320);
    for (const Spot& s : spots)
        EXPECT_LE(distance(picture.at(s.x, s.y), os::host::shown_in_rgb565(s.colour)), s.tolerance)
            << shot << ": " << s.what << " at " << s.x << "," << s.y << ": expected 0x" << std::hex << os::host::shown_in_rgb565(s.colour)
            << ", got 0x" << picture.at(s.x, s.y);
}

uint32_t lightAt(const Picture& picture)
{
    return picture.at(kLightX + kLightSide / 2, kLightY + kLightSide / 2);
}

// The recorded mix: interleaved 16-bit stereo frames at 44100 Hz.
std::vector<int16_t> readMix(const std::string& path, int& rate)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44)
        return {};
    rate = int(bytes[24] | bytes[25] << 8 | bytes[26] << 16 | uint32_t(bytes[27]) << 24);
    std::vector<int16_t> samples((bytes.size() - 44) / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(bytes[44 + 2 * i] | bytes[45 + 2 * i] << 8);
    return samples;
}

const char kScript[] = "wait 200\nshot playing\n"
                       "wait 400\nshot done\n"
                       "wait 600\nshot fade1\n"
                       "wait 300\nshot fade2\n"
                       "wait 800\nshot faded\n";

class Showcase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(programPath()))
            GTEST_SKIP() << "the showcase is not built: " << programPath();
    }
};

} // namespace

// Through GDI and through GAPI's display memory the pictures look the same.
TEST_F(Showcase, ShowsThePicturesPlaysTheChimeAndFades)
{
    for (const char* arguments : {"", "gapi"})
    {
        SCOPED_TRACE(*arguments ? "presented through GAPI" : "presented through GDI");
        ShowcaseRun run(kScript);
        ASSERT_EQ(run.start({}, {"OS_BACKEND=headless", "OS_SCREEN=240x320x16"}, arguments), 0);
        Picture playing = run.shot("playing"), done = run.shot("done");
        expectSpots(playing, pictureSpots(), "while the chime plays");
        EXPECT_EQ(lightAt(playing), os::host::shown_in_rgb565(kLightPlaying)) << "the sound light shows the chime playing";
        expectSpots(done, pictureSpots(), "after the chime, before the fade");
        EXPECT_EQ(lightAt(done), os::host::shown_in_rgb565(kLightDone)) << "the chime's completion reached the window";

        // Every place moves towards the fade colour, and reaches it.
        std::vector<Picture> fading = {playing, run.shot("fade1"), run.shot("fade2")};
        Picture faded = run.shot("faded");
        for (const Spot& s : pictureSpots())
        {
            for (size_t i = 1; i < fading.size(); ++i)
                EXPECT_LT(distance(fading[i].at(s.x, s.y), os::host::shown_in_rgb565(kFadeColour)),
                          distance(fading[i - 1].at(s.x, s.y), os::host::shown_in_rgb565(kFadeColour)))
                    << s.what << " does not come closer to the fade colour in step " << i;
            EXPECT_EQ(faded.at(s.x, s.y), os::host::shown_in_rgb565(kFadeColour)) << s.what << " once the fade is over";
        }
        uint32_t white = fading[2].at(kBmpX + 72, kBmpY + 48);
        EXPECT_LT(channel(white, 8), 0xF0) << "the BMP's white quadrant darkens";
    }
}

TEST_F(Showcase, TheChimeIsHeardWholeAtItsPitch)
{
    ShowcaseRun run(kScript);
    ASSERT_EQ(run.start({}, {"OS_BACKEND=headless"}, ""), 0);
    int rate = 0;
    std::vector<int16_t> mix = readMix(run.out + "/" + kMixName, rate);
    ASSERT_EQ(rate, 44100) << "expected the mixer's recording in " << run.out;
    // Where the left channel is loud, and how often it crosses zero.
    size_t first = mix.size(), last = 0;
    int crossings = 0;
    for (size_t i = 0; i + 2 < mix.size(); i += 2)
    {
        if (std::abs(mix[i]) > 1000)
        {
            first = std::min(first, i / 2);
            last = i / 2;
        }
        if ((mix[i] < 0) != (mix[i + 2] < 0) && std::abs(mix[i] - mix[i + 2]) > 1000)
            ++crossings;
    }
    ASSERT_LT(first, last) << "nothing was heard";
    double seconds = double(last - first + 1) / rate;
    EXPECT_NEAR(seconds, kChimeMs / 1000.0, 0.01) << "the whole chime, once";
    EXPECT_NEAR(crossings / 2.0 / seconds, kChimeHz, 5.0) << "the chime's pitch (Hz)";
}

// Without a script a headless run is closed after a stretch of virtual time
// (the program draws frames for ever otherwise).
TEST_F(Showcase, EndsByItselfHeadlessWithoutAScript)
{
    ShowcaseRun run("");
    EXPECT_EQ(run.start({}, {"OS_BACKEND=headless", "OS_RUN_LIMIT_MS=3000"}, ""), 0);
}

// The script starts when the program first asks for input with its window
// open and takes the shot when it is idle again, so the first frame is drawn
// however slowly the machine runs; the fade starts long after.
TEST_F(Showcase, OpensARealWindowUnderXvfb)
{
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run is not installed";
    ShowcaseRun run("wait 100\nshot sdl\n");
    ASSERT_EQ(run.start({"xvfb-run", "-a"}, {"OS_BACKEND=sdl", "SDL_AUDIODRIVER=dummy"}, ""), 0)
        << "the showcase failed under SDL; see its output above";
    expectSpots(run.shot("sdl"), pictureSpots(), "in the SDL window");
}
