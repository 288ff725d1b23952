// hw.h -- the handheld's hardware as programs that drive it directly see it
//
// A few programs skip the display driver and program the LCD controller or a
// graphics chip themselves. Here every such access goes through one of these
// calls. Device addresses are the 32-bit addresses of the handheld; the host
// reaches a range only when it is simulated (tests add frame buffers and
// register blocks), so on a plain host every mapping fails and the processor
// identifies as none of the known ones.
#pragma once

#include <os/types.h>

#include <cstdint>
#include <functional>

namespace os::hw {

// The processor's main identification register (0 on this host).
uint32_t ReadProcessorId();

// One 32-bit load of a hardware register.
uint32_t Read32(const volatile uint32_t* reg);

// Host pointer of device addresses [address, address + bytes), nullptr unless
// the whole range lies in one simulated block.
void* DeviceToHost(uint32_t address, uint32_t bytes);
// The device address of a host pointer into a simulated block, 0 otherwise.
uint32_t HostToDevice(const void* pointer);

// Maps a physical range into the program (uncached); nullptr when there is
// no such hardware. Each mapping is given back with UnmapPhysical.
void* MapPhysical(uint32_t physical, uint32_t bytes);
void UnmapPhysical(void* mapping);

// ---- simulation, for tests ----

// A zeroed block at the device address. Its end touches an inaccessible
// page, and the page before its first page is inaccessible too, so a write
// past either end stops the program. nullptr when the range overlaps a block.
void* add_device_memory(uint32_t address, uint32_t bytes);
// Reads of the register at this device address answer the reader instead of
// the memory.
void set_register_reader(uint32_t address, std::function<uint32_t()> reader);
void set_processor_id(uint32_t id);
// Mappings made and not yet given back; how many Read32 calls so far.
int live_mappings();
int register_reads();
// Forgets every block, reader and mapping, and the processor id.
void reset();

} // namespace os::hw

// ---- libraries of the graphics hardware, bound by name at run time ----
//
// "gxdma.dll": DMA copies between the frame in memory and video memory.
//   "DmaDRAMtoVRAM", "DmaVRAMtoDRAM": DmaCopy; "IsDMAReady": DmaReady.
// "CoreLinkLib.dll": the Imageon chip's library ("AtiCore_..." names).

namespace os::hw {

using DmaCopy = BOOL (*)(DWORD x, DWORD y, DWORD width, DWORD height);
using DmaReady = BOOL (*)();

using AtiCall = BOOL (*)();                                   // ProcessAttach, ProcessDetach, TerminateMemoryTransfer
using AtiAllocateSurface = BOOL (*)(WORD* handle, DWORD* offset, DWORD pixels);
using AtiAllocOverlay = BOOL (*)(WORD* overlay);
using AtiSetupOverlay = BOOL (*)(WORD overlay, const void* record);   // 24 bytes
using AtiSetOverlayPos = BOOL (*)(WORD overlay, WORD x, WORD y);
using AtiSetOverlayOnOff = BOOL (*)(WORD overlay, BOOL on);
using AtiWaitComplete = BOOL (*)(DWORD timeout);
using AtiSetupMemoryTransfer = BOOL (*)(DWORD offset, void** address);
using AtiRelease = BOOL (*)(WORD handle);                     // ReleaseOverlay, DestroySurface

} // namespace os::hw
