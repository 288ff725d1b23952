// path.h -- device paths and the host folder that stands for the device
//
// Programs name files as on the device: "\Program Files\Game\data.txt",
// built with backslashes, "..\" segments and joins that may double a
// separator. The device's file system lives in one host folder, the device
// root (OS_DEVICE_ROOT). Mapping a device path to the host:
//   - '\' and '/' both separate; doubled or mixed separators collapse;
//   - "." segments vanish and ".." goes up one level, never above the root;
//   - a relative path is taken from the root;
//   - each component that does not exist with exactly the given name is
//     looked up without regard to case (ASCII and Latin-1) in the existing
//     host folder; once a component is missing altogether, the rest keeps the
//     case the program gave it, so a file about to be created lands in the
//     folder matched case-insensitively under the name the program chose;
//   - host names are UTF-8.
#pragma once

#include "os/base/utf.h"

#include <os/types.h>

#include <string>

namespace os::path {

// The host folder of the device root, absolute, without a trailing '/'.
std::string device_root();

// The host path for a device path ("" for nullptr); the path ends at a NUL.
std::string to_host(const WCHAR* device_path);
std::string to_host(const std::u16string& device_path);

// The device path (backslash form, e.g. "\Program Files\X\X") of a host
// path inside the root. A host path outside the root keeps its components
// with '/' turned into '\'.
std::u16string to_device(const std::string& host_path);

// The device path of special folder 5 ("\My Documents", or OS_DOCUMENTS when
// set: a device path, or a host path inside the root). Created if missing.
std::u16string documents();

// Host names and device names: UTF-8 <-> UTF-16 (os/base/utf.h).
using os::utf::append_utf16;
using os::utf::decode_utf8;
using os::utf::utf16;
using os::utf::utf8;

} // namespace os::path
