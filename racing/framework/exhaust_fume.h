// exhaust_fume.h -- the exhaust puffs of a racer: two exhausts of four
// puffs, each a chip that rises and fades for 0.4 s with 0.3 of the racer's
// speed, launched from both exhausts every 0.1 s while the racer emits
#pragma once

#include "engine/base/matrix4.h"
#include "engine/scene/3d/particles.h"

#include <cstdint>
#include <string>

class TextureDictionary;

namespace racing {

class Chip3D;

// An exhaust puff: a fading chip with a life of 0.4 s, launched with 0.3 of
// the racer's speed, rising and fading to 200.
struct ExhaustPuff : FadingParticle
{
    static constexpr float kLifetime = 0.4f;
    ExhaustPuff() : FadingParticle(-2.5f, 200, kLifetime, 0.3f) {}
};

struct ExhaustFume
{
    static constexpr int kPuffs = 4;

    ExhaustPuff puffs[2][kPuffs]; // exhaust 0 on the model's negative x side
    float timer = 0.0f;
    float interval = ExhaustPuff::kLifetime * 0.25f;

    // A chip of 1 x 1 at the scale facing the camera, hidden, in the fume's
    // colour with one of the masks "common/fumealf0..2.jpg" of the folder
    // (chosen by chance): for puff k of exhaust e. The chip is the caller's
    // (its scene's) to own.
    static Chip3D* makeChip(float scale, uint32_t colour, TextureDictionary* textures, const std::u16string& folder);
    // The puffs in the air move and fade.
    void update(float dt);
    // Every interval one puff from each exhaust (the first one not in the
    // air; none when all four are): at the exhaust's offset in the model,
    // `share` of its width and length out, at `rise` of its height.
    void emit(float dt, float speed, const Matrix4& model, float width, float height, float length, float rise);
    // Every puff hidden.
    void hide();
    int visible(int exhaust) const;
};

} // namespace racing
