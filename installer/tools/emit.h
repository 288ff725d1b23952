// emit.h -- the C++ source that puts a script's resources into a program
//
// File data is included by the assembler (.incbin), so large payloads cost
// nothing to compile; texts, strings and dialog templates are written out.
// The source registers everything with the desktop library when the program
// starts.
#pragma once

#include "installer/tools/script.h"

#include <string>

namespace rescomp {

// `prefix` makes the data symbols unique (letters, digits and '_').
std::string emit_source(const Script& script, const std::string& prefix, const std::string& origin);

// A C++ string literal of any bytes.
std::string literal(const std::string& bytes);

} // namespace rescomp
