// fuzz_tree.h -- a device tree of its own for the fuzz targets
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Makes (once) a device tree in a temporary folder with the headless back
// end, and writes the input to the device file "\f\<name>".
void writeFuzzInput(const std::string& name, const uint8_t* data, size_t size);

// The host path of a file of that tree ("f/in.properties" for the device's
// "\f\in.properties"), making the tree first when needed.
std::string fuzzHostPath(const std::string& relative);

// Writes a file of the tree, making its folders; false when it cannot.
bool writeFuzzFile(const std::string& relative, const void* data, size_t size);
