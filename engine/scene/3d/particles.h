// particles.h -- the thrown particle of a 3D scene and the chip that rises
// and fades on it: a ballistic particle (it moves along its launch direction
// at a constant speed while its vertical speed grows with gravity) and a
// fading particle (a chip launched with a share of its launcher's speed,
// rising and fading for its life: decoys and smoke of the jet game, the
// racing games' exhaust puffs). Each works without a scene object too (the
// game server steps bare particles).
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"

#include <cstdint>
#include <vector>

class Chip3D;
class Group3D;
class Material;

// Moves along its launch direction at a constant speed while its vertical
// speed grows with gravity (a negative gravity makes it rise).
struct BallisticParticle
{
    Group3D* object = nullptr; // follows the particle's matrix (may be null)
    float speed = 0.0f;
    float verticalSpeed = 0.0f;
    float gravity = 0.0f;
    Vector3 position;
    Vector3 start;
    Matrix4 matrix;

    void launch(Group3D* followingObject, float launchSpeed, const Matrix4& from);
    void update(float dt);
};

// A chip that rises and fades for its life: its transparency climbs to
// `fade` at the end of it, then the chip is hidden.
struct FadingParticle
{
    static constexpr float kLifetime = 3.0f;

    Chip3D* chip = nullptr;
    Group3D* object = nullptr; // the chip, or any group that stands for it
    uint8_t active = 0;
    float age = 0.0f;
    Material* chipMaterial = nullptr;
    BallisticParticle base;

    FadingParticle(float riseGravity, int fadeValue, float lifetimeSeconds = kLifetime, float speedShare = 0.2f)
        : gravity(riseGravity), fade(fadeValue), lifetime(lifetimeSeconds), share(speedShare)
    {
    }
    void setChip(Chip3D* c);
    // Another kind of chip: a group and the material that fades.
    void setObject(Group3D* g, Material* m);
    // Speed is the launching body's; the particle keeps its share of it.
    void launch(float launchSpeed, const Matrix4& from);
    void update(float dt);
    void stop();
    float getLifetime() const { return lifetime; }

private:
    float gravity;
    int fade;
    float lifetime;
    float share;
};

// Launches the first idle particle of a pool; false when all are in the air.
template <class Particle>
bool launchFirstIdle(std::vector<Particle*>& pool, float launchSpeed, const Matrix4& from)
{
    for (Particle* p : pool)
        if (!p->active)
        {
            p->launch(launchSpeed, from);
            return true;
        }
    return false;
}
