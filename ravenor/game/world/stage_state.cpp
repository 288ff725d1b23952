// stage_state.cpp -- the running stage's record
#include "ravenor/game/world/stage_state.h"

StageRecord g_stage;
