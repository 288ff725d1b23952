// bike_model.h -- a motorbike with its model in the race's 3D scene: the
// bike loaded with its lower level of detail (rivals copy the player's with
// their own meshes and materials), paint, wheel textures still and blurred,
// rider poses, spinning wheels, the ground shadow and the two exhausts'
// puffs
#pragma once

#include "racing/moravel/motorbike.h"

#include "racing/framework/exhaust_fume.h"

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

using racing::ExhaustPuff;

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
    static constexpr int kPuffs = racing::ExhaustFume::kPuffs;

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
    racing::ExhaustFume fume;

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
