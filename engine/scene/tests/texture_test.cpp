// texture_test.cpp -- textures, power-of-two fitting, animation and the two dictionaries
#include "engine/scene/core/sound_dictionary.h"
#include "engine/scene/core/texture_dictionary.h"

#include "engine/platform/tests/fixture_writers.h"
#include "engine/platform/tests/pixel_check.h"

#include "os/testing/host.h"

#include <os/file.h>

#include <gtest/gtest.h>

namespace headless = os::host::headless;

namespace {

void putBmp(const WCHAR* path, int width, int height, uint32_t colour)
{
    ASSERT_TRUE(fixtures::writeDeviceFile(path, fixtures::makeBmp(width, height, [&](int, int) { return colour; })));
}

// A three-frame animation of 2 x 2 frames with the given delays.
Texture* makeAnimation(float delay, bool looping)
{
    Image* frames[3];
    for (int i = 0; i < 3; ++i)
    {
        frames[i] = new Image(2, 2, true);
        frames[i]->frameDelay = delay;
        frames[i]->drawRect(0x100000u * uint32_t(i + 1), 0, 0, 2, 2, true);
    }
    auto* texture = new Texture(u"anim.gif", frames, 3, false, false);
    texture->looping = looping ? 1 : 0;
    return texture;
}

} // namespace

TEST(TextureDictionary, SameNameFromAnotherFolderIsShared)
{
    CreateDirectoryW(u"\\one", nullptr);
    CreateDirectoryW(u"\\two", nullptr);
    putBmp(u"\\one\\a.bmp", 4, 4, 0xFF0000);
    putBmp(u"\\two\\a.bmp", 8, 8, 0x00FF00);
    TextureDictionary dictionary;
    Texture* first = dictionary.load(u"\\one", u"a.bmp", false, false);
    EXPECT_EQ(0, dictionary.wasPresent);
    Texture* second = dictionary.load(u"\\two\\", u"a.bmp", false, false);
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, dictionary.wasPresent);
    EXPECT_EQ(4, second->width);
    EXPECT_EQ(nullptr, dictionary.load(u"\\one", nullptr, false, false));
}

TEST(TextureDictionary, PowerOfTwoSizes)
{
    struct Case
    {
        int width, height;
        bool roundUp;
        int wantWidth, wantHeight, wantWidthLog2, wantHeightLog2;
    };
    const Case cases[] = {
        {100, 60, false, 128, 64, 7, 6},
        {100, 60, true, 128, 64, 7, 6},
        {48, 16, false, 32, 16, 5, 4},
        {48, 17, true, 64, 32, 6, 5},
        {32, 32, false, 32, 32, 5, 5},
    };
    for (const Case& c : cases)
    {
        putBmp(u"\\p.bmp", c.width, c.height, 0xFF0000);
        Texture texture(u"\\p.bmp", true, c.roundUp);
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " roundUp " << c.roundUp);
        EXPECT_EQ(c.wantWidth, texture.width);
        EXPECT_EQ(c.wantHeight, texture.height);
        EXPECT_EQ(c.wantWidthLog2, texture.widthLog2);
        EXPECT_EQ(c.wantHeightLog2, texture.heightLog2);
        EXPECT_EQ(c.width, texture.imageWidth);
        EXPECT_EQ(c.height, texture.imageHeight);
        EXPECT_EQ(c.wantWidth, texture.image->width);
    }
}

TEST(TextureDictionary, RoundUpPadsAndNearestScales)
{
    putBmp(u"\\p.bmp", 100, 60, 0xFF0000);
    Texture padded(u"\\p.bmp", true, true);
    const Image& pad = *padded.image;
    uint32_t red = pixelcheck::stored(0xFF0000, pad.bits);
    EXPECT_TRUE(pixelcheck::matches(
        pad, [&](int x, int y) { return x < 100 && y < 60 ? red : 0u; }, "texture_padded"));
    Texture scaled(u"\\p.bmp", true, false);
    EXPECT_TRUE(pixelcheck::matches(*scaled.image, [&](int, int) { return red; }, "texture_scaled"));
}

TEST(TextureDictionary, PowerOfTwoLoadsAreHeldApartFromThePictureAsLoaded)
{
    putBmp(u"\\s.bmp", 30, 20, 0x0000FF);
    TextureDictionary dictionary;
    Texture* plain = dictionary.load(u"\\", u"s.bmp", false, false);
    Texture* fitted = dictionary.load(u"\\", u"s.bmp", true, true);
    EXPECT_EQ(0, dictionary.wasPresent);
    EXPECT_NE(plain, fitted);
    EXPECT_EQ(30, plain->width);
    EXPECT_EQ(32, fitted->width);
    EXPECT_EQ(5, fitted->widthLog2);
    EXPECT_EQ(std::u16string(u"s.bmp"), std::u16string(fitted->name));
    EXPECT_EQ(fitted, dictionary.load(u"\\other", u"s.bmp", true, true));
    EXPECT_EQ(1, dictionary.wasPresent);
    EXPECT_NE(fitted, dictionary.load(u"\\", u"s.bmp", true, false));
    EXPECT_EQ(plain, dictionary.load(u"\\", u"s.bmp", false, true));
    EXPECT_TRUE(dictionary.remove(fitted));
    EXPECT_EQ(2, dictionary.size());
}

TEST(TextureDictionary, MissingFileGivesPlaceholderAfterTheBox)
{
    headless::clear_boxes();
    TextureDictionary dictionary;
    Texture* texture = dictionary.load(u"\\", u"none.bmp", true, false);
    ASSERT_NE(nullptr, texture);
    ASSERT_NE(nullptr, texture->image);
    EXPECT_FALSE(texture->image->isEmpty());
    EXPECT_EQ(1, texture->width);
    EXPECT_FALSE(headless::boxes().empty());
}

TEST(TextureDictionary, RemoveAndReset)
{
    putBmp(u"\\a.bmp", 2, 2, 0);
    putBmp(u"\\b.bmp", 2, 2, 0);
    TextureDictionary dictionary;
    Texture* a = dictionary.load(u"\\", u"a.bmp", false, false);
    dictionary.load(u"\\", u"b.bmp", false, false);
    EXPECT_TRUE(dictionary.remove(a));
    EXPECT_EQ(1, dictionary.size());
    Texture outsider(u"\\a.bmp", false, false);
    EXPECT_FALSE(dictionary.remove(&outsider));
    dictionary.reset();
    EXPECT_EQ(0, dictionary.size());
    dictionary.load(u"\\", u"a.bmp", false, false);
    EXPECT_EQ(0, dictionary.wasPresent);
}

TEST(Texture, AdvanceSteps)
{
    struct Case
    {
        bool looping;
        int startFrame;
        float dt;
        int wantFrame;
        float wantTime;
    };
    const Case cases[] = {
        {true, 0, 0.15f, 1, 0.0f},   // delay exceeded: step, excess dropped
        {true, 0, 0.1f, 0, 0.1f},    // exactly the delay: no step
        {true, 2, 0.15f, 0, 0.0f},   // looping wraps
        {false, 2, 0.15f, 2, 0.0f},  // not looping stays on the last frame
        {true, 1, -1.0f, 2, 0.0f},   // negative dt steps at once
    };
    for (const Case& c : cases)
    {
        Texture* texture = makeAnimation(0.1f, c.looping);
        texture->selectFrame(c.startFrame);
        texture->advance(c.dt);
        SCOPED_TRACE(testing::Message() << "start " << c.startFrame << " dt " << c.dt);
        EXPECT_EQ(c.wantFrame, texture->currentFrame);
        EXPECT_FLOAT_EQ(c.wantTime, texture->frameTime);
        EXPECT_EQ(texture->frames[c.wantFrame], texture->getCurrentImage());
        delete texture;
    }
}

TEST(Texture, SelectFrameClampsAndTellsTheListener)
{
    struct Recorder : TextureFrameListener
    {
        int calls = 0, last = -1;
        void onFrameChanged(Texture*, int frame) override { ++calls, last = frame; }
    } recorder;
    Texture* texture = makeAnimation(0.1f, true);
    texture->frameListener = &recorder;
    texture->selectFrame(7);
    EXPECT_EQ(2, texture->currentFrame);
    texture->selectFrame(-3);
    EXPECT_EQ(0, texture->currentFrame);
    EXPECT_EQ(2, recorder.calls);
    EXPECT_FLOAT_EQ(0.1f, texture->getFrameDelay(1));
    EXPECT_FLOAT_EQ(0.0f, texture->getFrameDelay(3));
    delete texture;
}

TEST(Texture, AdvanceOnceForAFrameStamp)
{
    Texture* texture = makeAnimation(0.0f, true);
    texture->advanceOnce(0.05f, 1);
    texture->advanceOnce(0.05f, 1);
    EXPECT_EQ(1, texture->currentFrame);
    texture->advanceOnce(0.05f, 2);
    EXPECT_EQ(2, texture->currentFrame);
    delete texture;
}

TEST(Texture, CopyIsDeep)
{
    Texture* texture = makeAnimation(0.25f, true);
    texture->frames[1]->hasColorKey = 1;
    texture->frames[1]->colorKey = 0x123456;
    texture->selectFrame(1);
    Texture copy(*texture);
    texture->frames[1]->drawRect(0xFFFFFF, 0, 0, 2, 2, true);
    EXPECT_NE(texture->frames[1], copy.frames[1]);
    EXPECT_EQ(pixelcheck::stored(0x200000, copy.frames[1]->bits), copy.frames[1]->colorAt(1, 1));
    EXPECT_EQ(1, copy.frames[1]->hasColorKey);
    EXPECT_EQ(0x123456u, copy.frames[1]->colorKey);
    EXPECT_FLOAT_EQ(0.25f, copy.getFrameDelay(1));
    EXPECT_EQ(1, copy.currentFrame);
    EXPECT_EQ(copy.frames[0], copy.image);
    delete texture;
}

TEST(SoundDictionary, LoadsOnceAndOwnsItsSounds)
{
    fixtures::Bytes samples(400, 0x80);
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\s\\beep.wav", fixtures::makeWav(1, 11025, 8, samples)) ||
                (CreateDirectoryW(u"\\s", nullptr) &&
                 fixtures::writeDeviceFile(u"\\s\\beep.wav", fixtures::makeWav(1, 11025, 8, samples))));
    SoundDictionary dictionary;
    WaveSound* first = dictionary.load(u"\\s", u"beep.wav");
    EXPECT_EQ(0, dictionary.wasPresent);
    EXPECT_EQ(first, dictionary.load(u"\\other", u"beep.wav"));
    EXPECT_EQ(1, dictionary.wasPresent);
    EXPECT_FALSE(dictionary.findPlaying());
    first->state = WaveSound::Playing;
    EXPECT_TRUE(dictionary.findPlaying());
    dictionary.stopAll();
    EXPECT_FALSE(dictionary.findPlaying());
    dictionary.reset();
    EXPECT_EQ(0, dictionary.size());
}

TEST(Texture, AnimatedGifKeepsEveryFrame)
{
    const std::vector<uint32_t> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    std::vector<fixtures::GifFrame> frames;
    for (uint8_t index : {1, 2, 3})
    {
        fixtures::GifFrame f;
        f.width = 3;
        f.height = 2;
        f.codeSize = 2;
        f.lzw = fixtures::GifCodePacker::literals(std::vector<uint8_t>(6, index), 2);
        f.control = true;
        f.delay = 10 * index;
        frames.push_back(f);
    }
    ASSERT_TRUE(fixtures::writeDeviceFile(u"\\spin.GIF", fixtures::makeGif(3, 2, table, frames)));
    TextureDictionary dictionary;
    Texture* texture = dictionary.load(u"\\", u"spin.GIF", true, true);
    ASSERT_EQ(3, texture->frameCount);
    EXPECT_TRUE(texture->animated);
    EXPECT_TRUE(texture->looping);
    EXPECT_EQ(4, texture->width);
    EXPECT_EQ(2, texture->height);
    EXPECT_EQ(3, texture->imageWidth);
    EXPECT_FLOAT_EQ(0.2f, texture->getFrameDelay(1));
    for (int i = 0; i < 3; ++i)
    {
        const Image& frame = *texture->frames[i];
        EXPECT_EQ(4, frame.width);
        EXPECT_EQ(pixelcheck::stored(table[size_t(i) + 1], frame.bits), frame.colorAt(2, 1)) << i;
        EXPECT_EQ(0u, frame.colorAt(3, 1)) << "padding is black";
    }
    EXPECT_EQ(texture->frames[0], texture->image);
}
