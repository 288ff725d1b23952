// race_page_track.cpp -- the race page's track: the track file loaded into
// the page, the road strip turned into road (and walls) with their
// materials and visible window, the sky panorama with its haze band, the
// start lights, the boards and the ground grid
#include "racing/framework/race_page.h"

#include "racing/framework/race_drawing.h"
#include "racing/framework/racing_app.h"
#include "racing/framework/restart_command.h"
#include "racing/framework/track_keys.h"

#include "racing/engine/base_library.h"
#include "racing/engine/render_target.h"
#include "racing/engine/scene3d.h"
#include "racing/engine/template_loader.h"

#include "engine/base/properties.h"
#include "engine/platform/image.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

namespace racing {

bool RacePage::buildTrack(const std::u16string& folder, const std::u16string& name)
{
    // The track file joins the page's template: its group goes into the
    // main scene, its music into the page's sounds.
    const std::u16string file = trackFile(name);
    if (Properties probe; !probe.load(folder.c_str(), file.c_str()))
    {
        showMissing(folder + u"\\" + file);
        return false;
    }
    loadTemplate(folder.c_str(), file.c_str(), false);
    Properties& keys = getTemplateLoader().getTemplate();
    trackGroup = mainScene->findChild(u"grpTrack");
    trackMesh = trackGroup ? trackGroup->findObject(u"track") : nullptr;
    if (!trackMesh)
    {
        // A model that could not be read is named; else the model lacks the road.
        const std::u16string model = fieldText(getTemplateLoader().getTemplate().get(u"grpTrack"), u"model");
        if (!trackGroup && !model.empty())
            showMissing(folder + u"\\" + model);
        else
            showError("The track has no model with a mesh \"track\".");
        return false;
    }
    // No background fill: the sky panorama fills the picture behind the scene.
    RenderTarget* target = mainScene->renderer.getTarget();
    target->setListener(&sky);
    mainScene->bkgColor = 0xFFFFFFFFu;
    target->bkgColor = 0xFFFFFFFFu;

    backgroundColour = colourOf(keys, u"scene.bkgColor", 0x6090C0);
    ambientColour = colourOf(keys, u"env.ambientColor", 0xFFFFFF);
    mainScene->environment.ambient = ambientColour;
    mainScene->environment.setClipPlanes(10.0f, farDistance());
    trackGroup->setEnvironmentEnabled(0);
    if (style.fumeFromAmbient)
    {
        raceTrack.hasFume = keyFloat(keys, u"track.hasFume", 0.0f) != 0.0f;
        raceTrack.fumeColour = ambientColour;
    }
    else
        raceTrack.fumeColour = colourOf(keys, u"env.fumeColor", 0, &raceTrack.hasFume);
    const uint32_t hazeColour = colourOf(keys, u"scene.haze", 0xE0E0E0);

    TrackKeys trackKeys;
    trackKeys.car = style.carTrack;
    if (style.walls)
        trackKeys.guardrailHeight = keyFloat(keys, u"track.guardrailH", 1.0f);
    readTrackKeys(keys, trackKeys);
    trackKeys.farDistance = farDistance();
    trackKeys.exercise = app->exercise;
    Mesh* walls = nullptr;
    const TrackBuild built = buildTrackModel(*trackMesh, trackKeys, track, walls,
                                             [this](int percent) { onLoad(u"Set up Track", nullptr, percent); });
    if (built != TrackBuild::Built)
        showError(kSegmentCountMessage);
    if (built == TrackBuild::Refused)
        return false;

    // The road's picture as it is (unlit); walls seen from both sides; the
    // track's mask flag makes the road's (or the walls') picture its own mask.
    const std::u16string folderSlash = folder + u"\\";
    TextureDictionary* textures = getTextureDictionary();
    const bool masked = keyFloat(keys, u"track.hasMask", 0.0f) != 0.0f;
    auto* road = new TexturedMaterial();
    road->texture = textures->load(folderSlash.c_str(), (name + style.roadPicture).c_str(), true, false);
    road->detailLevel = 1;
    if (masked && style.maskedRoad)
        road->mask = road->texture;
    trackGroup->addMaterial(u"track", road);
    trackMesh->material = road;
    if (walls)
    {
        wallMesh = walls;
        trackGroup->addObject(u"coulisse", wallMesh);
        auto* wall = new TexturedMaterial();
        wall->texture = textures->load(folderSlash.c_str(), (name + u"_coulisse.bmp").c_str(), true, false);
        wall->detailLevel = 1;
        wall->twoSided = 1;
        if (masked && !style.maskedRoad)
            wall->mask = wall->texture;
        trackGroup->addMaterial(u"coulisse", wall);
        wallMesh->material = wall;
    }

    std::copy(track.checkpoints, track.checkpoints + 6, laps.checkpoints);
    laps.lapsLeft = track.lapsLeft;
    laps.nextCheckpoint = 0;
    window.first = 0, window.last = track.segmentCount - 1, window.inverted = false;
    applyVisibleWindow();

    buildSky(folderSlash, name, hazeColour);
    for (int k = 0; k < 4; ++k)
    {
        const std::u16string light = u"..\\scenes\\common\\trafficlight" + toU16(std::to_string(k)) + u".jpg";
        trafficLights[k] = textures->load(folderSlash.c_str(), light.c_str(), false, false);
    }
    buildBillboards();
    skyAltitude = keyFloat(keys, u"track.averageAltitude", 0.0f) + style.skyRaise +
                  (app->exercise ? 0.0f : style.raceSkyRaise);
    sky.sky = skyTexture ? skyTexture->image : nullptr;
    sky.altitude = skyAltitude;
    sky.background = backgroundColour;
    sky.placement = {screenScale, getZoom(), orientation};

    // The ground: the collision grid over the road, with face normals from
    // the vertices (no render pass has computed the stored ones yet).
    collisionGrid = std::make_unique<CollisionGrid>(*trackGroup, keyFloat(keys, u"scene.meshPrecision", 2.0f),
                                                    u"track", nullptr, nullptr, 64, 1, 64);
    collisionGrid->normalSource = 1;
    ground = std::make_unique<GridGround>(collisionGrid.get());
    raceTrack.model = &track;
    raceTrack.ground = ground.get();
    raceTrack.window = &window;
    return true;
}

void RacePage::buildSky(const std::u16string& folder, const std::u16string& name, uint32_t hazeColour)
{
    // The sky panorama: its bottom rows the background, the ten above them
    // a band fading into the haze; turned with the screen, then sized for
    // it (1.65 times the picture at the page's zoom and scale).
    Texture* loaded = getTextureDictionary()->load(folder.c_str(), (name + u"_skybox.jpg").c_str(), false, false);
    if (!loaded || !loaded->image || loaded->image->height <= 10)
        return;
    skyTexture = std::make_unique<Texture>(*loaded);
    addHazeBand(skyTexture->image, backgroundColour, hazeColour);
    if (orientation != 0)
        skyTexture->rotate(orientation == 2);
    const float grow = getZoom() * 1.65f;
    const Image* image = skyTexture->image;
    skyTexture->resize(scaleToScreen(int(float(image->width) * grow)), scaleToScreen(int(float(image->height) * grow)),
                       false);
}

} // namespace racing
