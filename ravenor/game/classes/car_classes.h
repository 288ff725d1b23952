// car_classes.h -- the 20 car models shared by the traffic classes (30..48)
// and the driven classes (50..61): their loaders, types and handlers
#pragma once

#include <cstdint>

struct Entity;
struct EntityType;

int32_t TrafficCarHandler(int32_t classNumber, Entity* e, int32_t message);
int32_t DrivenCarHandler(int32_t classNumber, Entity* e, int32_t message);

// The type a car class's loader fills (none for other classes)
const EntityType* CarClassType(int32_t classNumber);
// The brake-light and reverse-light offsets of a class's model, turned into
// the entity frame at its first load: left, right
const int32_t (*CarBrakeLights(int32_t classNumber))[3];
// The traffic step of one frame: the touch of the player, the route and the ground
void TrafficCarStep(Entity* e);
// Every loader back to unloaded (tests, and a fresh run)
void ResetCarModels();
