// bike_model.cpp -- a motorbike's model in the race's 3D scene
#include "racing/moravel/bike_model.h"

#include "racing/engine/loader3ds.h"
#include "racing/engine/model3d.h"
#include "racing/engine/scene3d.h"

#include "engine/base/math_utils.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/3d/mesh.h"
#include "engine/scene/core/material.h"
#include "engine/scene/core/texture.h"
#include "engine/scene/core/texture_dictionary.h"

#include <string>

namespace moravel {

namespace {

constexpr float kModelScale = 3.0f;
constexpr float kLevelDistance = 90.0f;

std::u16string digit(int k)
{
    return std::u16string(1, char16_t(u'0' + k));
}

} // namespace

DrawnBike::DrawnBike(racing::RaceTrack* race_, bool isPlayer_, const BikeScene& where, const std::u16string& paint,
                     const std::u16string& prefix, Group3D* templateModel)
    : Motorbike(race_, isPlayer_), motocross(where.motocross)
{
    const bool cross = where.motocross;
    if (!templateModel)
    {
        racing::Loader3DS loader;
        model = loader.load(where.vehicleFolder.c_str(), cross ? u"crossbike.3DS" : u"Superbike.3ds", kModelScale,
                            where.textures);
        if (model)
        {
            Group3D* low = loader.load(where.vehicleFolder.c_str(), cross ? u"CrossbikeLOD.3ds" : u"SuperbikeLOD.3ds",
                                       kModelScale, where.textures);
            if (low)
            {
                model->setLevels(&low, 1, kLevelDistance);
                delete low; // emptied: its meshes and materials are the model's now
            }
        }
    }
    else
        // Own meshes and materials: each bike keeps its paint, and the lift
        // is applied once to each.
        model = templateModel->clone(Group3D::kCloneMeshes | Group3D::kCloneMaterials | Group3D::kCloneLevels);
    if (!model)
        return;
    racing::setNearPlaneCulling(*model, true);
    if (where.scene)
        where.scene->addChild((prefix + u"vehicle").c_str(), model);
    motion.model = model;
    buildModel(where, paint, prefix);
    buildFume(where.scene, prefix + u"Fume", 1.0f, where.fumeColour, where.textures, where.vehicleFolder);
}

void DrawnBike::buildModel(const BikeScene& where, const std::u16string& paint, const std::u16string& prefix)
{
    modelScale = kModelScale;
    model->cullingPolicy = racing::cullingPolicyFromRacing(1);
    model->frontClip = 1.0f;
    const std::u16string& folder = where.vehicleFolder;
    TextureDictionary* textures = where.textures;
    Texture* paintTexture = textures ? textures->load(folder.c_str(), (paint + u".jpg").c_str(), true, false) : nullptr;
    Material* body = model->findMaterial(u"body");
    Material* rider = model->findMaterial(u"racer");
    wheelMaterial = model->findMaterial(u"wheel");
    if (body)
    {
        body->texture = paintTexture;
        body->detailLevel = 2;
        body->shininessStrength = 200;
    }
    if (rider)
    {
        rider->texture = paintTexture;
        rider->detailLevel = 2;
        rider->shininessStrength = 100;
    }
    const std::u16string stem = where.motocross ? u"crossbike_whl" : u"superbike_whl";
    for (int k = 0; k < 2 && textures; ++k)
    {
        wheelTextures[k] = textures->load(folder.c_str(), (stem + digit(k) + u".jpg").c_str(), true, false);
        if (where.motocross)
            wheelAlphas[k] = textures->load(folder.c_str(), (stem + digit(k) + u"alf.jpg").c_str(), true, false);
    }
    if (wheelMaterial)
    {
        wheelMaterial->detailLevel = 1;
        wheelMaterial->texture = wheelTextures[0];
        wheelMaterial->mask = wheelAlphas[0];
        wheelMaterial->flat = 1;
    }
    // The lower level wears the same paint.
    if (model->levels && model->levelCount > 0)
    {
        const std::pair<const char16_t*, Material*> shared[4] = {
            {u"body", body}, {u"racer", rider}, {u"fwheel", wheelMaterial}, {u"rwheel", wheelMaterial}};
        for (auto [name, material] : shared)
            if (Mesh* m = model->findLevelObject(0, name))
                if (material)
                    m->material = material;
    }
    setPose(kPoseStill);
    buildShadow(where.scene, prefix + u"vehicleShadow", textures, folder, 25.0f, 100.0f, modelScale * 0.015f);
}

void DrawnBike::setPose(int pose_)
{
    pose = pose_;
    if (!model || !model->findObject(kPoseNames[0]))
        return;
    for (int k = 0; k < 6; ++k)
        if (Mesh* m = model->findObject(kPoseNames[k]))
            m->visible = k == pose_ ? 1 : 0;
}

void DrawnBike::measure()
{
    Mesh* body = model ? model->findObject(u"body") : nullptr;
    Mesh* front = model ? model->findObject(u"fwheel") : nullptr;
    Mesh* rear = model ? model->findObject(u"rwheel") : nullptr;
    if (!body || !front || !rear)
        return;
    Vector3 lo, hi, flo, fhi, rlo, rhi;
    body->getBounds(lo, hi);
    front->getBounds(flo, fhi);
    rear->getBounds(rlo, rhi);
    setDimensions(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, fhi.y - flo.y, motocross);
    frontCentre.set((flo.x + fhi.x) / 2, (flo.y + fhi.y) / 2, (flo.z + fhi.z) / 2);
    rearCentre.set((rlo.x + rhi.x) / 2, (rlo.y + rhi.y) / 2, (rlo.z + rhi.z) / 2);
    for (int i = 0; i < model->meshCount(); ++i)
        model->mesh(i)->matrix.m[7] += lift;
    if (model->levels && model->levelCount > 0 && model->levels[0])
        for (int i = 0; i < model->levels[0]->size(); ++i)
            static_cast<Mesh*>(model->levels[0]->get(i))->matrix.m[7] += lift;
}

void DrawnBike::onWheels(float)
{
    if (!model)
        return;
    for (auto [name, centre] : {std::pair{u"fwheel", &frontCentre}, std::pair{u"rwheel", &rearCentre}})
    {
        Mesh* wheel = model->findObject(name);
        if (!wheel)
            continue;
        Matrix4 to, spin, back;
        to.setToTranslation(*centre);
        spin.rotX(wheelAngle);
        back.setToTranslationXYZ(-centre->x, -centre->y, -centre->z);
        Matrix4 m;
        m.setProduct(to, spin);
        m.multiply(back);
        m.m[7] += lift - (motion.falling ? 0.05f * height : 0.0f);
        wheel->matrix.copyFrom(m);
    }
    if (wheelMaterial)
    {
        wheelMaterial->texture = wheelTextures[wheelBlur];
        wheelMaterial->mask = wheelAlphas[wheelBlur];
    }
}

} // namespace moravel
