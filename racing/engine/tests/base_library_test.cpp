// base_library_test.cpp -- where the racing base answers differently from the
// engine's, on the same input: property fields, the prefix search, token
// splitting, the hash-table reset, the fixed-point scale, the GAPI blit and
// the fade attached by name
#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"

#include "engine/base/hashtable.h"
#include "engine/base/math_utils.h"
#include "engine/base/properties.h"
#include "engine/base/resource_files.h"
#include "engine/base/resource_pack.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/gapi_display.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/vertex_face.h"
#include "engine/scene/core/sound_dictionary.h"

#include "content/media/file_output.h"
#include "content/media/wav_writer.h"
#include "content/media/zip_writer.h"
#include "os/testing/host.h"
#include "os/testing/kernel.h"

#include <gtest/gtest.h>

#include <os/file.h>
#include <os/mmsystem.h>
#include <os/windows.h>

#include <string>
#include <vector>

namespace {

void writeText(const WCHAR* path, const char* text)
{
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, text, DWORD(strlen(text)), &written, nullptr);
    CloseHandle(f);
}

} // namespace

TEST(RacingBase, PropertyFieldsHaveNoDefaults)
{
    writeText(u"\\cars.properties", "bike=speed:12, grip:, weight:80.5\n");
    Properties props(u'=', u',', u':');
    ASSERT_TRUE(props.load(u"\\", u"cars.properties", nullptr));
    struct Case
    {
        const WCHAR* key;
        const WCHAR* field;
        int racing;
        float racingFloat;
    };
    const Case cases[] = {{u"bike", u"speed", 12, 12.0f},
                          {u"bike", u"grip", 0, 0.0f},
                          {u"bike", u"missing", -1, 0.0f},
                          {u"car", u"speed", -1, 0.0f},
                          {u"bike", u"weight", 80, 80.5f}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(racing::getFieldInt(props, c.key, c.field), c.racing) << std::string(c.field, c.field + 1);
        EXPECT_FLOAT_EQ(racing::getFieldFloat(props, c.key, c.field), c.racingFloat);
    }
    EXPECT_EQ(props.getFieldInt(u"bike", u"missing", 7), 7) << "the engine's accessor takes a default";
}

TEST(RacingBase, PrefixSearchAndTokens)
{
    const WCHAR* text = u"ab:cd";
    EXPECT_EQ(racing::findCharInPrefix(text, 3, u':'), text + 2);
    EXPECT_EQ(racing::findCharInPrefix(text, 2, u':'), nullptr);
    EXPECT_EQ(racing::findCharInPrefix(text, 99, u'd'), text + 4);
    EXPECT_EQ(racing::findCharInPrefix(text, 0, u'a'), nullptr);

    struct Case
    {
        const WCHAR* text;
        std::vector<std::u16string> tokens;
    };
    const Case cases[] = {{u"a:1,b:2,c", {u"a:1", u"b:2,c"}}, {u"a:1,b:", {u"a:1", u"b:"}}, {u"x,a:1", {u"a:1"}}};
    for (const Case& c : cases)
    {
        WCHAR** tokens = nullptr;
        int n = splitTokens(c.text, u",", &tokens, u':');
        std::vector<std::u16string> got(tokens, tokens + n);
        EXPECT_EQ(got, c.tokens);
        freeTokens(tokens, n);
    }
}

TEST(RacingBase, HashtableResetReleasesItsEntriesAndStaysUsable)
{
    Hashtable table(Hashtable::kStringKeys);
    std::vector<std::u16string> keys;
    for (int i = 0; i < 200; ++i)
        keys.push_back(u"key" + std::u16string(1, char16_t(u'A' + i % 26)) + char16_t(u'0' + i / 26));
    int values[200];
    for (int i = 0; i < 200; ++i)
        table.put(keys[i].data(), &values[i]);
    ASSERT_EQ(table.size(), 200);
    table.reset(); // the sanitizer build sees any entry left behind
    EXPECT_EQ(table.size(), 0);
    EXPECT_EQ(table.get(keys[5].data()), nullptr);
    table.put(keys[5].data(), &values[5]);
    EXPECT_EQ(table.get(keys[5].data()), &values[5]);
}

TEST(RacingBase, FixedPointScaleDefaultsToTheRacingShiftAndCanBeSet)
{
    // A fresh process has no scale yet: the racing start-up takes 10 and 3.
    ASSERT_EQ(fixedScale(), -1);
    racing::initRacingMath();
    EXPECT_EQ(fixedScale(), 1024);
    EXPECT_EQ(racing::fixedSubScale(), 128);
    racing::setFixedPointShift(12, 4);
    Vertex v(1.5f, -2.25f, 0.0f, 0, 0);
    EXPECT_EQ(v.x, 6144);
    EXPECT_EQ(v.y, -9216);
    EXPECT_EQ(racing::fixedSubScale(), 256);
    racing::initRacingMath(); // a set scale stays
    EXPECT_EQ(fixedScale(), 4096);
    EXPECT_EQ(racing::clampInt(5, 0, 3), 3);
    EXPECT_EQ(racing::clampInt(-5, 0, 3), 0);
    EXPECT_EQ(racing::clampInt(2, 0, 3), 2);
}

TEST(RacingBase, GapiBlitClipsToTheDisplayOnEverySide)
{
    constexpr int kW = 240, kH = 320;
    std::vector<uint16_t> screen(kW * kH, 0x1234);
    GapiDisplay::FrameBuffer layout;
    layout.width = kW;
    layout.height = kH;
    layout.xPitch = 2;
    layout.yPitch = kW * 2;
    layout.bitsPerPixel = 16;
    GapiDisplay::useFrameBuffer(layout, screen.data(), false);
    Image picture(40, 30, true);
    ASSERT_EQ(picture.bits, 16);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            *reinterpret_cast<uint16_t*>(picture.getPixelAddress(x, y)) = uint16_t(x + 64 * y);

    racing::gapiBlit(picture, -10, 0);
    EXPECT_EQ(screen[0], 10) << "columns from 10 on at the left edge";
    EXPECT_EQ(screen[29], 39);
    EXPECT_EQ(screen[30], 0x1234);
    // Reaching past the right and bottom edges: only what lies on the display.
    racing::gapiBlit(picture, kW - 5, kH - 3);
    EXPECT_EQ(screen[(kH - 3) * kW + kW - 5], 0);
    EXPECT_EQ(screen[(kH - 1) * kW + kW - 1], uint16_t(4 + 64 * 2));
    EXPECT_EQ(screen[(kH - 4) * kW + kW - 5], 0x1234);

    // A turned frame buffer (x pitch of one row) takes the pixel path.
    std::vector<uint16_t> turned(kW * kH, 0);
    GapiDisplay::FrameBuffer sideways = layout;
    sideways.xPitch = kH * 2;
    sideways.yPitch = -2;
    GapiDisplay::useFrameBuffer(sideways, turned.data() + kH - 1, false);
    racing::gapiBlit(picture, 0, 0);
    EXPECT_EQ(turned[kH - 1], 0);               // (0, 0)
    EXPECT_EQ(turned[kH - 1 + kH], 1);          // (1, 0) one x pitch on
    EXPECT_EQ(turned[kH - 2], uint16_t(64));    // (0, 1) one y pitch back
    GapiDisplay::useFrameBuffer({}, nullptr, false);
}

namespace {

class FadePage : public racing::Canvas
{
public:
    FadePage() : Canvas(u"fade page") {}
    void renderScenes() override
    {
        ++redraws;
        getBackBuffer()->getImage()->drawRect(0x000000, -1, -1, -1, -1, true);
    }
    int redraws = 0;
};

uint16_t screenPixel()
{
    os::host::Screen& s = os::host::screen();
    return reinterpret_cast<uint16_t*>(s.pixels + 100 * s.pitch)[100];
}

} // namespace

TEST(RacingBase, FadeRunsByNameAndLeavesNoFilter)
{
    racing::Window frame(u"fade frame", nullptr, false);
    ASSERT_TRUE(frame.create(0, 0, 240, 320));
    auto* page = new FadePage();
    ASSERT_TRUE(frame.addChild(page, 0, 0, 240, 320));
    int before = os::host::headless::presents();
    racing::FadeEffect(0.05f, 10, 0xFFFFFF).apply(page, false, true);
    EXPECT_EQ(os::host::headless::presents(), before) << "no step: nothing shown";

    racing::FadeEffect(0.5f, 10, 0xFFFFFF).apply(page, false, true);
    EXPECT_EQ(os::host::headless::presents() - before, 6);
    EXPECT_EQ(page->redraws, 6);
    EXPECT_EQ(screenPixel(), 0xF7DE) << "the last step at 255 / 256 of the way to white";
    page->present();
    EXPECT_EQ(screenPixel(), 0x0000) << "the filter was removed by its name";

    // Without redraw the back buffer itself sinks towards the colour.
    racing::FadeEffect(0.5f, 10, 0xFFFFFF).apply(page, false, false);
    uint32_t sunk = page->getBackBuffer()->getImage()->colorAt(10, 10);
    EXPECT_GT(sunk & 0xFF, 0xF0u);
    frame.destroy();
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        ;
}

// The engine finds a pack member whatever its case; the racing build only as
// written.
TEST(RacingBase, PackMembersAreMatchedExactlyInTheRacingBuild)
{
    ASSERT_TRUE(media::writeZip(os::path::to_host(u"\\res\\tracks.zip"), {{"Oval/Track.txt", "oval"}}));
    addResourcePack(u"tracks.zip", u"\\res");
    setTempFolder(u"\\temp\\");
    auto opens = [](const WCHAR* path) {
        FILE* file = openResourceFile(path, u"rb");
        if (file)
            closeResourceFile(file);
        return file != nullptr;
    };
    ResourcePack::setCaseExactMembers(false); // a racing page made earlier in this program set it
    EXPECT_TRUE(opens(u"\\res\\Oval\\Track.txt"));
    EXPECT_TRUE(opens(u"\\res\\oval\\track.txt")) << "the engine ignores the case";
    racing::initRacingBase();
    EXPECT_TRUE(opens(u"\\res\\Oval\\Track.txt"));
    EXPECT_FALSE(opens(u"\\res\\oval\\track.txt")) << "the racing build does not";
    ResourcePack::setCaseExactMembers(false);
    closeResourcePacks();
}

TEST(RacingBase, WaveDeviceCapsAnswerWhatTheMapperPlays)
{
    WAVEOUTCAPSW caps{};
    bool asked = waveOutGetDevCaps(WAVE_MAPPER, &caps, sizeof caps) == MMSYSERR_NOERROR;
    racing::WaveDeviceCaps racingCaps;
    EXPECT_EQ(racingCaps.hasFormats, asked && caps.dwFormats != 0);
    EXPECT_EQ(racingCaps.stereo, asked && caps.wChannels == 2);
}

TEST(RacingBase, SoundsAreSharedByFileNameAndStoppedWithTheirDictionary)
{
    CreateDirectoryW(u"\\one", nullptr);
    CreateDirectoryW(u"\\two", nullptr);
    ASSERT_TRUE(media::writeDeviceFile(u"\\one\\horn.wav", media::makeWav(1, 22050, 16, media::makeTone(440.0, 50))));
    ASSERT_TRUE(media::writeDeviceFile(u"\\two\\horn.wav", media::makeWav(1, 22050, 16, media::makeTone(880.0, 50))));
    SoundDictionary sounds;
    WaveSound* first = sounds.load(u"\\one", u"horn.wav");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(sounds.wasPresent, 0);
    EXPECT_EQ(sounds.load(u"\\two", u"horn.wav"), first) << "the same file name from another folder: the first sound";
    EXPECT_EQ(sounds.wasPresent, 1);
    EXPECT_EQ(sounds.size(), 1);
    sounds.pauseAll();
    sounds.resumeAll();
    sounds.stopAll();
}
