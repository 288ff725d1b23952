// sysinfo_private.h -- test hooks of the system facts
#pragma once

#include <cstdint>

namespace os::sysinfo {

// GlobalMemoryStatus reports this many free bytes (clamped to 32 bits) until
// clear_available_memory(); it takes precedence over OS_MEM_AVAIL.
void set_available_memory(uint64_t bytes);
void clear_available_memory();

} // namespace os::sysinfo
