// bike_model.h -- a motorbike with its model in the race's 3D scene: the
// bike loaded with its lower level of detail (rivals copy the player's with
// their own meshes and materials), paint, wheel textures still and blurred,
// rider poses, spinning wheels, the ground shadow and the two exhausts'
// puffs
#pragma once

#include "racing/moravel/motorbike.h"

#include <string>

class Material;
class Texture;
class TextureDictionary;

namespace racing {
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
    uint32_t fumeColour = 0;
};

class DrawnBike : public Motorbike
{
public:
    static constexpr int kPuffs = racing::ExhaustFume::kPuffs;

    // The player's bike loads its model ("Superbike.3ds" or "crossbike.3DS"
    // and its LOD file, at 3.0); a rival copies the template. The model joins
    // the scene as prefix + "vehicle", the shadow under its name + "Shadow".
    DrawnBike(racing::RaceTrack* race, bool isPlayer, const BikeScene& where, const std::u16string& paint,
              const std::u16string& prefix, Group3D* templateModel);
    void setPose(int pose_) override;
    // Extents from the body and wheel objects, and the lift on every object
    // of the model and of its lower level.
    void measure() override;

    Material* wheelMaterial = nullptr;
    Texture* wheelTextures[2] = {};
    Texture* wheelAlphas[2] = {};

protected:
    void onWheels(float dt) override;

private:
    void buildModel(const BikeScene& where, const std::u16string& paint, const std::u16string& prefix);
    Vector3 frontCentre, rearCentre;
    bool motocross = false;
};

} // namespace moravel
