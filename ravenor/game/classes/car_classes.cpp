// car_classes.cpp -- car models, their types, and the traffic and driven
// car handlers
#include "ravenor/game/classes/car_classes.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "ravenor/engine/core/fixed_math.h"
#include "ravenor/engine/data/models.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/classes/classes.h"
#include "ravenor/game/classes/props.h"
#include "ravenor/game/effects/effect_classes.h"
#include "ravenor/game/effects/effects.h"
#include "ravenor/game/effects/vehicle_frame.h"
#include "ravenor/game/vehicles/body_hits.h"
#include "ravenor/game/vehicles/driver_slots.h"
#include "ravenor/game/vehicles/traffic.h"
#include "ravenor/game/vehicles/vehicle.h"
#include "ravenor/game/world/camera.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/collision.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/model_slot.h"
#include "ravenor/game/world/paths.h"

namespace {

// One car model's constants
struct CarModelData
{
    const char* name;
    int32_t mass, springRate, springDamping, gravity, coastDrag, brakeForce, reverseLimit, steerLimit, steerRate;
    int32_t gearForce[4];
    int32_t topSpeed, lateralGrip, skidSlide, headingDrag, tractionGain, slideTurn, handbrakeDrag, loadToSprings,
        reverseForce;
    int32_t cameraHeight, cameraDistance;
    int32_t brakeLeft[3], brakeRight[3], reverseLeft[3], reverseRight[3];   // (x, a, b) as stored
};

// Right lights are the left ones with x negated unless given.
#define MIRROR(x, a, b) {x, a, b}, {-(x), a, b}

const CarModelData kModels[20] = {
    {"alto", 6, 10, 7, 10, 2, 5, 200, 60, 3, {5, 4, 1, 1}, 300, 12, 175, 20, 20, 0, 4, 100, 4, -450, -3000,
     MIRROR(-376, -912, 0), MIRROR(-42, -114, 8)},
    {"amartin", 5, 5, 8, 10, 1, 10, 300, 60, 2, {9, 7, 4, 2}, 520, 90, 400, 20, 30, 500, 7, 50, 5, -520, -3000,
     MIRROR(-384, -1184, -136), MIRROR(-368, -1184, -64)},
    {"catera", 9, 5, 8, 10, 1, 4, 180, 60, 2, {4, 3, 2, 1}, 350, 35, 600, 40, 55, 300, 4, 300, 4, -450, -3000,
     MIRROR(-392, -1424, 136), MIRROR(-46, -178, 9)},
    {"cherokee", 12, 3, 7, 10, 2, 10, 100, 50, 2, {4, 4, 2, 1}, 300, 10, 200, 67, 185, 100, 4, 300, 4, -500, -4000,
     MIRROR(-520, -1376, 72), MIRROR(-65, -175, -3)},
    {"concorde", 8, 10, 7, 10, 2, 8, 200, 55, 3, {8, 6, 4, 2}, 540, 70, 320, 20, 30, 100, 6, 100, 4, -650, -3000,
     MIRROR(-320, -1166, 80), MIRROR(-320, -1156, 36)},
    {"deville", 10, 5, 8, 10, 1, 4, 180, 60, 2, {4, 3, 2, 1}, 350, 35, 600, 40, 55, 300, 4, 300, 4, -450, -3000,
     MIRROR(-400, -1192, 40), MIRROR(-49, -148, 14)},
    {"estate", 8, 5, 8, 10, 1, 4, 180, 60, 2, {4, 3, 2, 1}, 350, 35, 600, 40, 55, 300, 4, 300, 4, -450, -3000,
     {-472, -1104, 72}, {59, -138, 9}, MIRROR(-40, -147, -20)},
    {"f360", 18, 6, 4, 11, 3, 20, 300, 50, 4, {18, 15, 9, 4}, 630, 100, 150, 40, 0, 300, 12, 30, 8, -800, -3600,
     MIRROR(-360, -1240, 240), MIRROR(-360, -1240, 280)},
    {"f40", 8, 6, 4, 10, 3, 27, 200, 80, 3, {20, 15, 9, 4}, 650, 150, 70, 16, 100, 300, 18, 30, 8, -600, -3000,
     MIRROR(-296, -1320, 56), MIRROR(-296, -1320, 56)},
    {"hearse", 12, 3, 8, 10, 1, 6, 280, 60, 2, {6, 5, 3, 2}, 520, 25, 500, 30, 5, 200, 4, 200, 4, -700, -4000,
     MIRROR(-456, -1560, -84), MIRROR(-456, -1560, -104)},
    {"intrepid", 8, 5, 8, 10, 1, 4, 180, 60, 2, {4, 3, 2, 1}, 350, 35, 600, 40, 55, 300, 4, 300, 4, -450, -3000,
     MIRROR(-336, -1032, 120), {-336, -1032, 80}, {42, -129, 10}},
    {"jeep", 10, 5, 8, 10, 1, 4, 180, 60, 2, {4, 3, 2, 1}, 350, 35, 600, 40, 55, 300, 4, 300, 4, -450, -3000,
     MIRROR(-496, -1272, 24), MIRROR(-61, -159, 12)},
    {"lincoln", 10, 5, 8, 10, 1, 4, 180, 60, 2, {4, 3, 2, 1}, 350, 35, 600, 40, 55, 300, 4, 300, 4, -450, -3000,
     MIRROR(-392, -1224, 64), MIRROR(-50, -153, 0)},
    {"mercedes", 24, 6, 8, 10, 1, 9, 200, 50, 1, {7, 4, 2, 1}, 800, 50, 1000, 20, 50, 400, 4, 10, 4, -450, -3500,
     MIRROR(-424, -1192, 104), MIRROR(-46, -149, 7)},
    {"mercedes", 100, 6, 8, 7, 1, 9, 200, 50, 1, {16, 8, 4, 2}, 800, 50, 1000, 20, 50, 400, 4, 10, 4, -520, -3500,
     MIRROR(-424, -1192, 104), MIRROR(-46, -149, 7)},
    {"porsche", 6, 6, 4, 10, 3, 11, 260, 60, 3, {20, 10, 5, 2}, 562, 50, 200, 16, 0, 400, 8, 30, 8, -680, -3100,
     MIRROR(-416, -1090, 120), MIRROR(-320, -1090, 128)},
    {"prelude", 6, 8, 5, 10, 1, 9, 250, 40, 2, {10, 6, 4, 2}, 550, 70, 400, 20, 0, 170, 6, 120, 4, -700, -3000,
     MIRROR(-384, -1080, 104), MIRROR(-240, -1080, 64)},
    {"towncar", 11, 6, 8, 12, 1, 9, 200, 40, 2, {5, 3, 2, 1}, 380, 20, 700, 40, 55, 210, 4, 150, 4, -400, -3500,
     MIRROR(-376, -1312, 16), MIRROR(-48, -161, 7)},
    {"toyota", 8, 9, 8, 10, 1, 9, 250, 32, 2, {8, 6, 4, 2}, 530, 70, 650, 25, 0, 50, 6, 140, 5, -600, -2700,
     MIRROR(-216, -1160, 24), MIRROR(-304, -1160, 24)},
    {"van", 15, 10, 7, 10, 1, 8, 250, 30, 1, {10, 6, 4, 2}, 580, 40, 300, 20, 30, 0, 4, 250, 4, -1050, -4200,
     {-576, -1320, -104}, {568, -1320, -104}, MIRROR(-72, -166, -12)},
};
#undef MIRROR

enum ModelIndex : int
{
    kAlto,
    kAmartin,
    kCatera,
    kCherokee,
    kConcorde,
    kDeville,
    kEstate,
    kF360,
    kF40,
    kHearse,
    kIntrepid,
    kJeep,
    kLincoln,
    kMercedes,
    kMercedesDriven,
    kPorsche,
    kPrelude,
    kTowncar,
    kToyota,
    kVan,
};

// Traffic classes 30..48 and driven classes 50..61 to their loader
const int kTrafficModel[19] = {kAlto,    kAmartin, kCatera,  kCherokee, kConcorde, kDeville, kEstate,
                               kHearse,  kIntrepid, kJeep,   kLincoln,  kMercedes, kPorsche, kPrelude,
                               kTowncar, kToyota,  kVan,    kF40,      kF360};
const int kDrivenModel[12] = {kVan,   kCherokee, kToyota, kPrelude, kHearse,  kConcorde,
                              kTowncar, kMercedesDriven, kAmartin, kPorsche, kF40, kF360};

const int32_t kDefaultWheels[4][3] = {{-235, 200, 440}, {235, 200, 440}, {-235, 200, -410}, {235, 200, -410}};
const char* const kWheelNames[4] = {"wheel_front_left", "wheel_front_right", "wheel_back_left", "wheel_back_right"};

struct CarLoader
{
    bool loaded = false;
    P3dModel* model = nullptr;
    EntityType type;
    int32_t camera[3] = {0, 0, 0};
    int32_t brake[2][3] = {};
    CameraFollow follow;
};
CarLoader g_loaders[20];

int ModelOf(int32_t c)
{
    if (IsTrafficCarClass(c))
        return kTrafficModel[c - kFirstTrafficClass];
    if (IsDrivenCarClass(c))
        return kDrivenModel[c - kFirstDrivenClass];
    return -1;
}

// (x, a, b) into the entity frame: (x, -b, a)
void Turn(const int32_t in[3], int32_t out[3])
{
    out[0] = in[0];
    out[1] = -in[2];
    out[2] = in[1];
}

void LoadCar(int index)
{
    CarLoader& l = g_loaders[index];
    if (l.loaded)
        return;
    l.loaded = true;
    const CarModelData& d = kModels[index];
    const std::string base = d.name;
    l.model = LoadModel((base + ".p3d").c_str(), (base + ".tex").c_str());
    EntityType& t = l.type;
    t.mass = d.mass;
    t.springRate = d.springRate;
    t.springDamping = d.springDamping;
    t.gravity = d.gravity;
    t.coastDrag = d.coastDrag;
    t.brakeForce = d.brakeForce;
    t.reverseLimit = d.reverseLimit;
    t.steerLimit = d.steerLimit;
    t.steerRate = d.steerRate;
    t.topSpeed = d.topSpeed;
    t.lateralGrip = d.lateralGrip;
    t.skidSlide = d.skidSlide;
    t.headingDrag = d.headingDrag;
    t.tractionGain = d.tractionGain;
    t.slideTurn = d.slideTurn;
    t.handbrakeDrag = d.handbrakeDrag;
    t.loadToSprings = d.loadToSprings;
    t.reverseForce = d.reverseForce;
    t.reverseLights = 1;
    std::memcpy(t.wheel, kDefaultWheels, sizeof t.wheel);
    t.rayLift = 0;
    if (l.model != nullptr)
    {
        for (P3dMesh& mesh : l.model->meshes)
        {
            for (int i = 0; i < 4; ++i)
            {
                if (std::strcmp(mesh.name, kWheelNames[i]) != 0)
                    continue;
                t.wheel[i][0] = mesh.transform.t[0];
                t.wheel[i][1] = -mesh.transform.t[1];
                t.wheel[i][2] = -mesh.transform.t[2];
                if (i == 0)
                {
                    MeshSize size{};
                    mesh.GetBounds(size);
                    t.rayLift = size.radius;
                }
            }
        }
        if (!l.model->meshes.empty())
            SetTypeBounds(t, l.model->meshes[0]);
    }
    t.maxY = t.wheel[0][1] + t.rayLift;
    t.cameraFollowTarget = 180;
    t.cameraTurnDivisor = index == kF360 || index == kF40 ? 6 : 8;
    l.camera[1] = d.cameraHeight;
    l.camera[2] = d.cameraDistance;
    t.cameraOffset = l.camera;
    t.gearForce = d.gearForce;
    Turn(d.reverseLeft, t.lightOffset[0]);
    Turn(d.reverseRight, t.lightOffset[1]);
    Turn(d.brakeLeft, l.brake[0]);
    Turn(d.brakeRight, l.brake[1]);
}

void Dress(Entity* e, const CarLoader& l)
{
    e->model = l.model;
    e->type = &l.type;
}

} // namespace

void TrafficCarStep(Entity* e)
{
    e->touchingPlayer = e->visible && TrafficHitsPlayer(e) ? 1 : 0;
    if (e->path == nullptr)
        return;
    const int32_t h = RouteHeading(e, e->speed);
    if (e->classNumber == kClassTrafficJeep)
        TurnTowards(e, e->travelHeading, 4);
    else
        SteerTowards(e, h);
    FollowGround(e);
}

int32_t TrafficCarHandler(int32_t c, Entity* e, int32_t message)
{
    const int index = ModelOf(c);
    if (index < 0)
        return 1;
    CarLoader& l = g_loaders[index];
    switch (message)
    {
    case kMsgLoad: LoadCar(index); return 1;
    case kMsgCreate:
        PushActive(e);
        Dress(e, l);
        return 1;
    case kMsgStep: TrafficCarStep(e); return 1;
    case kMsgVisibleStep: SpinWheels(e); return 1;
    case kMsgStart:
        e->update = TrafficStep;
        e->cruiseSpeed = e->speed;
        return 1;
    case kMsgDropQuery: return 1;
    default: return Common(e, message, kKindSolid, 1);
    }
}

int32_t DrivenCarHandler(int32_t c, Entity* e, int32_t message)
{
    const int index = ModelOf(c);
    if (index < 0)
        return 1;
    CarLoader& l = g_loaders[index];
    switch (message)
    {
    case kMsgLoad:
        LoadCar(index);
        // The models of its lights, streaks and smoke with it, and the
        // pieces its sparks are made of
        BrakeLightHandler(nullptr, kMsgLoad);
        ReverseLightHandler(nullptr, kMsgLoad);
        SkidMarkHandler(nullptr, kMsgLoad);
        TyreSmokeHandler(nullptr, kMsgLoad);
        DebrisHandler(nullptr, kMsgLoad);
        return 1;
    case kMsgCreate:
        if (!l.loaded)
            return 1;
        Dress(e, l);
        PlaceVehicle(e, e->X(), e->Y(), e->Z(), e->heading, &l.follow);
        if (e->vehicle != nullptr)
            e->vehicle->camera = &l.follow;
        AttachBrakeLight(e, l.brake[0]);
        AttachBrakeLight(e, l.brake[1]);
        return 1;
    case kMsgStep:
        // The step first; then its sound, effects and camera read what it met.
        if (e->vehicle != nullptr)
        {
            DriveVehicle(e);
            PlayVehicleFrame(e);
        }
        return 1;
    case kMsgBecomePlayer:
        g_entityWorld.player = e;
        AttachCamera(g_cameras.chase, e);
        return 1;
    case kMsgDropQuery: return 1;
    default: return Common(e, message, kKindDrivenCar, 1);
    }
}

const EntityType* CarClassType(int32_t c)
{
    const int index = ModelOf(c);
    return index < 0 ? nullptr : &g_loaders[index].type;
}

const int32_t (*CarBrakeLights(int32_t c))[3]
{
    const int index = ModelOf(c);
    return index < 0 ? nullptr : g_loaders[index].brake;
}

void ResetCarModels()
{
    for (CarLoader& l : g_loaders)
        l = CarLoader{};
}
