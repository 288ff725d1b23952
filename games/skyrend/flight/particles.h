// particles.h -- small thrown and animated things of a 3D scene: the
// ballistic particle (bullets, flare and chaff decoys, smoke puffs) and the
// explosion and splash chip animations. Each works without a scene object
// too (the game server steps bare particles). Self-contained: it needs only
// the engine's maths and 3D groups, so other games can share it.
#pragma once

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"

#include <cstdint>
#include <vector>

class Chip3D;
class ChipFrames;
class Group3D;
class Material;

namespace skyrend {

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

// A canon round: 6.0 s of life at 70 units per second, gravity 1.5.
struct Bullet
{
    static constexpr float kLifetime = 6.0f;
    static constexpr float kSpeed = 70.0f;
    static constexpr float kGravity = 1.5f;

    uint8_t active = 0;
    BallisticParticle base;
    Group3D* component = nullptr; // the bullet's scene object (may be null)
    float age = 0.0f;

    void launch(const Matrix4& from);
    void update(float dt);
    void stop();
};

// A chip that rises and fades for its life (3.0 s here): a decoy (flare or
// chaff) or a smoke puff. Its transparency climbs to `fade` at the end of
// its life. The racing games' exhaust puffs are the same with a shorter
// life and a larger share of the launching speed.
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
    // Speed is the launching body's; the particle keeps its share of it (a
    // fifth here).
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

// Decoys: kind 0 flare, kind 1 chaff; gravity -3.0, faded at 160.
struct Flare : FadingParticle
{
    static constexpr int kFlare = 0;
    static constexpr int kChaff = 1;
    int32_t kind;
    explicit Flare(int decoyKind) : FadingParticle(-3.0f, 160), kind(decoyKind) {}
};

// Smoke: gravity -2.5, faded at 220.
struct SmokePuff : FadingParticle
{
    SmokePuff() : FadingParticle(-2.5f, 220) {}
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

// A chip animation of ten frames that follows a matrix for its duration:
// 2.5 s for an explosion, 2.0 s for a splash.
class ChipAnimation
{
public:
    static constexpr int kFrames = 10;

    Chip3D* chip = nullptr;
    int32_t active = 0;
    float time = 0.0f;
    float duration;
    ChipFrames* frames = nullptr; // owned, with its two arrays (new[]); the textures are not
    const Matrix4* followed = nullptr;

    explicit ChipAnimation(float seconds) : duration(seconds) {}
    ~ChipAnimation();
    ChipAnimation(const ChipAnimation&) = delete;
    ChipAnimation& operator=(const ChipAnimation&) = delete;

    void start(const Matrix4* matrix);
    void update(float dt);
    void stop();
    int frame() const;
};

class ExplosionEffect : public ChipAnimation
{
public:
    ExplosionEffect() : ChipAnimation(2.5f) {}
};

class SplashEffect : public ChipAnimation
{
public:
    SplashEffect() : ChipAnimation(2.0f) {}
};

} // namespace skyrend
