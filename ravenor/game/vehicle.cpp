// vehicle.cpp -- the driven car's integer model
#include "ravenor/game/vehicle.h"

DriveInputs g_playerInput;
bool g_controlsLive = false;
int32_t g_stageState = 0;
int32_t WheelContacts = 0;
Entity* g_player = nullptr;
