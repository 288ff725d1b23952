// class_messages.h -- the class numbers, the messages and the table from a
// class number to its handler
//
// Every object of a stage belongs to a class 0..73. A handler takes an
// entity (or none) and a one-character message and answers an integer:
// 1 the ordinary answer, 0 the negative answer of a query, -1 for a class
// without a handler. The world sends messages through the table; the class
// families above it fill the table when the program starts.
#pragma once

#include <cstdint>

struct Entity;

enum ClassMessage : int32_t
{
    kMsgStep = '-',         // per-frame update
    kMsgCreate = '.',       // set up an entity of the class
    kMsgLoad = '/',         // load the class's model (once)
    kMsgRemove = '1',       // the entity stops taking part
    kMsgDropQuery = '8',    // 1: drop the object's points to the ground
    kMsgStart = '\\',       // installs the per-frame update
    kMsgVisibleStep = '^',  // per-frame step of a visible entity
    kMsgUnload = 'i',
    kMsgKind = 'E',         // 0 driven car, 1 other, 2 arrow, 3 camera, 4 traffic car or solid prop
    kMsgBecomePlayer = '5',
};

// The classes of the city world
enum ClassNumber : int32_t
{
    kClassTargetCounter = 0,     // stage objectives ...
    kClassCheckpoint = 1,        // the gates ...
    kClassWideCheckpoint = 2,
    kClassWideStart = 3,
    kClassFinish = 4,
    kClassWideFinish = 5,
    kClassPointingArrow = 6,     // the target arrows ...
    kClassPointingArrowToo = 7,
    kClassArrowWithoutFlight = 8,
    kClassHoveringArrow = 9,
    kClassPickUp = 10,
    kClassTimeBonus = 11,
    kClassUnhandled12 = 12,      // classes without a handler: 12, 15, 16, 18
    kClassCountdown = 13,
    kClassRaceClock = 14,
    kClassUnhandled15 = 15,
    kClassUnhandled16 = 16,
    kClassFrameCounter = 17,
    kClassUnhandled18 = 18,
    kClassMovingCamera = 19,     // the level cameras ...
    kClassSettlingCamera = 20,
    kClassInline21 = 21,         // handled in the class table itself
    kClassInline22 = 22,
    kClassApproachCamera = 23,
    kClassFixedCamera = 24,
    kClassBehaviourObject = 25,
    kClassBox = 26,              // the solid props ...
    kClassCone = 27,
    kClassRoadblock = 28,
    kClassLamppost = 29,
    kClassTrafficAlto = 30,      // the traffic cars, one model each ...
    kClassTrafficAmartin = 31,
    kClassTrafficCatera = 32,
    kClassTrafficCherokee = 33,
    kClassTrafficConcorde = 34,
    kClassTrafficDeville = 35,
    kClassTrafficEstate = 36,
    kClassTrafficHearse = 37,
    kClassTrafficIntrepid = 38,
    kClassTrafficJeep = 39,
    kClassTrafficLincoln = 40,
    kClassTrafficMercedes = 41,
    kClassTrafficPorsche = 42,
    kClassTrafficPrelude = 43,
    kClassTrafficTowncar = 44,
    kClassTrafficToyota = 45,
    kClassTrafficVan = 46,
    kClassTrafficF40 = 47,
    kClassTrafficF360 = 48,
    kClassQuestionMark = 49,     // a solid prop between the cars
    kClassDrivenVan = 50,        // the driven cars ...
    kClassDrivenCherokee = 51,
    kClassDrivenToyota = 52,
    kClassDrivenPrelude = 53,
    kClassDrivenHearse = 54,
    kClassDrivenConcorde = 55,
    kClassDrivenTowncar = 56,
    kClassDrivenMercedes = 57,
    kClassDrivenAmartin = 58,
    kClassDrivenPorsche = 59,
    kClassDrivenF40 = 60,
    kClassDrivenF360 = 61,
    kClassMale1 = 62,            // the pedestrians ...
    kClassMale6 = 67,
    kClassFemale1 = 68,
    kClassFemale6 = 73,
    kClassCount = 74,
    kFirstTrafficClass = kClassTrafficAlto,
    kLastTrafficClass = kClassTrafficF360,
    kFirstDrivenClass = kClassDrivenVan,
    kLastDrivenClass = kClassDrivenF360,
    kFirstPedestrianClass = kClassMale1,
    kLastPedestrianClass = kClassFemale6,
};

// The answers to the kind query 'E'
enum ClassKind : int32_t
{
    kKindDrivenCar = 0,
    kKindOther = 1,
    kKindArrow = 2,
    kKindCamera = 3,
    kKindSolid = 4,   // a traffic car or a solid prop
};

// The message to the handler of the class: its answer, -1 for a class
// outside the table or without a handler installed
int32_t SendClassMessage(int32_t classNumber, Entity* entity, int32_t message);

// A class family's handler
using ClassHandler = int32_t (*)(int32_t classNumber, Entity* entity, int32_t message);
// The classes first..last answered by the handler from now on (the families
// install theirs at start: InstallClassHandlers)
void SetClassHandler(int32_t first, int32_t last, ClassHandler handler);

inline bool IsDrivenCarClass(int32_t c)
{
    return c >= kFirstDrivenClass && c <= kLastDrivenClass;
}

inline bool IsTrafficCarClass(int32_t c)
{
    return c >= kFirstTrafficClass && c <= kLastTrafficClass;
}

inline bool IsPedestrianClass(int32_t c)
{
    return c >= kFirstPedestrianClass && c <= kLastPedestrianClass;
}
