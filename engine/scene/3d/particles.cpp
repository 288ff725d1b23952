// particles.cpp -- the ballistic particle and the fading chip
#include "engine/scene/3d/particles.h"

#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/group3d.h"
#include "engine/scene/core/material.h"

void BallisticParticle::launch(Group3D* followingObject, float launchSpeed, const Matrix4& from)
{
    object = followingObject;
    speed = launchSpeed;
    verticalSpeed = 0.0f;
    gravity = 9.8f;
    matrix.copyFrom(from);
    matrix.getTranslation(position);
    start = position;
}

void BallisticParticle::update(float dt)
{
    Vector3 d;
    matrix.transformVectorTo(Vector3(0.0f, 0.0f, speed * dt), d);
    verticalSpeed += gravity * dt;
    d.y -= verticalSpeed * dt;
    position.add(d);
    matrix.setTranslation(position);
    if (object)
        object->matrix.copyFrom(matrix);
}

void FadingParticle::setChip(Chip3D* c)
{
    chip = c;
    object = c;
    chipMaterial = c ? c->getMaterial() : nullptr;
}

void FadingParticle::setObject(Group3D* g, Material* m)
{
    chip = nullptr;
    object = g;
    chipMaterial = m;
}

void FadingParticle::launch(float launchSpeed, const Matrix4& from)
{
    if (object)
        object->visible = 1;
    active = 1;
    base.launch(object, share * launchSpeed, from);
    base.gravity = gravity;
    age = 0.0f;
}

void FadingParticle::update(float dt)
{
    age += dt;
    if (age < lifetime)
    {
        base.update(dt);
        if (chipMaterial)
            chipMaterial->transparency = int32_t(float(fade) / lifetime * age);
    }
    else
        stop();
}

void FadingParticle::stop()
{
    age = 0.0f;
    base.speed = 0.0f;
    if (object)
        object->visible = 0;
    active = 0;
}
