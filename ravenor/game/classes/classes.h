// classes.h -- the gates (classes 1 to 5: checkpoint, wide checkpoint, wide
// start, finish, wide finish) and the behaviour-driven object (class 25)
//
// A gate stands where the level puts it, moves along its path like a
// walker, and is seated on the ground while seen unless its record holds it
// (behaviour 13); what reaching it means is its record's behaviour. Class 25
// answers as any class without a handler of its own.
#pragma once

#include <cstdint>

struct Entity;

int32_t GateHandler(int32_t classNumber, Entity* e, int32_t message);
int32_t BehaviourObjectHandler(int32_t classNumber, Entity* e, int32_t message);

// Forgets every loaded class model (tests)
void ResetClassModels();
