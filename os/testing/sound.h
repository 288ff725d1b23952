// sound.h -- the sound library's test seams: the mixer's output recorded and
// the null device (os/sound/sound_test_api.h)
#pragma once

#include "os/sound/sound_test_api.h"
