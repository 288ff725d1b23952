// particles.cpp -- bullets and chip animations
#include "games/skyrend/flight/particles.h"

#include "engine/scene/3d/chip3d.h"
#include "engine/scene/3d/group3d.h"

namespace skyrend {

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
