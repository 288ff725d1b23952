// particles.cpp -- ballistic particles and chip animations
#include "games/skyrend/flight/particles.h"

#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/group3d.h"

namespace skyrend {

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

void Bullet::launch(const Matrix4& from)
{
    active = 1;
    if (component)
        component->visible = 1;
    base.launch(component, kSpeed, from);
    base.gravity = kGravity;
}

void Bullet::update(float dt)
{
    age += dt;
    if (age >= kLifetime)
        stop();
    else
        base.update(dt);
}

void Bullet::stop()
{
    age = 0.0f;
    base.speed = 0.0f;
    active = 0;
    if (component)
        component->visible = 0;
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

ChipAnimation::~ChipAnimation()
{
    if (frames)
    {
        delete[] frames->textures;
        delete[] frames->masks;
    }
    delete frames;
}

void ChipAnimation::start(const Matrix4* matrix)
{
    followed = matrix;
    active = 1;
    time = 0.0f;
    if (chip)
    {
        chip->visible = 1;
        chip->matrix.copyFrom(*matrix);
    }
    if (frames)
        frames->setFrame(0);
}

int ChipAnimation::frame() const
{
    return int(float(kFrames) / duration * time);
}

void ChipAnimation::update(float dt)
{
    time += dt;
    if (time < duration)
    {
        if (chip && followed)
            chip->matrix.copyFrom(*followed);
        if (frames)
            frames->setFrame(frame());
    }
    else
        stop();
}

void ChipAnimation::stop()
{
    time = 0.0f;
    active = 0;
    if (chip)
        chip->visible = 0;
}

} // namespace skyrend
