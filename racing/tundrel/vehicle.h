// vehicle.h -- one racer of the car game: a car or truck of a vehicle
// library with its body, four wheels and shadow, driven over the track by
// the motion body (steering, throttle, brake, reversing, the over-speed flag
// of the cruise setting, the track edge, the ground and the body's tilt)
#pragma once

#include "racing/framework/exhaust_fume.h"
#include "racing/framework/motion_body.h"
#include "racing/framework/race_track.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Group3D;
class Material;
class Mesh;
class Texture;
class TextureDictionary;

namespace tundrel {

// What a vehicle reads of its race page beyond the track.
struct CarRace : racing::RaceTrack
{
    float cruiseSpeed = 80.0f; // 50, 80 or 5000 (km/h shown)
    bool hasFume = false;
};

// km/h shown for a speed in world units a second.
constexpr float kSpeedToKmh = 1.44f;

class Vehicle
{
public:
    Vehicle(CarRace* race, bool isPlayer);
    ~Vehicle();
    Vehicle(const Vehicle&) = delete;
    Vehicle& operator=(const Vehicle&) = delete;

    // The model and its parts: "body", "basis" (taken out of the drawn
    // objects), the four wheels "flwheel", "frwheel", "rlwheel", "rrwheel",
    // materials "body" and "wheel", the three wheel pictures (blur 0, 1, 2).
    void setModel(Group3D* model, Texture* wheels[3]);

    void update(float dt);
    // 0 left (steer angle down), 1 right (up), 2 centre.
    void steer(int direction, float dt);
    void accelerate(float dt);
    void brake(float dt);
    void autoDrive(float dt);
    // On the segment's point facing along the track.
    void place(float speed, int segment);
    // Extents of the body, wheel centres and diameter.
    void measure();
    // The two exhausts' puffs: chips of 1.4 in the fume's colour with the
    // masks of the folder.
    void buildFume(uint32_t colour, TextureDictionary* textures, const std::u16string& folder);
    // The wheel's matrix for its centre, turn about y and spin about x.
    void wheelTransform(const Vector3& centre, float turn, float angle, Matrix4& out) const;

    float speed() const { return motion.speed; }
    // The wheel picture shown: 0 still, 1 and 2 blurred (speeds 22.5, 45).
    int wheelBlur() const;

    uint8_t isPlayer;
    racing::MotionBody motion;
    float size = 4.0f;
    Group3D* model = nullptr; // owned
    Mesh* body = nullptr;
    Mesh* basis = nullptr;    // owned once taken out of the model
    Mesh* wheels[4] = {};     // fl, fr, rl, rr
    Material* bodyMaterial = nullptr;
    Material* wheelMaterial = nullptr;
    Texture* wheelTextures[3] = {};
    Vector3 wheelCentres[4];
    float wheelDiameter = 0.8f, wheelAngle = 0.0f;
    float frontTurn = 0.0f;   // the front wheels' turn last drawn
    float width = 1.8f, length = 4.0f, height = 1.4f;
    float steerAngle = 0.0f;
    uint8_t autopilot = 0;
    uint8_t offTrack = 0;
    uint8_t visible = 1;
    float rev = 0.0f;
    int segment = 0;
    Vector3 heading, trackDirection, point, previousPoint, nextPoint;
    Vector3 groundNormal;
    float groundHeight = 0.0f;
    int overSpeed = 0;        // the cruise flag
    racing::ExhaustFume fume;
    std::vector<std::unique_ptr<racing::Chip3D>> puffChips; // owned, drawn by the race page

private:
    void followTrack();
    void spinWheels(float dt);

    CarRace* race;
};

} // namespace tundrel
