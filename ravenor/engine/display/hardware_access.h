// hardware_access.h -- what the direct video drivers learn about the device
//
// The handheld model from its OEM text, the processor from its
// identification register (read in kernel mode), and physical mappings of
// controller registers and frame memory. Each answer is worked out once per
// process; tests forget them with ResetHardwareRecords.
#pragma once

#include <cstdint>

enum : int32_t
{
    kModelNone = 0,
    kModelIpaqH3800 = 1,
    kModelCompaleP6C = 2,
    kModelTyphoon = 3,
    kModelToshibaE310 = 4,
    kModelToshibaE330 = 5,
    kModelToshibaE740 = 6,
    kModelToshibaE750 = 7,
};

enum : int32_t
{
    kProcessorOther = 0,
    kProcessorStrongArm = 1,
    kProcessorXScale = 2,
};

int32_t PlatformModel();
int32_t ProcessorKind();

// Models whose frame buffer must be written directly (no DMA helper, no GAPI draw calls).
inline bool IsDirectModel(int32_t model)
{
    return model == kModelCompaleP6C || model == kModelTyphoon;
}

// A physical range mapped uncached, in kernel mode; nullptr when it cannot be.
void* MapPhysicalRange(uint32_t physical, uint32_t bytes);
void UnmapPhysicalRange(void* mapping);

void ResetHardwareRecords();
