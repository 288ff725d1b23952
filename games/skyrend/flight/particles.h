// particles.h -- the jet game's small thrown and animated things of a 3D
// scene: bullets, flare and chaff decoys and smoke puffs (on the engine's
// ballistic and fading particles, engine/scene/3d/particles.h) and the
// explosion and splash chip animations. Each works without a scene object
// too (the game server steps bare particles).
#pragma once

#include "engine/base/matrix4.h"
#include "engine/scene/3d/particles.h"

#include <cstdint>
#include <vector>

class Chip3D;
class ChipFrames;
class Group3D;
class Material;

namespace skyrend {

using ::BallisticParticle;
using ::FadingParticle;
using ::launchFirstIdle;

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
