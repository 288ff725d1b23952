// Fuzz target: the registry file reader.
#include "os/kernel/registry_store.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    os::registry::Store store = os::registry::parse(std::string(reinterpret_cast<const char*>(data), size));
    std::string text = os::registry::serialize(store);
    os::registry::Store back = os::registry::parse(text);
    // What the store writes it must read back whole and unchanged.
    if (back.damaged || back.unreadable || os::registry::serialize(back) != text)
        std::abort();
    return 0;
}
