// bike_model.h -- a motorbike with its model in the race's 3D scene: the
// bike loaded with its lower level of detail (rivals copy the player's with
// their own meshes and materials), paint, wheel textures still and blurred,
// rider poses, spinning wheels, the ground shadow and the two exhausts'
// puffs
#pragma once

#include "racing/moravel/motorbike.h"

#include "games/skyrend/flight/particles.h"

#include <memory>
#include <string>

class Group3D;
class Material;
class Mesh;
class Texture;
class TextureDictionary;

namespace racing {
class Chip3D;
class Scene3D;
} // namespace racing

namespace moravel {

// An exhaust puff: the jet game's smoke with a life of 0.4 s, launched with
// 0.3 of the bike's speed, rising and fading to 200.
struct ExhaustPuff : skyrend::FadingParticle
{
    static constexpr float kLifetime = 0.4f;
    ExhaustPuff() : FadingParticle(-2.5f, 200, kLifetime, 0.3f) {}
};

// What a bike needs of its race page to build its model.
struct BikeScene
{
    racing::Scene3D* scene = nullptr;      // "mainScene"
    TextureDictionary* textures = nullptr; // the page's
    std::u16string vehicleFolder;          // resources + "vehicle\"
    bool motocross = false;
    bool hasFume = false;
    uint32_t fumeColour = 0;
};

class DrawnBike : public Motorbike
{
public:
    static constexpr int kPuffs = 4;

    // The player's bike loads its model ("Superbike.3ds" or "crossbike.3DS"
    // and its LOD file, at 3.0); a rival copies the template. The model joins
    // the scene as prefix + "vehicle", the shadow as prefix + "Shadow".
    DrawnBike(racing::RaceTrack* race, bool isPlayer, const BikeScene& where, const std::u16string& paint,
              const std::u16string& prefix, Group3D* templateModel);
    ~DrawnBike() override;
    void setPose(int pose_) override;
    // Extents from the body and wheel objects, and the lift on every object
    // of the model and of its lower level.
    void measure(bool motocross);
    // Puffs of both exhausts, stepped while visible.
    void updatePuffs(float dt);
    // Every puff chip hidden.
    void hidePuffs();

    Group3D* model = nullptr;       // the scene's
    racing::Chip3D* shadow = nullptr; // the scene's
    Material* wheelMaterial = nullptr;
    Texture* wheelTextures[2] = {};
    Texture* wheelAlphas[2] = {};
    ExhaustPuff puffs[2][kPuffs];
    float fumeTimer = 0.0f;
    float fumeInterval = ExhaustPuff::kLifetime * 0.25f;

protected:
    void onVisibility(bool wasVisible) override;
    void onWheels(float dt) override;
    void onShadow() override;
    void onFume(float dt) override;

private:
    void buildModel(const BikeScene& where, const std::u16string& paint, const std::u16string& prefix);
    void buildFume(const BikeScene& where, const std::u16string& prefix);
    Vector3 frontCentre, rearCentre;
    bool hasFume = false;
};

} // namespace moravel
