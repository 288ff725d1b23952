// racer.cpp -- what every racer does alike over its track
#include "racing/framework/racer.h"

#include "racing/engine/model3d.h"
#include "racing/engine/scene3d.h"

#include "engine/base/quaternion.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture_dictionary.h"

#include <algorithm>
#include <cmath>

namespace racing {

Racer::Racer(RaceTrack* race_, bool isPlayer_) : isPlayer(isPlayer_ ? 1 : 0), race(race_) {}

Racer::~Racer() = default; // the model, shadow and puff chips are the scene's

void Racer::coast(float)
{
    if (std::fabs(motion.speed) < 10.0f)
        motion.speed = 0.0f;
}

void Racer::place(float speed_, int segment_)
{
    segment = segment_;
    placeOnTrack(*race->model, motion, segment, 0.0f, speed_);
}

void Racer::showModel()
{
    visible = 1;
    if (model)
        model->visible = 1;
    if (shadow)
        shadow->visible = 1;
}

void Racer::moveOnTrack(float dt, float damping)
{
    motion.speed *= std::max(0.0f, 1.0f - damping * dt);
    rev = std::max(0.0f, rev - 0.7f * dt);
    motion.move(dt);
    updateSegment();
    const TrackModel& track = *race->model;
    const int n = track.segmentCount;
    point.copyFrom(track.points[size_t(segment)]);
    nextPoint.copyFrom(track.points[size_t((segment + 1) % n)]);
    previousPoint.copyFrom(track.points[size_t((segment + n - 1) % n)]);
    if (autopilot && race->running)
        autoDrive(dt);
    followTrack();
    motion.rotate(dt);
}

void Racer::updateSegment()
{
    segment = nextSegment(*race, motion.position, segment, !autopilot);
    if (isPlayer || !race->window)
        return;
    const bool was = visible != 0;
    visible = inVisibleWindow(*race, segment) ? 1 : 0;
    if (was == (visible != 0))
        return;
    if (model)
        model->visible = visible;
    if (shadow)
        shadow->visible = visible;
    if (was)
        fume.hide();
}

void Racer::turnWheel(int direction, float dt, float centring)
{
    const float rate = race->steerSensitivity;
    if (direction == 2)
    {
        if (std::fabs(steerAngle) >= 0.005f)
            steerAngle *= std::max(0.0f, 1.0f - centring * dt);
        else
            steerAngle = 0.0f;
    }
    else if (direction == 0)
        steerAngle = std::max(steerAngle - rate * dt, -1.15f);
    else
        steerAngle = std::min(steerAngle + rate * dt, 1.15f);
}

float Racer::autoPedals(float dt, float accelerateBelow)
{
    const float y = turnTowards(motion, nextPoint, dt);
    const float m = std::fabs(y);
    if (m > 0.03f)
        brake(dt);
    else if (m < accelerateBelow && int(m * 100000.0f) % 100 < 50)
        accelerate(dt);
    return y;
}

EdgeResult Racer::keepToEdge()
{
    if (autopilot)
        return EdgeResult::OnTrack;
    const EdgeResult edge = keepOnTrack(*race, motion, point, nextPoint, isPlayer != 0, heading, trackDirection);
    offTrack = edge == EdgeResult::OnTrack ? 0 : 1;
    if (edge == EdgeResult::TurnedBack)
        steerAngle = 0.0f;
    return edge;
}

bool Racer::rideOnGround(float rideShare, float tolerance, float& gap)
{
    Vector3 normal;
    if (!groundUnder(*race, motion, point, groundHeight, normal))
        return false;
    groundNormal.copyFrom(normal);
    const float rideY = rideShare * height + groundHeight;
    gap = rideY - motion.position.y;
    motion.falling = gap < -tolerance ? 1 : 0;
    shadowShift = gap < 0.0f ? 1.5f * gap : 0.0f;
    if (visible)
        placeShadow();
    if (!motion.falling)
        motion.position.y = rideY;
    return true;
}

void Racer::placeShadow()
{
    if (!shadow || !model)
        return;
    Vector3 up, upLocal(0.0f, 1.0f, 0.0f);
    motion.orientation.transformVectorTo(upLocal, up);
    Quaternion q;
    partialTurn(q, up, groundNormal, 1.0f);
    Matrix4 tilt;
    tilt.setFromQuaternion(q);
    shadow->matrix.setProduct(tilt, model->matrix);
    shadow->matrix.setTranslationXYZ(motion.position.x - shadowShift, groundHeight + 0.18f,
                                     motion.position.z - shadowShift);
}

void Racer::stepFume(float dt, float fastSpeed, float rise)
{
    fume.update(dt);
    if (race->hasFume && !motion.falling && motion.speed > fastSpeed && model)
        fume.emit(dt, motion.speed, model->matrix, width, height, length, rise);
}

void Racer::buildShadow(Scene3D* scene, const std::u16string& name, TextureDictionary* textures,
                        const std::u16string& folder, float w, float h, float scale)
{
    Texture* mask = textures ? textures->load(folder.c_str(), u"common\\shadow.jpg", true, false) : nullptr;
    shadow = new Chip3D(scale, w, h, 1, nullptr, mask);
    if (Material* m = shadow->getMaterial())
        m->color = 0;
    if (scene)
        scene->addChild(name.c_str(), shadow);
}

void Racer::buildFume(Scene3D* scene, const std::u16string& stem, float scale, uint32_t colour,
                      TextureDictionary* textures, const std::u16string& folder)
{
    for (int k = ExhaustFume::kPuffs - 1; k >= 0; --k)
        for (int e = 0; e < 2; ++e)
        {
            Chip3D* chip = ExhaustFume::makeChip(scale, colour, textures, folder);
            fume.puffs[e][k].setObject(chip, chip->getMaterial());
            if (scene)
                scene->addChild((stem + char16_t(u'0' + k)).c_str(), chip);
        }
}

} // namespace racing
