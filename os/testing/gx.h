// gx.h -- GAPI's test seams
#pragma once

#include "os/gx/gx_private.h"
