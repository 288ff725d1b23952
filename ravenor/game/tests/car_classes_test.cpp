// car_classes_test.cpp -- the car models' loaders and types, the kind
// answers, and traffic on the first stage
#include <gtest/gtest.h>

#include "ravenor/game/classes/car_classes.h"
#include "ravenor/game/stage/stage.h"
#include "ravenor/game/vehicles/driver_slots.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/stage_state.h"
#include "stage_fixture.h"

namespace {

class CarClassesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        MountDemoArchive();
        ResetModels();
        ResetCarModels();
    }
};

TEST_F(CarClassesTest, ATrafficAndADrivenClassShareTheirModelsLoaderOnce)
{
    SendClassMessage(31, nullptr, kMsgLoad);
    const int32_t(*brake)[3] = CarBrakeLights(31);
    // (x, a, b) turned into (x, -b, a) once
    EXPECT_EQ(-384, brake[0][0]);
    EXPECT_EQ(136, brake[0][1]);
    EXPECT_EQ(-1184, brake[0][2]);
    EXPECT_EQ(384, brake[1][0]);
    SendClassMessage(58, nullptr, kMsgLoad);
    EXPECT_EQ(CarClassType(31), CarClassType(58));
    EXPECT_EQ(136, CarBrakeLights(58)[0][1]) << "not turned a second time";
    const EntityType* t = CarClassType(31);
    EXPECT_EQ(5, t->mass);
    EXPECT_EQ(520, t->topSpeed);
    EXPECT_EQ(-520, t->cameraOffset[1]);
    EXPECT_EQ(-3000, t->cameraOffset[2]);
    // reverse lights (-368, -1184, -64) turned
    EXPECT_EQ(64, t->lightOffset[0][1]);
    EXPECT_EQ(-1184, t->lightOffset[0][2]);
}

TEST_F(CarClassesTest, TheTwoMercedesClassesHaveTypesOfTheirOwn)
{
    SendClassMessage(41, nullptr, kMsgLoad);
    SendClassMessage(57, nullptr, kMsgLoad);
    ASSERT_NE(CarClassType(41), CarClassType(57));
    EXPECT_EQ(24, CarClassType(41)->mass);
    EXPECT_EQ(10, CarClassType(41)->gravity);
    EXPECT_EQ(100, CarClassType(57)->mass);
    EXPECT_EQ(7, CarClassType(57)->gravity);
    // f360 and f40 turn the camera faster
    SendClassMessage(48, nullptr, kMsgLoad);
    SendClassMessage(47, nullptr, kMsgLoad);
    EXPECT_EQ(6, CarClassType(48)->cameraTurnDivisor);
    EXPECT_EQ(6, CarClassType(47)->cameraTurnDivisor);
    EXPECT_EQ(8, CarClassType(41)->cameraTurnDivisor);
}

TEST_F(CarClassesTest, WheelsFromTheModelsNodesOrTheDefaults)
{
    // "alto" of the demo has no wheel nodes: default wheels, ray lift 0, maxY 200
    SendClassMessage(30, nullptr, kMsgLoad);
    const EntityType* alto = CarClassType(30);
    EXPECT_EQ(0, alto->rayLift);
    EXPECT_EQ(200, alto->maxY);
    EXPECT_EQ(-235, alto->wheel[0][0]);
    EXPECT_EQ(-410, alto->wheel[3][2]);
    // "concorde" has its four named wheels
    SendClassMessage(55, nullptr, kMsgLoad);
    const EntityType* concorde = CarClassType(55);
    EXPECT_GT(concorde->rayLift, 0);
    EXPECT_EQ(concorde->wheel[0][1] + concorde->rayLift, concorde->maxY);
}

TEST_F(CarClassesTest, KindAnswers)
{
    for (int32_t c = 30; c <= 48; ++c)
        EXPECT_EQ(4, SendClassMessage(c, nullptr, kMsgKind)) << c;
    for (int32_t c = 50; c <= 61; ++c)
        EXPECT_EQ(0, SendClassMessage(c, nullptr, kMsgKind)) << c;
}

// The first stage's two traffic cars drive their lanes ahead of the player
// and are on the active list.
// '.' of a driven car places it where its entity stands: PlaceVehicle with
// the entity's own x, y, z and heading, as the level's points give them
// (here 2000 above the road: the car is still falling after its settling)
TEST(CarClasses, ADrivenCarIsMadeWhereItsEntityStands)
{
    StartProgram();
    ResetAllEntities();
    g_stage.driverSlotCount = 0;
    SendClassMessage(55, nullptr, kMsgLoad);
    const int32_t ground = ProbeGround(kWestStreetX, kWestStreetZ).height;
    ASSERT_NE(-1, ground);
    Behaviour first;
    Behaviour second;
    Entity* made = AllocEntity();
    made->behaviour = &first;
    made->classNumber = 55;
    made->orientation.t[0] = kWestStreetX;
    made->orientation.t[1] = ground - 2000;
    made->orientation.t[2] = kWestStreetZ;
    made->heading = 1024;
    SendClassMessage(55, made, kMsgCreate);
    made->update = IdleUpdate;
    Entity* placed = AllocEntity();
    placed->behaviour = &second;
    placed->classNumber = 55;
    placed->model = made->model;
    placed->type = made->type;
    ASSERT_TRUE(PlaceVehicle(placed, kWestStreetX, ground - 2000, kWestStreetZ, 1024, nullptr));
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(placed->orientation.t[k], made->orientation.t[k]) << k;
    EXPECT_EQ(placed->pitch, made->pitch);
    EXPECT_EQ(placed->roll, made->roll);
    EXPECT_EQ(placed->velocity[1], made->velocity[1]);
    EXPECT_EQ(1024, made->heading);
    ASSERT_NE(placed->vehicle, made->vehicle);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(placed->vehicle->compression[i], made->vehicle->compression[i]) << i;
        EXPECT_EQ(placed->vehicle->springSpeed[i], made->vehicle->springSpeed[i]) << i;
    }
    ResetAllEntities();
}

TEST(Traffic, FirstStageTrafficFollowsItsLanes)
{
    StartProgram();
    ASSERT_TRUE(StartStage(0));
    StageFrame();
    std::vector<Entity*> cars;
    for (Entity& e : g_entityWorld.pool)
        if (e.update != nullptr && (e.classNumber == 30 || e.classNumber == 34))
            cars.push_back(&e);
    ASSERT_EQ(2u, cars.size());
    std::vector<int32_t> startZ;
    for (Entity* car : cars)
    {
        startZ.push_back(car->Z());
        bool listed = false;
        for (Entity* a = g_entityWorld.activeHead; a != nullptr; a = a->next)
            listed = listed || a == car;
        EXPECT_TRUE(listed);
        EXPECT_NE(nullptr, car->model);
    }
    for (int frame = 0; frame < 60; ++frame)
        StageFrame();
    for (size_t i = 0; i < cars.size(); ++i)
    {
        // North along the west side, on the road
        EXPECT_GT(cars[i]->Z(), startZ[i] + 60 * 30) << i;
        EXPECT_NEAR(cars[i]->X(), i == 0 ? -2400 * 8 : -2600 * 8, 400) << i;
        EXPECT_NE(-1, ProbeGround(cars[i]->X(), cars[i]->Z()).height);
    }
    EndStage();
}

} // namespace
