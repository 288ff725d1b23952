// zip_fixture.h -- test helpers: zip packs written into the device tree
#pragma once

#include "content/media/zip_writer.h"

#include "os/kernel/path.h"
#include "os/kernel/tests/device_tree.h"

#include <string>

namespace engine_testing {

using Members = media::ZipMembers;

// Writes a zip at the device path (its folders are made) with the members
// (name, content), deflated.
inline bool writeZip(const std::u16string& devicePath, const Members& members)
{
    return media::writeZip(os::path::to_host(devicePath), members);
}

} // namespace engine_testing
