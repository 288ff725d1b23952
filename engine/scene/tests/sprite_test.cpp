// sprite_test.cpp -- sprites, sprite scenes, hit tests and the sprite renderer
#include "engine/scene/scenes/scene.h"
#include "engine/scene/2d/sprite.h"
#include "engine/scene/scenes/sprite_renderer.h"
#include "engine/scene/core/texture.h"

#include "engine/platform/tests/pixel_check.h"

#include <os/wstring.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

Texture* solidTexture(int width, int height, int bits, uint32_t colour, int frames = 1, float delay = 0.0f)
{
    Image* images[4];
    for (int i = 0; i < frames; ++i)
    {
        images[i] = new Image(1, 1, false);
        images[i]->create(width, height, bits);
        images[i]->drawRect(colour + uint32_t(i), 0, 0, -1, -1, true);
        images[i]->frameDelay = delay;
    }
    return new Texture(u"solid", images, frames, false, false);
}

struct SceneFixture : testing::TestWithParam<int>
{
    SceneFixture()
    {
        surface.create(40, 30, GetParam());
        scene = std::make_unique<SceneSprite>(0, 0, 40, 30, 0x000000, nullptr);
        DisplayTarget place;
        place.width = 40;
        place.height = 30;
        place.surface = &surface;
        scene->renderer->setTarget(place);
    }
    uint32_t stored(uint32_t rgb) const { return pixelcheck::stored(rgb, GetParam()); }

    Image surface{1, 1, false};
    std::unique_ptr<SceneSprite> scene;
};

} // namespace

TEST(Sprite, SetTextRewritesAndGrows)
{
    Sprite sprite(0, 0, 10, 10);
    sprite.setText(u"a^cb\\nc", false);
    EXPECT_EQ(std::u16string(u"a: b\n\rc"), std::u16string(sprite.getText()));
    struct Case
    {
        const char16_t* text;
        bool force;
        int capacity;
    };
    const Case cases[] = {{u"abcd", false, 5}, {u"abcde", false, 6}, {u"ab", true, 3}};
    for (const Case& c : cases)
    {
        Sprite s(0, 0, 1, 1);
        s.setText(c.text, c.force);
        EXPECT_EQ(c.capacity, s.textCapacity);
        EXPECT_EQ(std::u16string(c.text), std::u16string(s.getText()));
    }
    sprite.setText(nullptr, true);
    EXPECT_EQ(std::u16string(u"a: b\n\rc"), std::u16string(sprite.getText()));
}

TEST(Sprite, SetImagesSizesAndClip)
{
    std::unique_ptr<Texture> picture(solidTexture(48, 20, 32, 0xFF0000));
    Sprite sprite(0, 0, -10000, -10000);
    sprite.setImages(picture.get(), nullptr, nullptr, -1, -1, -1, -1);
    EXPECT_EQ(48, sprite.width);
    EXPECT_EQ(20, sprite.height);
    EXPECT_EQ(48, sprite.clipW);
    Sprite clipped(0, 0, 10, 10);
    clipped.setImages(nullptr, nullptr, picture.get(), 2, 3, 4, 5);
    EXPECT_EQ(10, clipped.width);
    EXPECT_EQ(2, clipped.clipX);
    EXPECT_EQ(5, clipped.clipH);
}

TEST(Sprite, CloneKeepsGuiDataAndText)
{
    Sprite sprite(1, 2, 3, 4);
    sprite.setName(u"edit");
    sprite.guiType = Sprite::EditBox;
    sprite.setGuiData(u"-8,Name");
    sprite.setFontFace(u"Tahoma");
    sprite.setText(u"hello", false);
    sprite.status = 1;
    std::unique_ptr<Sprite> copy(sprite.clone());
    EXPECT_EQ(1, copy->cloneFlag);
    EXPECT_EQ(std::u16string(u"edit"), std::u16string(copy->name));
    EXPECT_EQ(std::u16string(u"-8,Name"), std::u16string(copy->guiData));
    EXPECT_NE(sprite.guiData, copy->guiData);
    EXPECT_EQ(std::u16string(u"Tahoma"), std::u16string(copy->fontFace));
    EXPECT_EQ(std::u16string(u"hello"), std::u16string(copy->getText()));
    EXPECT_EQ(1, copy->status);
    EXPECT_EQ(4, copy->height);
}

TEST(SceneSprite, HitTestAndChildren)
{
    SceneSprite scene(0, 0, 100, 100, Scene::kNoColor, nullptr);
    auto* under = new Sprite(10, 10, 20, 20);
    under->guiType = Sprite::Button;
    auto* over = new Sprite(20, 20, 20, 20);
    over->guiType = Sprite::CheckBox;
    auto* picture = new Sprite(0, 0, 100, 100);
    auto* twin = new Sprite(0, 0, 1, 1);
    scene.addSprite(u"under", under, u"1234567");
    scene.addSprite(u"over", over, nullptr);
    scene.addSprite(u"picture", picture, nullptr);
    scene.addSprite(u"under", twin, nullptr);
    EXPECT_EQ(std::u16string(u"1234"), std::u16string(under->indexLabel));
    EXPECT_EQ(under, scene.findChild(u"under"));
    EXPECT_EQ(nullptr, scene.findChild(u"Under"));
    struct Case
    {
        int x, y;
        Sprite* want;
    };
    const Case cases[] = {{25, 25, over}, {15, 15, under}, {30, 30, over}, {40, 40, over},
                          {41, 40, nullptr}, {10, 30, under}, {5, 5, nullptr}};
    for (const Case& c : cases)
        EXPECT_EQ(c.want, scene.hitTest(c.x, c.y)) << c.x << "," << c.y;
    over->visible = 0;
    EXPECT_EQ(under, scene.hitTest(25, 25));
}

TEST_P(SceneFixture, BoxesFramesAndBrightState)
{
    auto* box = new Sprite(2, 2, 10, 6);
    box->color = 0xFF0000;
    box->brightColor = 0x00FF00;
    box->frameColor = 0xFFFFFF;
    auto* noBright = new Sprite(20, 2, 10, 6);
    noBright->color = 0x0000FF;
    noBright->status = 1;
    scene->addSprite(u"box", box, nullptr);
    scene->addSprite(u"noBright", noBright, nullptr);
    scene->render(0.1f);
    EXPECT_EQ(stored(0xFF0000), surface.colorAt(5, 5));
    EXPECT_EQ(stored(0xFFFFFF), surface.colorAt(1, 1));
    EXPECT_EQ(stored(0xFFFFFF), surface.colorAt(12, 8));
    EXPECT_EQ(0u, surface.colorAt(25, 5)) << "status 1 without brightColor draws no box";
    box->status = 1;
    scene->render(0.1f);
    EXPECT_EQ(stored(0x00FF00), surface.colorAt(5, 5));
}

TEST_P(SceneFixture, PicturesKeysMasksAndScaling)
{
    std::unique_ptr<Texture> keyed(solidTexture(4, 4, GetParam(), 0xFF00FF));
    Image* k = keyed->image;
    k->drawRect(0x00FF00, 1, 1, 2, 2, true);
    k->hasColorKey = 1;
    k->colorKey = 0xFF00FF;
    auto* withKey = new Sprite(0, 0, 4, 4);
    withKey->setImages(keyed.get(), nullptr, nullptr, -1, -1, -1, -1);
    // Mask AND then picture XOR: a 2 x 1 pattern.
    std::unique_ptr<Texture> mask(solidTexture(2, 1, GetParam(), 0x000000));
    mask->image->drawRect(0xFFFFFF, 1, 0, 1, 1, true);
    std::unique_ptr<Texture> picture(solidTexture(2, 1, GetParam(), 0x00FF00));
    picture->image->drawRect(0x000000, 1, 0, 1, 1, true);
    auto* masked = new Sprite(10, 0, 2, 1);
    masked->setImages(picture.get(), nullptr, mask.get(), -1, -1, -1, -1);
    // Drawn twice as large as its clip.
    std::unique_ptr<Texture> plain(solidTexture(2, 2, GetParam(), 0x0000FF));
    auto* stretched = new Sprite(20, 0, 4, 4);
    stretched->setImages(plain.get(), nullptr, nullptr, -1, -1, -1, -1);
    scene->bkgColor = 0x808080;
    scene->addSprite(u"keyed", withKey, nullptr);
    scene->addSprite(u"masked", masked, nullptr);
    scene->addSprite(u"stretched", stretched, nullptr);
    scene->render(0.0f);
    EXPECT_EQ(stored(0x808080), surface.colorAt(0, 0));
    EXPECT_EQ(stored(0x00FF00), surface.colorAt(1, 1));
    EXPECT_EQ(stored(0x00FF00), surface.colorAt(10, 0));
    EXPECT_EQ(stored(0x808080), surface.colorAt(11, 0));
    EXPECT_EQ(stored(0x0000FF), surface.colorAt(23, 3));
    EXPECT_EQ(stored(0x808080), surface.colorAt(24, 3));
}

TEST_P(SceneFixture, SharedAnimatedTextureAdvancesOncePerFrame)
{
    std::unique_ptr<Texture> anim(solidTexture(2, 2, GetParam(), 0x100000, 3, 0.0f));
    for (int i = 0; i < 2; ++i)
    {
        auto* s = new Sprite(i * 4, 0, 2, 2);
        s->setImages(anim.get(), nullptr, nullptr, -1, -1, -1, -1);
        scene->addSprite(u"s", s, nullptr);
    }
    scene->render(0.05f);
    EXPECT_EQ(1, anim->currentFrame);
    scene->render(0.05f);
    EXPECT_EQ(2, anim->currentFrame);
}

TEST_P(SceneFixture, BufferedSceneClearsOnlyWithoutBackground)
{
    scene->buffered = 1;
    scene->bkgColor = Scene::kNoColor;
    scene->transparentColor = 0x00FF00;
    scene->renderToBackBuffer(true);
    ASSERT_NE(nullptr, scene->getBackBuffer());
    EXPECT_EQ(stored(0x00FF00), scene->getBackBuffer()->colorAt(3, 3));
    scene->getBackBuffer()->drawRect(0x0000FF, 0, 0, -1, -1, true);
    scene->bkgColor = 0xFF0000;
    scene->renderToBackBuffer(true);
    EXPECT_EQ(stored(0xFF0000), scene->getBackBuffer()->colorAt(3, 3));
    scene->buffered = 0;
    EXPECT_EQ(&surface, scene->getSurface());
    EXPECT_EQ(nullptr, scene->getBackBuffer());
}

INSTANTIATE_TEST_SUITE_P(Depths, SceneFixture, testing::Values(16, 32));

TEST(SpriteRenderer, IndexLabelsSitLeftOfTheSprite)
{
    Image surface(1, 1, false);
    surface.create(100, 60, 32);
    SceneSprite scene(0, 0, 100, 60, 0x404040, nullptr);
    DisplayTarget place{0, 0, 100, 60, 1.0f, &surface};
    scene.renderer->setTarget(place);
    scene.setLabelColor(0xFFFF00);
    scene.setLabelOffset(0, 2);
    auto* sprite = new Sprite(50, 20, 30, 20);
    scene.addSprite(u"s", sprite, u"12");
    scene.render(0.0f);
    EXPECT_EQ(0x404040u, surface.colorAt(45, 25)) << "labels are drawn only when the canvas shows them";
    scene.showIndexLabels = true;
    scene.render(0.0f);
    // Expected place: labelOffsetX - 6 x 2 + sprite.x + 4 = 42, sprite.y + labelOffsetY = 22.
    int left = 1000, top = 1000, yellow = 0, black = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
        {
            uint32_t c = surface.colorAt(x, y);
            if (c == 0x404040)
                continue;
            left = std::min(left, x), top = std::min(top, y);
            yellow += c == 0xFFFF00;
            black += c == 0;
        }
    EXPECT_GE(left, 42);
    EXPECT_LE(left, 46);
    EXPECT_GE(top, 22);
    EXPECT_LE(top, 30);
    EXPECT_GT(yellow, 0);
    EXPECT_GT(black, 0);
}

TEST(Scene, BackgroundTextureOneToOneOrStretched)
{
    Image surface(1, 1, false);
    surface.create(40, 20, 32);
    auto* small = new Image(1, 1, false);
    small->create(10, 5, 32);
    small->drawRect(0x00FF00, 0, 0, -1, -1, true);
    small->drawRect(0xFF00FF, 0, 0, 5, 5, true);
    small->hasColorKey = 1;
    small->colorKey = 0xFF00FF;
    Texture texture(u"bg", &small, 1, false, false);
    struct Case
    {
        int width, height;
        uint32_t atLeft, atRight, outside;
    };
    // 10 x 5 target: 1:1 with the key; 20 x 10: stretched with the key.
    const Case cases[] = {{10, 5, 0x123456, 0x00FF00, 0x123456}, {20, 10, 0x123456, 0x00FF00, 0x123456}};
    for (const Case& c : cases)
    {
        surface.drawRect(0x123456, 0, 0, -1, -1, true);
        SceneSprite scene(0, 0, c.width, c.height, 0xFF0000, &texture);
        DisplayTarget place{5, 5, c.width, c.height, 1.0f, &surface};
        scene.renderer->setTarget(place);
        scene.render(0.0f);
        EXPECT_EQ(c.atLeft, surface.colorAt(5, 5)) << c.width;
        EXPECT_EQ(c.atRight, surface.colorAt(5 + c.width - 1, 5 + c.height - 1)) << c.width;
        EXPECT_EQ(c.outside, surface.colorAt(5 + c.width, 5)) << c.width;
    }
}

TEST(Sprite, TextFontIsReusedOrReplacedWithoutLeaking)
{
    Image surface(80, 40, false);
    Sprite a(0, 0, 40, 20), b(40, 0, 40, 20);
    a.setText(u"A", false);
    a.textSize = 12;
    b.setText(u"B", false);
    b.textSize = 20;
    a.paint(surface, 0, 0, 1.0f, 0.0f, 1);
    HFONT first = a.ownFont;
    ASSERT_NE(nullptr, first);
    a.paint(surface, 0, 0, 1.0f, 0.0f, 2);
    EXPECT_EQ(first, a.ownFont) << "a matching selected font is kept";
    b.paint(surface, 40, 0, 1.0f, 0.0f, 2);
    a.paint(surface, 0, 0, 1.0f, 0.0f, 3);
    EXPECT_NE(first, a.ownFont);
    LOGFONTW font{};
    EXPECT_EQ(0, GetObjectW(first, sizeof(font), &font)) << "the replaced font was deleted";
    ASSERT_NE(0, GetObjectW(a.ownFont, sizeof(font), &font));
    EXPECT_EQ(12, font.lfHeight);
}
