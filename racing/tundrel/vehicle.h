// vehicle.h -- one racer of the car game: a car or truck of a vehicle
// library, its file loaded into the race page (its model and level of
// detail built by the page's template loader under the racer's prefix),
// with its body, four wheels, shadow and exhaust puffs, driven over the
// track by the motion body (steering, throttle, brake, reversing, the
// over-speed flag of the cruise setting, the track edge, the ground and the
// body's tilt)
#pragma once

#include "racing/framework/racer.h"

#include <cstdint>
#include <string>

class Material;
class Mesh;
class Texture;

namespace racing {
class Canvas;
class Scene3D;
} // namespace racing

namespace tundrel {

// km/h shown for a speed in world units a second.
constexpr float kSpeedToKmh = 1.44f;

class Vehicle : public racing::Racer
{
public:
    Vehicle(racing::RaceTrack* race, bool isPlayer);
    ~Vehicle() override;

    // The vehicle's file "<name>.properties" of the folder loaded into the
    // page's template with "prefix" standing for the prefix (the page builds
    // the model it names into the scene), then the model's parts, the wheel
    // pictures, the shadow and the puffs; "prefix" is taken out again. False
    // when the file or its model is missing.
    bool load(racing::Canvas& page, racing::Scene3D* scene, const std::u16string& folder,
              const std::u16string& name, const std::u16string& prefix);

    void update(float dt) override;
    void steer(int direction, float dt) override;
    void accelerate(float dt) override;
    void brake(float dt) override;
    // With the cruise flag set the car keeps accelerating.
    void coast(float dt) override;
    // A hit switches cruising off.
    void onCollision() override { overSpeed = 0; }
    void place(float speed, int segment) override;
    // Extents of the body, wheel centres and diameter.
    void measure() override;
    // The wheel's matrix for its centre, turn about y and spin about x.
    void wheelTransform(const Vector3& centre, float turn, float angle, Matrix4& out) const;

    // The wheel picture shown: 0 still, 1 and 2 blurred (speeds 22.5, 45).
    int wheelBlur() const;

    float size = 4.0f;     // "VEHICLE_SIZE"
    Mesh* body = nullptr;
    Mesh* basis = nullptr; // owned once taken out of the model
    Mesh* wheels[4] = {};  // fl, fr, rl, rr
    Material* bodyMaterial = nullptr;
    Material* wheelMaterial = nullptr;
    Texture* wheelTextures[3] = {};
    Vector3 wheelCentres[4];
    float wheelDiameter = 0.8f, wheelAngle = 0.0f;
    float frontTurn = 0.0f; // the front wheels' turn last drawn
    int overSpeed = 0;      // the cruise flag

protected:
    void autoDrive(float dt) override;
    void followTrack() override;

private:
    void buildModel(racing::Canvas& page, racing::Scene3D* scene, const std::u16string& folder,
                    const std::u16string& name);
    void spinWheels(float dt);
};

} // namespace tundrel
