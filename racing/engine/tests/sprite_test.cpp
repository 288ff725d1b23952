// sprite_test.cpp -- racing sprites: text escapes, faces and their sizes,
// GDI drawing through a mask, fill and frame, hit testing from the last
// sprite, and a sprite scene drawing into its target or the window image
#include "racing/engine/render_target.h"
#include "racing/engine/sprite.h"

#include "engine/platform/image.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <memory>

namespace headless = os::host::headless;

namespace {

// A texture of the given columns (one row per colour list), at screen depth.
std::unique_ptr<Texture> picture(std::initializer_list<uint32_t> columns, int rows = 2)
{
    auto t = std::make_unique<Texture>(int(columns.size()), rows, 0x000000, false);
    int x = 0;
    for (uint32_t c : columns)
        t->image->drawRect(c, x++, 0, 1, rows, true);
    return t;
}

std::unique_ptr<Image> screen(int w, int h, uint32_t colour)
{
    auto image = std::make_unique<Image>(w, h, true);
    image->fill(colour);
    return image;
}

} // namespace

TEST(RacingSprite, TextEscapesAndStates)
{
    racing::Sprite s(0, 0, 10, 10);
    s.setText(u"A\\nB^cC");
    EXPECT_EQ(s.getText(), u"A\n\rB: C");
    s.setState(2);
    s.setState(3);
    EXPECT_EQ(s.getState(), 2) << "only 0, 1 and 2";
}

TEST(RacingSprite, FacesGiveTheSizeAndTheClip)
{
    auto face = picture({0xFF0000, 0x00FF00, 0x0000FF});
    racing::Sprite sized(0, 0, -1, -1);
    ASSERT_TRUE(sized.setImages(nullptr, face.get(), nullptr, nullptr, -1, 0, 0, 0));
    EXPECT_EQ(sized.width, 3);
    EXPECT_EQ(sized.height, 2);
    EXPECT_EQ(sized.clip[2], 3);
    racing::Sprite kept(0, 0, 8, 8);
    ASSERT_TRUE(kept.setImages(face.get(), nullptr, nullptr, nullptr, 1, 0, 2, 2));
    EXPECT_EQ(kept.width, 8);
    EXPECT_EQ(kept.clip[0], 1);

    headless::clear_boxes();
    racing::Sprite none(0, 0, 5, 5);
    EXPECT_FALSE(none.setImages(nullptr, nullptr, nullptr, face.get(), 0, 0, 1, 1));
    ASSERT_EQ(headless::boxes().size(), 1u);
    EXPECT_EQ(headless::boxes()[0].text, u"At leat one of Texture, BrightTexture, DarkTexture need to be assigned.");
    EXPECT_EQ(none.clip[2], 5) << "nothing changes";
    EXPECT_EQ(none.mask, nullptr);

    kept.setName(u"b");
    kept.setText(u"hello");
    kept.fillColor = 0x123456;
    std::unique_ptr<racing::Sprite> copy(kept.clone());
    EXPECT_EQ(copy->faces[0], face.get());
    EXPECT_EQ(copy->clip[0], 1);
    EXPECT_TRUE(sameName(copy->name, u"b"));
    EXPECT_TRUE(copy->getText().empty()) << "the text is not copied";
    EXPECT_EQ(copy->fillColor, 0xFFFFFFFFu);
    EXPECT_EQ(copy->cloneFlag, 1);
}

TEST(RacingSprite, TheMaskLetsTheBackgroundThroughWhereItIsWhite)
{
    // Mask white where the scene shows, black where the face does; the face
    // black where it is cut away.
    auto mask = picture({0xFFFFFF, 0xFFFFFF, 0x000000, 0x000000});
    auto face = picture({0x000000, 0x000000, 0xFF0000, 0x00FF00});
    auto into = screen(6, 2, 0x0000FF);
    racing::Sprite s(1, 0, 4, 2);
    s.setImages(face.get(), nullptr, nullptr, mask.get(), -1, -1, -1, -1);
    s.draw(into->dc, 1, 0);
    const uint32_t row[6] = {0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000, 0x00FF00, 0x0000FF};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(into->colorAt(x, 1), row[x]) << x;
}

TEST(RacingSprite, AStateWithoutItsFaceShowsOnlyTheFillAndTheFrame)
{
    auto face = picture({0xFF0000, 0xFF0000});
    for (uint32_t fill : {0x00FF00u, 0xFFFFFFFFu})
    {
        auto into = screen(8, 8, 0x0000FF);
        racing::Sprite s(2, 2, 4, 4);
        s.setImages(face.get(), nullptr, nullptr, nullptr, -1, -1, -1, -1);
        s.fillColor = fill;
        s.frameColor = 0xFFFFFF;
        s.setState(1); // pressed: no bright face
        s.draw(into->dc, 2, 2);
        EXPECT_EQ(into->colorAt(3, 3), fill == 0x00FF00u ? 0x00FF00u : 0x0000FFu) << fill;
        EXPECT_EQ(into->colorAt(1, 1), 0xFFFFFFu) << "the frame's corner";
        EXPECT_EQ(into->colorAt(6, 6), 0xFFFFFFu) << "the frame's far corner";
        EXPECT_EQ(into->colorAt(7, 7), 0x0000FFu);
    }
}

TEST(RacingSceneSprite, HitTestFromTheLastSpriteEdgesIncluded)
{
    racing::SceneSprite scene(0, 0, 100, 100, 0xFFFFFFFFu, nullptr);
    auto* under = new racing::Sprite(10, 10, 20, 20);
    auto* over = new racing::Sprite(20, 20, 20, 20);
    scene.addSprite(u"under", under, u"AB");
    scene.addSprite(u"over", over, u"TOOLONG");
    EXPECT_EQ(std::u16string(over->index), u"TOOL");
    EXPECT_EQ(scene.hitTest(25, 25), over) << "the last added wins";
    EXPECT_EQ(scene.hitTest(40, 40), over) << "right and bottom edges hit";
    EXPECT_EQ(scene.hitTest(15, 15), under);
    over->visible = 0;
    EXPECT_EQ(scene.hitTest(25, 25), under);
    EXPECT_EQ(scene.hitTest(41, 41), nullptr);
    EXPECT_EQ(scene.findChild(u"under"), under);
}

TEST(RacingSceneSprite, DrawsIntoItsTargetOrStraightIntoTheWindow)
{
    for (bool background : {true, false})
    {
        auto window = screen(16, 16, 0x0000FF);
        const uint32_t bkg = background ? 0x00FF00u : 0xFFFFFFFFu;
        racing::SceneSprite scene(4, 4, 8, 8, bkg, nullptr);
        scene.setTarget(new racing::RenderTarget(window.get(), 8, 8, bkg, nullptr, false));
        auto* s = new racing::Sprite(1, 1, 2, 2);
        s->fillColor = 0xFF0000;
        scene.addSprite(u"dot", s, nullptr);
        scene.render(false);
        EXPECT_EQ(window->colorAt(5, 5), 0xFF0000u) << background;
        EXPECT_EQ(window->colorAt(10, 10), background ? 0x00FF00u : 0x0000FFu) << background;
        EXPECT_EQ(window->colorAt(2, 2), 0x0000FFu) << "outside the scene";
    }
}
