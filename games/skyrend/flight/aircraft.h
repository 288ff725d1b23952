// aircraft.h -- one fighter: its flight, damage, weapons (canon, 2 x 4
// air-to-air missiles, flare and chaff decoys), smoke trail, the enemy
// behaviour that flies computer pilots and, in the game, its 3D model and
// moving parts. The same record serves the game, which draws it through its
// FlightHost's canvas, and the game server, which builds it with no host
// and no plane file and steps it on its own clock (nothing here needs a
// window then).
#pragma once

#include "games/skyrend/flight/flight_model.h"
#include "games/skyrend/flight/missile.h"
#include "games/skyrend/flight/particles.h"

#include "engine/base/matrix4.h"
#include "engine/base/vector.h"

#include <os/types.h>

#include <cstdint>
#include <string>
#include <vector>

class Group3D;
class Image;
class Material;
class Mesh;
class Properties;
class Texture;

namespace skyrend {

class FlightHost;

class Aircraft
{
public:
    enum State : int16_t
    {
        Flying = 0,
        Hit = 1,  // exploded or falling in the air
        Down = 2, // crashed on the ground or splashed into water
    };
    // Event bits: what happened to the aircraft since its last update. The
    // server ORs them in, a receiving game performs them.
    enum Event : int16_t
    {
        EventCanon = 1,
        EventExplode = 2,
        EventSplash = 4,
        EventSmoke = 8,
        EventChaff = 16,
        EventFlare = 32,
        EventDamage = 64,
        EventHeatWarning = 128,
        EventRadarWarning = 256,
    };
    static constexpr int kRows = 2;    // 0 short-range ("sraam"), 1 medium ("mraam")
    static constexpr int kColumns = 4;
    static constexpr float kPlayerHitRadius = 5.0f;
    static constexpr float kOtherHitRadius = 12.0f;
    // Names that scene objects are built from stay within a scene object's
    // name: the pilot name (the plane file's {prefix}) is cut to this.
    static constexpr int kPilotNameLength = 24;
    // The enemy's decision interval.
    static constexpr float kEnemyDecisionInterval = 0.5f;

    uint8_t isPlayer = 0;
    int16_t state = Flying;
    FlightModel flight;
    Missile* stations[kRows][kColumns] = {}; // owned; all null without stations
    std::u16string pilotName;
    void* owner = nullptr; // the server's user flying it
    uint8_t hasCanvas = 0;
    int32_t throttleNotch = 2;
    int16_t events = 0;
    int16_t damage = 0;
    int32_t score = 0;
    uint8_t falling = 0;
    uint8_t evading = 0;
    uint8_t lockedOn = 0;
    float hitRadius = kOtherHitRadius;
    float spinAngle = 0.0f;
    float aiTimer = 0.0f, aiInterval = kEnemyDecisionInterval;
    uint8_t aiEnabled = 0;
    float missileTimer = 0.0f, missileInterval = 25.0f;
    float canonTimer = 0.0f, canonInterval = 0.0f;
    float smokeTimer = 0.0f, smokeInterval = 0.0f;
    float flareTimer = 0.0f, flareInterval = 0.0f;
    int32_t flaresInAir = 0;
    float chaffTimer = 0.0f, chaffInterval = 0.0f;
    int32_t chaffInAir = 0;
    float glowPhase = 0.0f;
    float hitCheckInterval = 0.5f, hitCheckTimer = 0.0f;
    Group3D* model = nullptr;
    Mesh* stabilizer = nullptr;
    Mesh* flapLeft = nullptr;
    Mesh* flapRight = nullptr;
    Mesh* rudder = nullptr;
    Mesh* rudderLeft = nullptr;
    Mesh* rudderRight = nullptr;
    Material* spoutFlame = nullptr;
    Mesh* spark = nullptr;
    Texture* sparkImages[2] = {};
    Material* sparkMaterial = nullptr;
    Texture* skin = nullptr; // this aircraft's own copy of the body texture (owned)
    Texture* damageImage = nullptr;
    Texture* damageMask = nullptr;
    Aircraft* target = nullptr;
    Matrix4 steer;
    uint8_t aiFire = 0;
    Vector3 pivots[6]; // rudder (or left), rudder right, flap left, flap right, stabilizer, spare
    std::vector<Bullet*> bullets; // owned
    std::vector<SmokePuff*> smoke; // owned
    std::vector<Flare*> flares;    // owned
    std::vector<Flare*> chaff;     // owned
    int32_t controlWords[3] = {};
    FlightHost* host = nullptr; // not owned; null on the server
    uint8_t onWater = 0;        // without a host: the scene's basis is water (server)
    Vector3 aimPoint, evadePoint;
    float wingCos = 1.0f, wingSin = 0.0f, rudderCos = 1.0f, rudderSin = 0.0f, stabCos = 1.0f, stabSin = 0.0f;

    // Builds the aircraft. With a host that has a canvas, the plane file
    // "<planeName>.properties" is loaded from the folder with {prefix} =
    // the pilot name and the model, missiles, bullets, smoke and decoys are
    // found or made on it. The server passes no folder, plane or host and
    // both flags false: the aircraft then gets bare missiles (fixed names)
    // and bare particles. A plane file that is missing or names something
    // too long for a scene object is refused: buildError() tells why, and
    // the aircraft keeps no model.
    Aircraft(const WCHAR* folder, const WCHAR* planeName, const WCHAR* pilot, FlightHost* flightHost, bool player,
             bool withCanvas);
    ~Aircraft();
    Aircraft(const Aircraft&) = delete;
    Aircraft& operator=(const Aircraft&) = delete;

    const std::u16string& buildError() const { return error; }

    // Places the aircraft: the flight model starts at (x, y, z) at the
    // shared start speed with the given ceiling (0: none), heading `heading`
    // radians about y.
    void place(float x, float y, float z, float heading, float ceilingHeight);

    void update(float dt);
    void addEvents(int bits) { events = int16_t(events | bits); }
    int hasEvents(int mask) const { return events & mask; }
    bool isNetworkClient() const;

    // Controls, each ignored unless flying. x is a signed deflection in radians.
    void yaw(float x);
    void pitch(float x);
    void roll(float x);
    void setThrottle(int step);
    void fireCanon(float dt);
    void releaseFlare(float dt);
    void releaseChaff(float dt);
    void launchMissile(Missile* missile);

    void addDamage(int points);
    // Damage from a hit in a flight with a canvas: the player collects the
    // points done to an enemy; at 100 the aircraft falls and explodes.
    void takeHit(int points, float dt);
    void startFalling();
    void explode(float dt, bool hideModel);
    void splash();
    void emitSmoke(float dt);
    void checkGround(float dt);

    // Targeting, hit tests and the enemy behaviour (aircraft_combat.cpp).
    void scanTargets();
    void acquireTarget(Aircraft* t);
    int checkHits(float dt);
    int missileDamage(const Missile* missile, float distance) const;
    bool hasDecoyFor(const Missile* missile) const;
    static float roughDistance(const Vector3& a, const Vector3& b);
    void updateEnemyAI(float dt);
    // The distance under which every enemy breaks away (shared by all).
    static float& pursuitThreshold();

    // Views of the player's aircraft (modes 0..8) and the camera point.
    void setView(int mode);
    void setCameraPoint(float z);

    bool hasStations() const { return stations[0][0] != nullptr; }
    Vector3& position() { return flight.position; }
    const Vector3& position() const { return flight.position; }

private:
    std::u16string error;
    Texture* skinOriginal = nullptr;
    Material* bodyMaterial = nullptr;
    bool checkPlaneNames(Properties& plane, const std::u16string& file);
    void loadModelParts(const WCHAR* folder);
    void createMissiles(const WCHAR* folder, const WCHAR* shortName, const WCHAR* mediumName);
    void createBullets();
    void createSmoke(const WCHAR* folder);
    void createDecoys(const WCHAR* folder);
    void placeParts();
    void paintDamageMark();
    void turnPart(Mesh* part, const Vector3& pivot, const Vector3& axis, float angle);
    void playGun();
    void releaseDecoy(std::vector<Flare*>& pool, float& timer, float interval, float dt);
    template <class Effect>
    void blowUp(std::vector<Effect*>& pool, int event, bool hideModel);
    std::vector<ExplosionEffect*> noExplosions;
    std::vector<SplashEffect*> noSplashes;
    void missileHit(Missile* m, float distance, int& points);
    void updateParticles(float dt);
    void updateGlow(float dt);
};

} // namespace skyrend
