// entity.h -- the entity record, the class constants and the pool of 200
//
// Every object of the city world is one Entity of a fixed pool; nothing is
// allocated while a stage runs. A record is free exactly when its update
// callback is none. World units: 32-bit, y points down; angles 4096 a turn.
// Per-frame quantities are scaled by the speed factor F (256..511) through
// FrameScale or "x F / 256".
#pragma once

#include <cstdint>

#include "ravenor/engine/core/transform.h"
#include "ravenor/engine/data/models.h"

struct Entity;
struct Behaviour;
struct VehicleState;

using EntityUpdate = void (*)(Entity* entity);

// The ground under an entity
struct GroundProbe
{
    const P3dFace* triangle = nullptr;
    int32_t height = -1;        // world y of the ground, -1 when the ray hit nothing
    int32_t point[3] = {0, 0, 0};
    int32_t unused = 0;
    int32_t normal[3] = {0, 0, 0};   // Q12; normal[0] holds kNormalUnset until asked for
};
// A normal component lies in -4096..4096.
constexpr int32_t kNormalUnset = 0x7FFFFFFF;

// An emitter of a class's type: glows made on the carrier (effects.h)
struct AttachmentSlot
{
    uint8_t kind = 0;                              // 'H' held, 'S' timed, anything else none
    int32_t (*create)(Entity*, int32_t) = nullptr; // the effect class's handler, sent '.'
    int32_t mode = 0;                              // the effect's faceMode
    const int32_t* offset = nullptr;               // 3 words in the carrier's frame
    int32_t first = 0;
    int32_t parameters[3] = {0, 0, 0};
    uint16_t periods[2] = {0, 0};
    int32_t window = 0;        // the effect's faceWindow
    int32_t distanceLimit = 0; // against the squared distance to the camera (/32 units)
};

// Constants of a class, shared by its entities
struct EntityType
{
    int32_t radius = 0;
    int32_t minX = 0, maxX = 0, minZ = 0, maxZ = 0, minY = 0, maxY = 0;
    int32_t cameraFollowTarget = 0;
    int32_t cameraTurnDivisor = 1;
    const int32_t* cameraOffset = nullptr;
    AttachmentSlot attachment[4];
    int32_t mass = 0;
    int32_t crashSound = 0;
    int32_t springRate = 0;
    int32_t springDamping = 0;
    int32_t gravity = 0;
    int32_t coastDrag = 0;
    const int32_t* gearForce = nullptr;   // four forces
    int32_t steerLimit = 0;
    int32_t steerRate = 0;
    int32_t brakeForce = 0;
    int32_t reverseLights = 0;
    int32_t reverseLimit = 0;
    int32_t wheel[4][3] = {};             // front left, front right, back left, back right
    int32_t lightOffset[2][3] = {};
    int32_t topSpeed = 0;
    int32_t tractionGain = 0;
    int32_t skidSlide = 0;
    int32_t headingDrag = 0;
    int32_t lateralGrip = 0;
    int32_t slideTurn = 0;
    int32_t handbrakeDrag = 0;
    int32_t loadToSprings = 0;
    int32_t reverseForce = 0;
    int32_t rayLift = 0;
    int32_t fixedY = -1;                  // a height placed vehicles take instead of theirs, -1 none
    // Solid props: the frames a knocked-loose prop lives, and its model's
    // mesh count (more than one: it breaks when hit instead of flying off)
    int32_t looseLifetime = 0;
    int32_t meshCount = 0;
};

// The type's radius and box from a mesh's bounds
void SetTypeBounds(EntityType& type, P3dMesh& mesh);

// Radius 400, the box -50..50, everything else 0
extern const EntityType EmptyType;

struct Entity
{
    Orientation orientation;
    P3dModel* model = nullptr;
    EntityUpdate update = nullptr;
    int32_t speed = 0;
    int32_t heading = 0;
    int32_t yawRate = 0;
    int32_t travelHeading = 0;
    int32_t turnStep = 0;
    int32_t velocity[3] = {0, 0, 0};
    int32_t steer = 0;
    int32_t wheelSpin = 0;
    int32_t roll = 0;
    int32_t rollRate = 0;
    int32_t pitch = 0;
    int32_t pitchRate = 0;
    int32_t groundPitch = 0;
    int32_t bodyYaw = 0;
    int32_t groundRoll = 0;
    int32_t push[2] = {0, 0};
    GroundProbe groundProbe;
    uint32_t probeFrame = 0xFFFFFFFF;
    int32_t rideOffset = 0;
    int32_t hitCount = 0;
    int32_t handlerData1 = 0;
    int32_t glow[4] = {0, 0, 0, 0};
    Behaviour* behaviour = nullptr;
    uint8_t controls[4] = {0, 0, 0, 0};
    int32_t handlerData2 = 0;
    int32_t handlerData3 = 0;
    const int32_t* path = nullptr;        // points of 3 words, ended by x = 30271
    int32_t pathIndex = 0;
    uint8_t airborne = 0;
    uint8_t touchingPlayer = 0;
    Entity* parent = nullptr;
    Entity* next = nullptr;
    int32_t classNumber = 0;
    int32_t aiState = 0;
    int32_t age = 0;
    int32_t stuckTimer = 0;
    int32_t spin[3] = {0, 0, 0};
    uint8_t visible = 0;
    const EntityType* type = &EmptyType;
    VehicleState* vehicle = nullptr;
    EntityUpdate parentUpdate = nullptr;
    Behaviour* parentBehaviour = nullptr;
    Entity* attachedTo = nullptr;
    P3dModel* altModel = nullptr;
    int32_t lifetime = 0;
    int32_t faceMode = 0;
    int32_t faceWindow = 0;
    const int32_t* attachOffset = nullptr;   // where an attached effect rides, in its carrier's frame
    int32_t cruiseSpeed = 0;   // a traffic car's cruising speed, taken when it starts
    uint8_t noOcclusionTest = 0;   // drawn without the depth samples of the box test (skid streaks)

    int32_t X() const { return orientation.t[0]; }
    int32_t Y() const { return orientation.t[1]; }
    int32_t Z() const { return orientation.t[2]; }
};

constexpr int kEntityCount = 200;
constexpr int32_t kEndOfPoints = 30271;

// The world of entities: the pool, the active list of bodies that collide,
// the traffic limit, the player's car and the wheels that touched in the
// last suspension step of any car
struct EntityWorld
{
    Entity pool[kEntityCount];
    Entity* activeHead = nullptr;
    int32_t activeCount = 0;
    int32_t trafficLimit = 0;      // traffic cars that may be alive (0 at stage start)
    Entity* player = nullptr;      // the car the chase camera follows, or none
    int32_t wheelContacts = 0;     // 0..4, raised by 2 when a body is pushed out of the ground
};
extern EntityWorld g_entityWorld;

// Allocators: the first free record of their region, reset; none when full.
Entity* AllocEntity();          // slots 0, 1, ... 199
Entity* AllocEntityLogged();    // the same, with a log line when full
Entity* AllocEffect();          // slots 129 down to 0
Entity* AllocDebris();          // slots 99 down to 0
Entity* AllocAny();             // 129 down to 0, then 199 down to 130

void ResetEntity(Entity* entity);
void ResetForPath(Entity* entity);
// Frees the record; it also leaves the active list.
void MakeInert(Entity* entity);
// The entity heads the active list (taken out first when it was in it).
void PushActive(Entity* entity);
void UnlinkActive(Entity* entity);
void SweepEntities();
// Every record reset with no behaviour or vehicle left; the active list empty.
void ResetAllEntities();
// The stage's end: every record reset, the level file released and every
// sound slot stopped.
void ClearWorld();

// a x F / 256, rounded as the game does
int32_t FrameScale(int32_t a);
// The speed factor F (g_speedFactor)
int32_t SpeedFactor();

int32_t PlanarDistance2(const Entity* a, const Entity* b);
int32_t Distance2(const Entity* a, const Entity* b);
int32_t PointDistance2(const Entity* entity, const int32_t point[3]);
int32_t PointsDistance2(const int32_t a[3], const int32_t b[3]);
void RotateToWorld(const Orientation* orientation, const int32_t local[3], int32_t out[3]);
void RotateToLocal(const Orientation* orientation, const int32_t world[3], int32_t out[3]);
void ScaleVector(int32_t v[3], int32_t s);
void NormalizeQ14(int32_t v[3]);
void NormalizeQ12(int32_t v[3]);
void ScaledCopy(const int32_t source[3], int32_t s, int32_t out[3]);

// The arcsine table: a Q12 sine, its low 13 bits taken as a signed value,
// to a 12-bit angle (-1024..1010; 0 within 6 of 0)
int32_t ArcSin(int32_t sine);
// Sine and cosine of a 12-bit angle, 4096 for one (WaveTable)
int32_t Sine(int32_t angle);
int32_t Cosine(int32_t angle);
// Angles: the shortest unsigned difference (0..2048), the signed one
// from -> to (-2048..2047)
int32_t AngleBetween(int32_t a, int32_t b);
int32_t SignedAngle(int32_t from, int32_t to);
// Each row r of the orientation := r + (spin x r) >> 12, then orthonormal again
void ApplySpin(Entity* e);
