// wave_sound_test.cpp -- wave files load, play once or looped, and end through the window
#include "engine/platform/wave_sound.h"
#include "engine/platform/window.h"

#include "fixture_writers.h"

#include "os/testing/host.h"
#include "os/testing/sound.h"

#include <os/user.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace headless = os::host::headless;
namespace spy = os::sound::test;
using fixtures::Bytes;

namespace {

// 22050 Hz stereo 16-bit: `ms` milliseconds of a quiet square wave.
Bytes samples(int ms)
{
    Bytes b(size_t(22050 * 4 * ms / 1000));
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = (i / 200) % 2 ? 0x10 : 0xF0;
    return b;
}

class WaveSoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        headless::clear_boxes();
        spy::reset_spy();
        WaveSound::setEnabled(true);
        ASSERT_TRUE(fixtures::writeDeviceFile(u"\\beep.wav", fixtures::makeWav(2, 22050, 16, samples(100))));
        window = std::make_unique<Window>(u"sound", nullptr, false);
        ASSERT_TRUE(window->create(0, 0, 240, 320));
    }

    void TearDown() override { WaveSound::setEnabled(true); }

    // Lets time pass and hands every posted message to its window.
    static void runFor(uint32_t ms)
    {
        headless::advance(ms);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }

    HWND hwnd() const { return window->getHandle(); }

    std::unique_ptr<Window> window;
};

} // namespace

TEST_F(WaveSoundTest, ParsesTheHeaderFields)
{
    WaveSound sound(u"\\beep.wav");
    EXPECT_EQ(sound.format.wFormatTag, 1);
    EXPECT_EQ(sound.format.nChannels, 2);
    EXPECT_EQ(sound.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(sound.format.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(sound.format.nBlockAlign, 4);
    EXPECT_EQ(sound.format.wBitsPerSample, 16);
    EXPECT_EQ(sound.format.cbSize, 0);
    EXPECT_EQ(sound.size, int32_t(samples(100).size()));
    EXPECT_EQ(sound.data[0], 0xF0);
    EXPECT_EQ(sound.state, WaveSound::Stopped);
    EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(WaveSoundTest, FileLayoutTable)
{
    Bytes canonical = fixtures::makeWav(1, 8000, 8, Bytes{1, 2, 3, 4});
    // A LIST chunk between "fmt " and "data": the samples are found after it.
    Bytes listed(canonical.begin(), canonical.begin() + 36);
    Bytes list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    listed.insert(listed.end(), list.begin(), list.end());
    listed.insert(listed.end(), canonical.begin() + 36, canonical.end());
    const struct
    {
        const char* what;
        Bytes bytes;
        bool ok;
        size_t offset, size;
        uint32_t rate;
    } cases[] = {
        {"canonical", canonical, true, 44, 4, 8000},
        {"header only", Bytes(canonical.begin(), canonical.begin() + 44), true, 44, 0, 8000},
        {"extra chunk", listed, true, 56, 4, 8000},
        {"not RIFF: read blindly", [&] { Bytes b = canonical; b[0] = 'X'; b[36] = 'x'; return b; }(), true, 44, 4, 8000},
        {"short", Bytes(canonical.begin(), canonical.begin() + 43), false, 0, 0, 0},
        {"empty", Bytes(), false, 0, 0, 0},
    };
    for (const auto& c : cases)
    {
        WaveLayout layout;
        EXPECT_EQ(parseWaveFile(c.bytes.data(), c.bytes.size(), layout), c.ok) << c.what;
        EXPECT_EQ(layout.dataOffset, c.offset) << c.what;
        EXPECT_EQ(layout.dataSize, c.size) << c.what;
        EXPECT_EQ(layout.format.nSamplesPerSec, c.rate) << c.what;
    }
}

TEST_F(WaveSoundTest, MissingOrShortFilesGiveAnEmptySoundAndABox)
{
    const struct
    {
        const char16_t* path;
        const char16_t* text;
    } cases[] = {
        {u"\\none.wav", u"Unable to open wave file: \"\\none.wav\"."},
        {u"\\short.wav", u"Unable to open wave file: \"\\short.wav\"."},
    };
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\short.wav", Bytes(20, 0)));
    for (const auto& c : cases)
    {
        headless::clear_boxes();
        WaveSound sound(c.path);
        EXPECT_EQ(sound.data, nullptr);
        EXPECT_EQ(sound.size, 0);
        ASSERT_EQ(headless::boxes().size(), 1u);
        EXPECT_EQ(headless::boxes()[0].caption, u"File I/O Error");
        EXPECT_EQ(headless::boxes()[0].text, c.text);
    }

    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\silent.wav", fixtures::makeWav(1, 8000, 8, Bytes())));
    WaveSound silent(u"\\silent.wav");
    EXPECT_EQ(silent.size, 0);
    silent.play(hwnd()); // no samples: nothing to crash on
}

TEST_F(WaveSoundTest, SwitchedOffOpensNoDevice)
{
    WaveSound sound(u"\\beep.wav");
    WaveSound::setEnabled(false);
    sound.play(hwnd());
    sound.playLooped(hwnd(), -1);
    EXPECT_EQ(sound.state, WaveSound::Stopped);
    EXPECT_TRUE(spy::devices().empty());
    WaveSound::setEnabled(true);
    EXPECT_TRUE(WaveSound::isEnabled());
    EXPECT_TRUE(WaveDeviceCaps::get().hasFormats);
    EXPECT_TRUE(WaveDeviceCaps::get().isStereo);
}

TEST_F(WaveSoundTest, LoopFlagsAndRestart)
{
    WaveSound sound(u"\\beep.wav");
    sound.playLooped(hwnd(), -1);
    ASSERT_EQ(spy::writes().size(), 1u);
    EXPECT_EQ(spy::writes()[0].flags & (WHDR_BEGINLOOP | WHDR_ENDLOOP), DWORD(12));
    EXPECT_EQ(spy::writes()[0].loops, 0xFFFFFFFFu);
    EXPECT_EQ(sound.header.dwUser, reinterpret_cast<DWORD_PTR>(&sound));
    EXPECT_EQ(spy::devices()[0].callback, reinterpret_cast<DWORD_PTR>(hwnd()));
    EXPECT_EQ(spy::devices()[0].flags & CALLBACK_TYPEMASK, DWORD(CALLBACK_WINDOW));

    // Playing again restarts: the first device is closed, a second opened.
    sound.playLooped(hwnd(), 1);
    ASSERT_EQ(spy::devices().size(), 2u);
    EXPECT_TRUE(spy::devices()[0].closed);
    EXPECT_EQ(spy::open_count(), 1);
    EXPECT_EQ(spy::writes()[1].flags & (WHDR_BEGINLOOP | WHDR_ENDLOOP), DWORD(0));
    EXPECT_EQ(spy::writes()[1].loops, 0u);

    runFor(10000); // a looped-once sound ends
    EXPECT_EQ(sound.state, WaveSound::Stopped);
}

TEST_F(WaveSoundTest, CompletionReachesTheWindowAndEndsTheSound)
{
    WaveSound sound(u"\\beep.wav");
    sound.play(hwnd());
    EXPECT_EQ(sound.state, WaveSound::Playing);
    spy::capture(true);
    runFor(20);
    EXPECT_EQ(sound.state, WaveSound::Playing);
    std::vector<int16_t> mixed = spy::captured();
    spy::capture(false);
    EXPECT_TRUE(std::any_of(mixed.begin(), mixed.end(), [](int16_t v) { return v != 0; })) << "the samples are heard";
    runFor(500);
    EXPECT_EQ(sound.state, WaveSound::Stopped);
    EXPECT_EQ(sound.device, nullptr);
    EXPECT_EQ(spy::open_count(), 0);

    // Looped endlessly: still playing long after its length.
    sound.playLooped(hwnd(), -1);
    runFor(1000);
    EXPECT_EQ(sound.state, WaveSound::Playing);
    sound.stop();
    EXPECT_EQ(sound.state, WaveSound::Stopped);
    EXPECT_EQ(spy::open_count(), 0);
}

TEST_F(WaveSoundTest, PauseResumeAndStop)
{
    WaveSound sound(u"\\beep.wav");
    sound.play(hwnd());
    sound.pause();
    EXPECT_EQ(sound.state, WaveSound::Paused);
    runFor(1000); // paused: never ends
    EXPECT_EQ(sound.state, WaveSound::Paused);
    sound.stop(); // a paused sound is not stopped
    EXPECT_EQ(sound.state, WaveSound::Paused);
    sound.resume();
    EXPECT_EQ(sound.state, WaveSound::Playing);
    sound.pause();
    // Playing a paused sound closes its device first: never two at once.
    sound.play(hwnd());
    EXPECT_EQ(spy::open_count(), 1);
    EXPECT_EQ(sound.state, WaveSound::Playing);
    runFor(500);
    EXPECT_EQ(sound.state, WaveSound::Stopped);
}

TEST_F(WaveSoundTest, StaleAndOrphanedNoticesAreHarmless)
{
    auto sound = std::make_unique<WaveSound>(u"\\beep.wav");
    sound->play(hwnd());
    headless::advance(500); // ended: the notice waits in the queue
    sound->play(hwnd());    // restarted before the notice is handled
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(sound->state, WaveSound::Playing) << "the old notice must not stop the new playback";

    headless::advance(500); // ends again; the sound goes away before its notice is handled
    sound.reset();
    EXPECT_EQ(spy::open_count(), 0);
    runFor(10);

    auto playing = std::make_unique<WaveSound>(u"\\beep.wav");
    playing->playLooped(hwnd(), -1);
    playing.reset(); // deleting a playing sound closes its device
    EXPECT_EQ(spy::open_count(), 0);
    runFor(10);
}
