// scene_parts.cpp -- chips and look-ups on the flight canvas
#include "games/skyrend/flight/scene_parts.h"

#include "games/skyrend/flight/flight_host.h"
#include "games/skyrend/flight/particles.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/chip3d.h"
#include "engine/scene/core/texture_dictionary.h"
#include "engine/scene/scenes/scene.h"
#include "engine/scene/screen/canvas.h"

#include <string>
#include <vector>

#include <os/wstring.h>

namespace skyrend {

void copyBounded(WCHAR* buffer, int capacity, const WCHAR* text)
{
    if (capacity <= 0)
        return;
    int n = 0;
    for (; text && text[n] && n < capacity - 1; ++n)
        buffer[n] = text[n];
    buffer[n] = 0;
}

Group3D* findGroup(Canvas* canvas, const WCHAR* name)
{
    if (!canvas || !name)
        return nullptr;
    return dynamic_cast<Group3D*>(canvas->findComponent(name));
}

Texture* loadSiblingTexture(Canvas* canvas, const WCHAR* folder, const WCHAR* relative)
{
    if (!canvas || !canvas->getTextureDictionary() || !folder)
        return nullptr;
    const std::u16string parent = std::u16string(folder) + u"..\\";
    return canvas->getTextureDictionary()->load(parent.c_str(), relative, true, false);
}

Chip3D* makeChip(Canvas* canvas, const WCHAR* folder, const WCHAR* picture, float size, uint32_t colour, float nearClip,
                 float farClip)
{
    if (!canvas)
        return nullptr;
    Texture* texture = loadSiblingTexture(canvas, folder, picture);
    // The picture is its own mask: black is clear, grey shades show through.
    auto* chip = new Chip3D(size, 1.0f, 1.0f, 2, texture, texture, false);
    if (Material* m = chip->getMaterial())
        m->color = colour;
    chip->frontClip = nearClip;
    chip->backClip = farClip;
    chip->setDetailLevel(4);
    chip->billboard = 1;
    chip->visible = 0;
    return chip;
}

Chip3D* makeSmokeChip(Canvas* canvas, const WCHAR* folder, float size, uint32_t colour)
{
    static const WCHAR* const pictures[3] = {u"fume\\fumealf0.jpg", u"fume\\fumealf1.jpg", u"fume\\fumealf2.jpg"};
    return makeChip(canvas, folder, pictures[randomInt(0, 100) % 3], size, colour, 3.0f, 500.0f);
}

bool addToMainScene(Canvas* canvas, const WCHAR* name, Group3D* object)
{
    Scene* scene = canvas ? canvas->findScene(u"mainScene") : nullptr;
    if (!scene)
    {
        delete object;
        return false;
    }
    scene->addChild(name, object);
    return true;
}

namespace {

struct PoolLook
{
    const char16_t* base;    // scene object names: base + index
    const char16_t* picture; // frames: picture + 6 .. 15 + ".jpg"
    float scale, nearClip;
};

const PoolLook kExplosionLook{u"Explosion", u"explosion\\exp", 4.0f, 3.5f};
const PoolLook kSplashLook{u"Splash", u"splash\\spl", 2.0f, 3.0f};

// Adds effects to the pool until it holds count; each new one's chip is
// named after its index in the pool.
template <class Effect>
void growPool(std::vector<Effect*>& pool, Canvas* canvas, const WCHAR* folder, int count, const PoolLook& look)
{
    for (int i = int(pool.size()); i < count; ++i)
    {
        auto* effect = new Effect();
        if (canvas && canvas->getTextureDictionary())
        {
            auto** textures = new Texture*[ChipAnimation::kFrames];
            auto** masks = new Texture*[ChipAnimation::kFrames];
            for (int f = 0; f < ChipAnimation::kFrames; ++f)
            {
                const std::u16string file = look.picture + os::to_u16(std::to_string(f + 6)) + u".jpg";
                textures[f] = masks[f] = canvas->getTextureDictionary()->load(folder, file.c_str(), true, false);
            }
            auto* chip = new Chip3D(look.scale, 1.0f, 1.0f, 2, textures[0], masks[0], false);
            chip->frontClip = look.nearClip;
            chip->backClip = 500.0f;
            chip->setDetailLevel(1);
            chip->visible = 0;
            chip->billboard = 2;
            const std::u16string name = look.base + os::to_u16(std::to_string(i));
            Material* material = chip->getMaterial();
            if (addToMainScene(canvas, name.c_str(), chip))
            {
                effect->chip = chip;
                effect->frames = new ChipFrames(material, ChipAnimation::kFrames, textures, masks);
            }
            else
            {
                delete[] textures;
                delete[] masks;
            }
        }
        pool.push_back(effect);
    }
}

} // namespace

void buildEffectPools(FlightHost& host, Canvas* canvas, const WCHAR* aircraftFolder, int explosions, int splashes)
{
    growPool(host.explosions, canvas, aircraftFolder, explosions, kExplosionLook);
    growPool(host.splashes, canvas, aircraftFolder, splashes, kSplashLook);
}

} // namespace skyrend
