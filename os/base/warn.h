// warn.h -- saying once that the platform layer met something it does not do
//
// Where a program calls a function or passes a flag the platform accepts but
// does not carry out (or refuses for lack of it), the module says so once per
// process on stderr, so that a difference from the device never passes in
// silence:
//
//     os::warn_once("kernel", "file sharing modes are accepted, not enforced");
//     -> "os/kernel: file sharing modes are accepted, not enforced"
//
// OS_QUIET=1 keeps stderr clear of these lines (they are still counted).
#pragma once

namespace os {

// Writes "os/MODULE: WHAT" once for each distinct pair; answers true the
// first time.
bool warn_once(const char* module, const char* what);

// How many distinct warnings were given so far (tests).
int warnings_given();

} // namespace os
