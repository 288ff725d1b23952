// vehicle.cpp -- a car or truck of a vehicle library over its track
#include "racing/tundrel/vehicle.h"

#include "racing/engine/base_library.h"
#include "racing/engine/canvas.h"
#include "racing/engine/model3d.h"
#include "racing/framework/track_keys.h"

#include "engine/base/properties.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture_dictionary.h"

#include <algorithm>
#include <cmath>

namespace tundrel {

namespace {
const char16_t* const kWheelNames[4] = {u"flwheel", u"frwheel", u"rlwheel", u"rrwheel"};
// The keys a vehicle's file gives; taken out before each vehicle is loaded,
// so that a file without one does not inherit the last vehicle's.
const char16_t* const kVehicleKeys[4] = {u"VEHICLE_SIZE", u"vehicle.name", u"vehicle.fume", u"LODBodyColor"};
constexpr float kTwoPi = 2.0f * 3.1415927f;
constexpr float kGroundTolerance = 0.2f;
} // namespace

Vehicle::Vehicle(racing::RaceTrack* race_, bool isPlayer_) : Racer(race_, isPlayer_) {}

Vehicle::~Vehicle()
{
    delete basis;
}

bool Vehicle::load(racing::Canvas& page, racing::Scene3D* scene, const std::u16string& folder,
                   const std::u16string& name, const std::u16string& prefix)
{
    const std::u16string file = name + u".properties";
    if (Properties probe; !probe.load(folder.c_str(), file.c_str()))
        return false;
    Properties& templ = page.getTemplate();
    for (const char16_t* key : kVehicleKeys)
        templ.remove(key);
    templ.put(u"prefix", prefix.c_str());
    page.loadTemplate((folder + u"\\").c_str(), file.c_str(), false);
    buildModel(page, scene, folder + u"\\", name);
    templ.remove(u"prefix");
    return model != nullptr;
}

void Vehicle::buildModel(racing::Canvas& page, racing::Scene3D* scene, const std::u16string& folder,
                         const std::u16string& name)
{
    Properties& templ = page.getTemplate();
    size = racing::keyFloat(templ, u"VEHICLE_SIZE", 4.0f);
    const WCHAR* modelName = templ.get(u"vehicle.name");
    model = modelName ? page.findGroup3D(modelName) : nullptr;
    if (!model)
        return;
    const std::u16string modelKey = modelName;
    model->cullingPolicy = racing::cullingPolicyFromRacing(1);
    model->frontClip = 1.0f;
    racing::setNearPlaneCulling(*model, true);
    motion.model = model;
    body = model->findObject(u"body");
    basis = model->removeObject(u"basis");
    for (int k = 0; k < 4; ++k)
        wheels[k] = model->findObject(kWheelNames[k]);
    bodyMaterial = model->findMaterial(u"body");
    wheelMaterial = model->findMaterial(u"wheel");
    if (bodyMaterial)
    {
        bodyMaterial->detailLevel = 3;
        bodyMaterial->shininessStrength = 200;
    }
    TextureDictionary* textures = page.getTextureDictionary();
    const int numbers[3] = {0, 2, 2};
    for (int k = 0; k < 3 && textures; ++k)
    {
        const std::u16string picture = name + u"_whl" + char16_t(u'0' + numbers[k]) + u".jpg";
        wheelTextures[k] = textures->load(folder.c_str(), picture.c_str(), true, false);
    }
    if (wheelMaterial)
    {
        wheelMaterial->detailLevel = 2;
        wheelMaterial->texture = wheelTextures[0];
        wheelMaterial->flat = 1;
    }
    // The lower level: the body's settings and the library's colour for its
    // paint, the windows as the body, the wheels dark.
    if (model->levels && model->levelCount > 0)
    {
        const auto bodyDetail = bodyMaterial ? bodyMaterial->detailLevel : 3;
        const auto bodyShine = bodyMaterial ? bodyMaterial->shininessStrength : 200;
        if (Mesh* low = model->findLevelObject(0, u"body"); low && low->material)
        {
            low->material->detailLevel = bodyDetail;
            low->material->shininessStrength = bodyShine;
            low->material->color = racing::colourOf(templ, u"LODBodyColor", low->material->color);
        }
        if (Mesh* low = model->findLevelObject(0, u"windows"); low && low->material)
        {
            low->material->detailLevel = bodyDetail;
            low->material->shininessStrength = bodyShine;
        }
        if (Mesh* low = model->findLevelObject(0, u"wheels"); low && low->material)
        {
            low->material->color = 0;
            low->material->detailLevel = wheelMaterial ? wheelMaterial->detailLevel : 2;
        }
    }
    buildShadow(scene, modelKey + u"Shadow", textures, folder, 45.0f, 100.0f, size * 0.012f);
    const WCHAR* fumeName = templ.get(u"vehicle.fume");
    buildFume(scene, fumeName ? std::u16string(fumeName) : modelKey + u"Fume", 1.4f, race->fumeColour, textures,
              folder);
}

int Vehicle::wheelBlur() const
{
    return std::min(int(std::fabs(motion.speed) * 0.044444446f), 2);
}

void Vehicle::update(float dt)
{
    moveOnTrack(dt, 0.12f);
    if (!visible)
        return;
    spinWheels(dt);
    if (wheelMaterial)
        wheelMaterial->texture = wheelTextures[wheelBlur()];
    stepFume(dt, 45.0f, -0.4f);
}

void Vehicle::followTrack()
{
    const racing::EdgeResult edge = keepToEdge();
    if (edge != racing::EdgeResult::OnTrack)
        overSpeed = 0;
    if (edge == racing::EdgeResult::Stopped)
        return;
    // Down a slope each step ends a hair above the road: the car falls only
    // from higher up (else every other frame would go by without the keys).
    float gap = 0.0f;
    if (rideOnGround(0.6f, kGroundTolerance, gap) && !motion.falling && visible && groundNormal.y > 0.75f)
    {
        // The body leans out of a turn and settles on the ground.
        const float t = std::clamp(steerAngle * motion.speed * 0.0033333334f, -0.15f, 0.12f);
        racing::leanOnGround(motion, -t, groundNormal);
    }
    motion.previousPosition.copyFrom(motion.position);
}

void Vehicle::steer(int direction, float dt)
{
    // Backwards the wheel turns the car the other way.
    if (direction != 2 && motion.speed < 0.0f)
        direction = 1 - direction;
    turnWheel(direction, dt, 75.0f);
    motion.setYawRate(!autopilot && std::fabs(motion.speed) > 2.0f ? steerAngle : 0.0f);
}

void Vehicle::accelerate(float dt)
{
    motion.speed = std::min(motion.speed + 50.0f * dt, 90.0f);
    rev = std::min(rev + 5.0f * dt, 6.0f);
    overSpeed = motion.speed * kSpeedToKmh > race->cruiseSpeed ? 1 : 0;
}

void Vehicle::brake(float dt)
{
    motion.speed -= (motion.speed > 0.0f ? 40.0f : 50.0f) * dt;
    motion.speed = std::max(motion.speed, -15.0f);
    rev = std::min(rev + 5.0f * dt, 4.0f);
    overSpeed = 0;
}

void Vehicle::coast(float dt)
{
    if (overSpeed)
        accelerate(dt);
    else
        Racer::coast(dt);
}

void Vehicle::autoDrive(float dt)
{
    const float y = autoPedals(dt, 0.008f);
    if (isPlayer)
        steer(steeringFor(y), 0.1f * dt);
}

void Vehicle::place(float speed_, int segment_)
{
    Racer::place(speed_, segment_);
    overSpeed = 0;
}

void Vehicle::measure()
{
    Vector3 lo, hi;
    if (!body)
        return;
    body->getBounds(lo, hi);
    width = hi.x - lo.x;
    height = hi.y - lo.y;
    length = hi.z - lo.z;
    for (int k = 0; k < 4; ++k)
    {
        if (!wheels[k])
            continue;
        wheels[k]->getBounds(lo, hi);
        wheelCentres[k].set((lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2);
        if (k == 0)
            wheelDiameter = hi.y - lo.y > 0.0f ? hi.y - lo.y : 1.0f;
    }
}

void Vehicle::spinWheels(float dt)
{
    // The wheel turn is the steering change of this step; a step of no time
    // (two frames in one millisecond) keeps the turn last shown.
    if (dt > 0.0f)
    {
        frontTurn = steerAngle / dt * 0.015f;
        if (motion.speed < 0.0f)
            frontTurn = -frontTurn;
    }
    wheelAngle = std::fmod(wheelAngle + (2.0f / wheelDiameter) * motion.speed * dt, kTwoPi);
    if (wheelAngle < 0.0f)
        wheelAngle += kTwoPi;
    for (int k = 0; k < 4; ++k)
        if (wheels[k])
        {
            Matrix4 m;
            wheelTransform(wheelCentres[k], k < 2 ? frontTurn : 0.0f, wheelAngle, m);
            wheels[k]->matrix.copyFrom(m);
        }
}

void Vehicle::wheelTransform(const Vector3& centre, float turn, float angle, Matrix4& out) const
{
    Matrix4 m, r;
    out.setToTranslation(centre);
    if (std::fabs(turn) > 0.0873f)
    {
        r.rotY(turn);
        out.multiply(r);
    }
    r.rotX(angle);
    out.multiply(r);
    m.setToTranslationXYZ(-centre.x, -centre.y, -centre.z);
    out.multiply(m);
    if (motion.falling)
        out.m[7] -= 0.03f * height;
}

} // namespace tundrel
