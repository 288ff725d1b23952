// class_messages.h -- one switch from a class number to its handler
//
// Every object of a stage belongs to a class 0..73. A handler takes an
// entity (or none) and a one-character message and answers an integer:
// 1 the ordinary answer, 0 the negative answer of a query, -1 for a class
// without a handler.
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

int32_t SendClassMessage(int32_t classNumber, Entity* entity, int32_t message);

// Classes 50..61: the driven cars
inline bool IsDrivenCarClass(int32_t c)
{
    return c >= 50 && c <= 61;
}
