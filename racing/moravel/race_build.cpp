// race_build.cpp -- the race page's track: the track file loaded into the
// page, the road strip turned into road and walls with their textures and
// visible window, the sky panorama with its haze band, the start lights,
// the boards and the ground grid
#include "racing/moravel/race_canvas.h"

#include "racing/moravel/racing_app.h"

#include "racing/engine/base_library.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/template_loader.h"
#include "racing/framework/track_keys.h"

#include "engine/base/math_utils.h"
#include "engine/base/matrix_ops.h"
#include "engine/base/properties.h"
#include "engine/base/wstring_utils.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <os/windows.h>

#include <cmath>
#include <cstdlib>

namespace moravel {

using racing::fieldText;
using racing::keyFloat;
using racing::showError;
using racing::toFloat;

bool RaceCanvas::buildTrack(const std::u16string& folder, const std::u16string& name, bool motocross, bool exercise)
{
    // The track file joins the page's template: its group goes into the
    // main scene, its music into the page's sounds.
    const std::u16string file = (motocross ? u"CB_" : u"SB_") + name + u".properties";
    loadTemplate(folder.c_str(), file.c_str(), false);
    Properties& keys = getTemplateLoader().getTemplate();
    trackGroup = mainScene->findChild(u"grpTrack");
    trackMesh = trackGroup ? trackGroup->findObject(u"track") : nullptr;
    if (!trackMesh)
    {
        showError("The track has no model with a mesh \"track\".");
        return false;
    }
    mainScene->renderer.getTarget()->setListener(&sky);

    backgroundColour = racing::colourOf(keys, u"scene.bkgColor", 0x6090C0, nullptr);
    ambientColour = racing::colourOf(keys, u"env.ambientColor", 0xFFFFFF, nullptr);
    const float far = motocross ? 300.0f : 400.0f;
    mainScene->environment.ambient = ambientColour;
    mainScene->environment.setClipPlanes(mainScene->environment.frontClip, far);
    trackGroup->setEnvironmentEnabled(0);
    fumeColour = racing::colourOf(keys, u"env.fumeColor", 0, &hasFume);
    const uint32_t hazeColour = racing::colourOf(keys, u"scene.haze", 0xE0E0E0, nullptr);

    racing::TrackKeys trackKeys;
    trackKeys.guardrailHeight = keyFloat(keys, u"track.guardrailH", 1.0f);
    racing::readTrackKeys(keys, trackKeys);
    trackKeys.farDistance = far;
    trackKeys.exercise = exercise;
    Mesh* walls = nullptr;
    onLoad(u"Set up Track", nullptr, 0);
    racing::TrackBuild built = racing::buildTrackModel(*trackMesh, trackKeys, track, walls);
    onLoad(u"Set up Track", nullptr, 100);
    if (built != racing::TrackBuild::Built)
        showError(racing::kSegmentCountMessage);
    if (built == racing::TrackBuild::Refused)
        return false;
    wallMesh = walls;
    trackGroup->addObject(u"coulisse", wallMesh);

    // The road and wall textures as they are (unlit); the walls seen from
    // both sides, masked by their own picture when the track says so.
    const std::u16string folderSlash = folder + u"\\";
    TextureDictionary* textures = getTextureDictionary();
    auto* road = new TexturedMaterial();
    road->texture = textures->load(folderSlash.c_str(), (name + u"_track.jpg").c_str(), true, false);
    road->detailLevel = 1;
    trackGroup->addMaterial(u"track", road);
    trackMesh->material = road;
    auto* wall = new TexturedMaterial();
    wall->texture = textures->load(folderSlash.c_str(), (name + u"_coulisse.bmp").c_str(), true, false);
    wall->detailLevel = 1;
    wall->twoSided = 1;
    if (keyFloat(keys, u"track.hasMask", 0.0f) != 0.0f)
        wall->mask = wall->texture;
    trackGroup->addMaterial(u"coulisse", wall);
    wallMesh->material = wall;

    std::copy(track.checkpoints, track.checkpoints + 6, laps.checkpoints);
    laps.lapsLeft = track.lapsLeft;
    laps.nextCheckpoint = 0;
    window.first = 0, window.last = track.segmentCount - 1, window.inverted = false;
    applyVisibleWindow();

    // The sky panorama: its bottom rows the background, the ten above them
    // a band fading into the haze, then sized for the screen.
    if (Texture* loaded = textures->load(folderSlash.c_str(), (name + u"_skybox.jpg").c_str(), false, false))
        if (loaded->image && loaded->image->height > 10)
        {
            skyTexture = std::make_unique<Texture>(*loaded);
            Image* sky = skyTexture->image;
            sky->drawRect(backgroundColour, 0, sky->height - 5, sky->width, 5, true);
            for (int k = 0; k < 10; ++k)
            {
                const int row = sky->height - 10 + k;
                for (int x = 0; x < sky->width; ++x)
                {
                    uint32_t pixel =
                        sky->toPixel(blendRGB(hazeColour, sky->colorAt(x, row), 255 - 50 * std::abs(5 - k)));
                    uint8_t* at = sky->getPixelAddress(x, row);
                    if (sky->bytesPerPixel == 2)
                        *reinterpret_cast<uint16_t*>(at) = uint16_t(pixel);
                    else
                        *reinterpret_cast<uint32_t*>(at) = pixel;
                }
            }
            if (orientation != 0)
                skyTexture->rotate(orientation == 2);
            const float grow = getZoom() * 1.65f;
            skyTexture->resize(scaleToScreen(int(float(sky->width) * grow)),
                               scaleToScreen(int(float(sky->height) * grow)), false);
        }
    for (int k = 0; k < 4; ++k)
    {
        std::u16string light = u"..\\scenes\\common\\trafficlight" + racing::toU16(std::to_string(k)) + u".jpg";
        trafficLights[k] = textures->load(folderSlash.c_str(), light.c_str(), false, false);
    }

    buildBillboards();
    skyAltitude = keyFloat(keys, u"track.averageAltitude", 0.0f) + 60.0f + (exercise ? 0.0f : 10.0f);
    sky.sky = skyTexture ? skyTexture->image : nullptr;
    sky.altitude = skyAltitude;
    sky.background = backgroundColour;

    // The ground: the collision grid over the road, with face normals from
    // the vertices (no render pass has computed the stored ones yet).
    collisionGrid = std::make_unique<racing::CollisionGrid>(*trackGroup, keyFloat(keys, u"scene.meshPrecision", 2.0f),
                                                            u"track", nullptr, nullptr, 64, 1, 64);
    collisionGrid->normalSource = 1;
    ground = std::make_unique<racing::GridGround>(collisionGrid.get());
    raceTrack.model = &track;
    raceTrack.ground = ground.get();
    raceTrack.window = &window;
    return true;
}

} // namespace moravel
