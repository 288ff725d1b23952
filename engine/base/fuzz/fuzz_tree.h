// fuzz_tree.h -- a device tree of its own for the fuzz targets
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Makes (once) a device tree in a temporary folder with the headless back
// end, and writes the input to the device file "\f\<name>".
void writeFuzzInput(const std::string& name, const uint8_t* data, size_t size);
