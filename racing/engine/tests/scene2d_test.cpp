// scene2d_test.cpp -- racing 2D scenes: a masked, textured rectangle drawn
// by the engine's quad filler into the scene's render target at exact
// pixels, presented at the scene's place, scaled by the target's longer
// side under a zoom; the template's Scene2D and Group2D entries
#include "racing/engine/canvas.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene2d.h"

#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "engine/base/matrix_ops.h"
#include "engine/platform/back_buffer.h"
#include "engine/platform/image.h"
#include "engine/scene/2d/group2d.h"
#include "engine/scene/tests/raster_fixture.h"

#include "os/testing/host.h"

#include <os/windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr uint32_t kBackground = 0x0000FF, kLeft = 0xFF0000, kRight = 0x00FF00;

struct Frame2D
{
    racing::Window window{u"frame", nullptr, false};
    racing::Canvas* page = new racing::Canvas(u"page");
    // A 32 x 16 picture, red on its left half and green on its right; the
    // mask hides its first 8 columns.
    std::unique_ptr<Texture> picture{rastertest::makeTexture(32, 16, 32, [](int x, int) { return x < 16 ? kLeft : kRight; })};
    std::unique_ptr<Texture> mask{rastertest::makeTexture(32, 16, 32, [](int x, int) { return x < 8 ? 0u : 0xFFFFFFu; })};

    Frame2D()
    {
        // Power-of-two sides, as the dictionary loads them for 2D groups.
        for (Texture* t : {picture.get(), mask.get()})
        {
            t->widthLog2 = 5;
            t->heightLog2 = 4;
        }
        EXPECT_TRUE(window.create(0, 0, 240, 320));
        EXPECT_TRUE(window.addChild(page, 0, 0, 240, 320));
    }
    ~Frame2D() { window.destroy(); }
};

} // namespace

TEST(RacingScene2D, AMaskedRectangleAtExactPixelsInItsPlace)
{
    Frame2D f;
    auto* scene = new racing::Scene2D(20, 40, 64, 32, kBackground, nullptr);
    f.page->addScene(u"flat", scene);
    ASSERT_NE(scene->getTarget(), nullptr);
    EXPECT_FALSE(scene->getTarget()->shared) << "away from the origin: an own picture";
    scene->addChild(u"bar", new Rect2D(1.0f, f.picture.get(), f.mask.get(), false));
    ASSERT_NE(scene->findChild(u"bar"), nullptr);
    EXPECT_EQ(scene->zoom(), 1024);
    f.page->drawScenes();
    Image* back = f.page->getBackBuffer()->getImage();
    // The rectangle's 32 x 16 units centred in the 64 x 32 scene: columns
    // 16 to 47 and rows 8 to 23 of the scene, one texel a pixel.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
        {
            uint32_t expected = kBackground;
            if (x >= 16 && x < 48 && y >= 8 && y < 24 && x - 16 >= 8)
                expected = x - 16 < 16 ? kLeft : kRight;
            ASSERT_EQ(back->colorAt(20 + x, 40 + y), expected) << x << "," << y;
        }
    EXPECT_NE(back->colorAt(19, 50), kBackground) << "nothing outside the scene's place";
    // Moved by its transform, and hidden.
    setTranslation2D(scene->findChild(u"bar")->transform, 100.0f, 0.0f);
    f.page->drawScenes();
    EXPECT_EQ(back->colorAt(20 + 40, 40 + 16), kBackground) << "moved out of the scene";
    EXPECT_EQ(scene->removeChild(u"missing"), nullptr);
}

TEST(RacingScene2D, TheZoomComesFromTheTargetsLongerSide)
{
    Frame2D f;
    auto* wide = new racing::Scene2D(20, 40, 64, 32, kBackground, nullptr);
    auto* tall = new racing::Scene2D(0, 100, 30, 60, kBackground, nullptr);
    f.page->addScene(u"wide", wide);
    f.page->addScene(u"tall", tall);
    wide->addChild(u"bar", new Rect2D(1.0f, f.picture.get(), nullptr, false));
    ASSERT_TRUE(f.page->setZoom(0.5f));
    EXPECT_EQ(wide->getTarget()->width, 32);
    EXPECT_EQ(wide->zoom(), 512) << "32 x 1024 / 64";
    EXPECT_EQ(tall->getTarget()->height, 30);
    EXPECT_EQ(tall->zoom(), 512) << "30 x 1024 / 60";
    f.page->drawScenes();
    // In the half-size picture the rectangle covers columns 8 to 23 and
    // rows 4 to 11.
    const Image* target = wide->getTarget()->image;
    EXPECT_EQ(target->colorAt(7, 8), kBackground);
    EXPECT_EQ(target->colorAt(9, 8), kLeft);
    EXPECT_EQ(target->colorAt(22, 8), kRight);
    EXPECT_EQ(target->colorAt(15, 3), kBackground);
    EXPECT_EQ(target->colorAt(15, 12), kBackground);
}

TEST(RacingScene2D, TemplateEntriesBuildTheSceneAndItsRectangles)
{
    os::host::headless::clear_boxes();
    CreateDirectoryW(u"\\r2d", nullptr);
    ASSERT_TRUE(media::writeDeviceFile(u"\\r2d\\bar.bmp", media::makeBmp(64, 16, [](int x, int) {
                                           return x < 32 ? kLeft : kRight;
                                       })));
    ASSERT_TRUE(media::writeDeviceFile(u"\\r2d\\small.bmp", media::makeBmp(32, 16, [](int, int) { return 0u; })));
    const std::string text = "flat=type:Scene2D, x:0, y:40, width:100%, height:40, bkgColor:(0;0;255)\n"
                             "bar=type:Group2D, container:flat, scale:0.5, texture:bar.bmp, color:(1;2;3), number:2\n"
                             "odd=type:Group2D, container:flat, scale:1, texture:bar.bmp, mask:small.bmp\n"
                             "loose=type:Group2D, scale:1, texture:bar.bmp\n"
                             "noscale=type:Group2D, container:flat, texture:bar.bmp\n";
    ASSERT_TRUE(media::writeDeviceFile(u"\\r2d\\flat.properties", media::Bytes(text.begin(), text.end())));
    Frame2D f;
    // Off (the default), the entries build nothing: pages that draw them
    // themselves keep doing so.
    f.page->loadTemplate(u"\\r2d", u"flat.properties", true);
    EXPECT_EQ(f.page->findScene2D(u"flat"), nullptr);
    EXPECT_EQ(f.page->findGroup2D(u"bar0"), nullptr);
    f.page->build2DScenes = true;
    f.page->loadTemplate(u"\\r2d", u"flat.properties", true);
    racing::Scene2D* scene = f.page->findScene2D(u"flat");
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->width, 240);
    EXPECT_EQ(scene->height, 40);
    EXPECT_EQ(scene->bkgColor, 0x0000FFu);
    ASSERT_EQ(scene->children.size(), 3u) << "bar0, bar1 and the refused odd one";
    Group2D* bar = f.page->findGroup2D(u"bar0");
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(f.page->findGroup2D(u"bar1"), bar);
    EXPECT_EQ(f.page->findGroup2D(u"bar1")->cloneFlag, 1);
    EXPECT_EQ(bar->getFirstMaterial()->color, 0x010203u);
    EXPECT_EQ(bar->getFirstMaterial()->useColorKey, 0) << "no colour key from the texture";
    EXPECT_EQ(f.page->findGroup2D(u"odd")->shapes.size(), 0) << "texture and mask of different sizes";
    ASSERT_EQ(os::host::headless::boxes().size(), 1u);
    EXPECT_EQ(os::host::headless::boxes()[0].text, u"The texture should have same dimension as mask.");
    EXPECT_EQ(f.page->findGroup2D(u"loose"), nullptr);
    EXPECT_EQ(f.page->findGroup2D(u"noscale"), nullptr);
    // Scale 0.5 of a 64-unit picture: 32 pixels wide, centred.
    f.page->drawScenes();
    Image* back = f.page->getBackBuffer()->getImage();
    EXPECT_EQ(back->colorAt(103, 60), kBackground);
    EXPECT_EQ(back->colorAt(106, 60), kLeft);
    EXPECT_EQ(back->colorAt(133, 60), kRight);
    EXPECT_EQ(back->colorAt(137, 60), kBackground);
}

TEST(RacingScene2D, TurnedTextureCoordinatesTurnThePicture)
{
    Frame2D f;
    auto* scene = new racing::Scene2D(0, 0, 64, 32, kBackground, nullptr);
    f.page->addScene(u"flat", scene);
    auto* bar = new Rect2D(1.0f, f.picture.get(), nullptr, false);
    scene->addChild(u"bar", bar);
    Material* m = bar->getFirstMaterial();
    Image* back = f.page->getBackBuffer()->getImage();
    // The rectangle covers columns 16 to 47 and rows 8 to 23: red on its
    // left half, green on its right, as long as nothing turns it.
    m->rotationCos = -1.0f;
    m->rotationSin = 0.0f;
    f.page->drawScenes();
    EXPECT_EQ(back->colorAt(20, 16), kLeft) << "the flag off turns nothing";
    m->textureRotated = 1;
    f.page->drawScenes();
    EXPECT_EQ(back->colorAt(20, 16), kRight) << "a half turn";
    EXPECT_EQ(back->colorAt(44, 16), kLeft);
    // A quarter turn of the square texture space: the halves lie above and
    // below each other.
    m->rotationCos = 0.0f;
    m->rotationSin = 1.0f;
    f.page->drawScenes();
    EXPECT_EQ(back->colorAt(20, 10), back->colorAt(44, 10));
    EXPECT_NE(back->colorAt(20, 10), back->colorAt(20, 21));
}
