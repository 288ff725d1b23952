// missile.h -- one air-to-air missile on one of an aircraft's eight
// stations: it rides on its station, locks a target, flies on its own flight
// model after launch, steers toward the target after 2.0 s, trails smoke and
// explodes on a hit, on the ground, or is put away at the end of its flight
#pragma once

#include "games/skyrend/flight/flight_model.h"
#include "games/skyrend/flight/particles.h"

#include <os/types.h>

#include <cstdint>
#include <vector>

class Group3D;

namespace skyrend {

class FlightHost;

class Missile
{
public:
    enum State : int32_t
    {
        Idle = 0,     // on its station
        Locked = 1,   // on its station, target set
        Flying = 2,
        Exploding = 3,
        Spent = 4,
    };
    enum Kind : int32_t
    {
        ShortRange = 0, // "SRAAM"
        MediumRange = 1, // "MRAAM"
        LongRange = 2, // "LRAAM"
    };
    static constexpr int kNameLength = 31;      // with its terminator
    static constexpr int kOwnerNameLength = 64; // with its terminator
    static constexpr float kGuideDelay = 2.0f;
    static constexpr float kExplodeTime = 4.0f;

    uint8_t hasCanvas = 0;
    int32_t state = Idle;
    float killRadius = 8.0f;
    float guideTimer = 0.0f, guideInterval = 0.4f;
    float smokeTimer = 0.0f, smokeInterval = 0.0f;
    float explodeTimer = 0.0f;
    float flightTimer = 0.0f;
    float flightTime = 0.0f;
    float maxRange = 0.0f;
    float minRange = 0.0f;
    int32_t kind = ShortRange;
    WCHAR name[kNameLength] = {};
    Group3D* model = nullptr;
    FlightModel flight;
    FlightModel* target = nullptr;
    FlightModel* parent = nullptr;
    WCHAR ownerName[kOwnerNameLength] = {};
    Matrix4 steer;
    Matrix4 station;
    std::vector<SmokePuff*> smoke; // owned
    FlightHost* host = nullptr;

    // With a canvas the missile's template "<name>.properties" is loaded from
    // the folder and its smoke chips are added to "mainScene".
    Missile(const WCHAR* folder, const WCHAR* missileName, FlightHost* flightHost, int missileKind, int stationIndex,
            const WCHAR* owner, FlightModel* carrier, bool withCanvas);
    ~Missile();
    Missile(const Missile&) = delete;
    Missile& operator=(const Missile&) = delete;

    static float baseSpeed(int missileKind);
    // Whether a missile name fits (at most kNameLength - 1 characters, not
    // empty), and whether the scene names built from the owner's model name
    // ("<owner><KIND><n>Fume<m>") stay within a scene object's name.
    static bool nameFits(const WCHAR* missileName);
    static bool ownerNameFits(const WCHAR* owner);
    // "<owner><KIND><station>", always terminated within `capacity`.
    void makeName(WCHAR* buffer, int capacity, int stationIndex) const;

    void reset();
    void launch();
    void putAway();
    void explode();
    void update(float dt);
    void guide(float dt);
    void updateSmoke(float dt);
    void emitSmoke(float dt);
    void checkGround();

    Vector3& position() { return flight.position; }
    const Vector3& position() const { return flight.position; }

private:
    int stationIndex;
    void loadModel(const WCHAR* folder);
    void createSmoke(const WCHAR* folder);
};

} // namespace skyrend
