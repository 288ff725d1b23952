// sound_test.cpp -- the sound slots seen through the recording device
#include <gtest/gtest.h>

#include <os/windows.h>

#include <cstdlib>
#include <vector>

#include "os/testing/sound.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/entity.h"
#include "shell_fixture.h"

namespace {

namespace spy = os::sound::test;

class SoundTest : public testing::Test
{
protected:
    void SetUp() override
    {
        MountDemoArchive();
        ResetSoundState();
        g_sound.window = nullptr;
        LoadSounds();
        spy::reset_spy();
    }
    void TearDown() override
    {
        ResetSoundState();
    }
};

TEST_F(SoundTest, EveryNamedSlotLoadsAndTheTwoEmptyOnesNeverPlay)
{
    for (int slot = 0; slot < kSoundSlots; ++slot)
    {
        const bool empty = slot == 0 || slot == 2;
        EXPECT_EQ(empty, g_sound.slots[slot].data.empty()) << slot;
    }
    // An empty slot and one shorter than its header open no device.
    g_sound.slots[9].data.resize(44);
    for (int slot : {0, 2, 9, -1, 26})
        PlaySound(slot);
    EXPECT_TRUE(spy::devices().empty());
}

TEST_F(SoundTest, VolumesOfPlaysAndClamping)
{
    struct
    {
        int32_t effects;
        int slot;
        DWORD volume;
    } cases[] = {
        {116, kSoundLand, 0xFFFF},           // 120 x 1023 is more than 0xFFFF
        {116, kSoundClick, 55 * 1023},
        {58, kSoundClick, 55 * (58 * 1023 / 116)},
        {0, kSoundClick, 0},                  // the device still opens
    };
    for (auto c : cases)
    {
        spy::reset_spy();
        SetEffectsVolume(c.effects, 116);
        PlaySound(c.slot);
        const auto devices = spy::devices();
        ASSERT_FALSE(devices.empty()) << c.slot;
        EXPECT_EQ(c.volume * 0x10001u, devices.back().volume) << c.effects << " " << c.slot;
        EXPECT_EQ(11025u, devices.back().format.nSamplesPerSec);
    }
}

TEST_F(SoundTest, APlayAgainStopsTheEarlierOneAndStopsNeverTouchAClosedDevice)
{
    StartSkid();
    StartSkid();   // plays once
    ASSERT_EQ(1u, spy::devices().size());
    EXPECT_EQ(DWORD{WHDR_BEGINLOOP | WHDR_ENDLOOP}, spy::writes()[0].flags & (WHDR_BEGINLOOP | WHDR_ENDLOOP));
    EXPECT_EQ(1, spy::open_count());
    // The looped slot played again: the first loop is closed, one plays
    PlaySound(kSoundSkid);
    EXPECT_EQ(2u, spy::devices().size());
    EXPECT_TRUE(spy::devices()[0].closed);
    EXPECT_EQ(1, spy::open_count());
    // Done notice of the old play: nothing refers to it any more
    SoundDone(spy::devices()[0].handle, nullptr);
    EXPECT_EQ(1, spy::open_count());
    StopSkid();
    StopAllSounds();
    PauseAllSounds();
    ResumeAllSounds();
    EXPECT_EQ(0, spy::open_count());
    // Its own done notice lets a finished play go; unloading twice is safe
    PlaySound(kSoundClick);
    SoundSlot& click = g_sound.slots[kSoundClick];
    SoundDone(click.device, click.header);
    EXPECT_EQ(nullptr, click.device);
    EXPECT_EQ(0, spy::open_count());
    UnloadSounds();
    UnloadSounds();
}

TEST_F(SoundTest, EngineGearSoundsFollowTheThrottleAndSpeed)
{
    int32_t speed = 0;
    bool throttle = false;
    StartEngineIdle();
    EXPECT_EQ(kSoundIdle, EngineSoundSlot());
    // Releasing the throttle: idle below 30, decel from 30, at once
    speed = 30;
    UpdateEngineSound(speed, throttle);
    EXPECT_EQ(kSoundDecel, EngineSoundSlot());
    speed = 29;
    UpdateEngineSound(speed, throttle);
    EXPECT_EQ(kSoundIdle, EngineSoundSlot());
    // With the throttle the gear sound changes only 2904 ms after the last change
    throttle = true;
    Sleep(3000);
    speed += 1;
    UpdateEngineSound(speed, throttle);
    EXPECT_EQ(kSoundMaxSpeed, EngineSoundSlot());
    speed += 5;
    UpdateEngineSound(speed, throttle);
    EXPECT_EQ(kSoundMaxSpeed, EngineSoundSlot());
    Sleep(3000);
    speed += 5;
    UpdateEngineSound(speed, throttle);
    EXPECT_EQ(kSound2ndGear, EngineSoundSlot());
    EXPECT_EQ(1, spy::open_count()) << "one engine sound at a time";
}

TEST_F(SoundTest, RandomRateStaysForLaterPlaysAndTunesReplaceEachOther)
{
    PlaySoundRandomRate(kSoundCone);
    const DWORD rate = g_sound.slots[kSoundCone].format.nSamplesPerSec;
    EXPECT_GE(rate, 10000u);
    EXPECT_LT(rate, 10000u + 4096u);
    PlaySound(kSoundCone);
    EXPECT_EQ(rate, spy::devices().back().format.nSamplesPerSec);

    StopAllSounds();
    spy::reset_spy();
    PlayTune("title.wav");
    PlayTune("music1.wav");
    const auto devices = spy::devices();
    ASSERT_EQ(2u, devices.size());
    EXPECT_TRUE(devices[0].closed);
    EXPECT_FALSE(devices[1].closed);
    EXPECT_EQ(1, spy::open_count());
    SetMusicVolume(116, 116);
    EXPECT_EQ(0xFFFFu * 0x10001u, spy::devices()[1].volume);
}

// How many mixed samples are heard (above a faint level) over ms of virtual time
int HeardOver(DWORD ms)
{
    spy::capture(true);
    Sleep(ms);
    spy::capture(false);
    const std::vector<int16_t> mixed = spy::captured();
    int heard = 0;
    for (int16_t sample : mixed)
        heard += std::abs(sample) > 200;
    return heard;
}

// The pause menu and the window's deactivation pause every play and the
// music: the mix is silent until they are resumed; a tune started with the
// music volume at 0 is paused at once and comes with the music's resume.
TEST_F(SoundTest, PausedPlaysAreSilentInTheMixUntilResumed)
{
    SetEffectsVolume(116, 116);
    SetMusicVolume(116, 116);
    StartEngineIdle();
    StartSkid();
    PlayTune("music1.wav");
    EXPECT_GT(HeardOver(300), 1000) << "engine, skid and tune";
    PauseAllSounds();
    PauseMusic();
    EXPECT_EQ(0, HeardOver(300)) << "paused";
    ResumeAllSounds();
    EXPECT_GT(HeardOver(300), 1000) << "the engine and the skid again";
    StopAllSounds();
    StopSkid();
    EXPECT_EQ(0, HeardOver(300)) << "the effects stopped, the music still paused";
    ResumeMusic();
    EXPECT_GT(HeardOver(300), 1000) << "the tune";

    g_settings.musicVolume = 0;
    SetMusicVolume(0, 116);
    PlayTune("title.wav");
    EXPECT_EQ(0, HeardOver(300)) << "a tune at music volume 0";
    // Turned up, it stays paused until it is resumed (the sound screen does both).
    g_settings.musicVolume = 58;
    SetMusicVolume(58, 116);
    EXPECT_EQ(0, HeardOver(300)) << "paused, not only silent";
    ResumeMusic();
    EXPECT_GT(HeardOver(300), 1000) << "the tune once the music is turned up";
}

} // namespace
