// bmp_fuzz.cpp -- the splash picture's reader on arbitrary bytes
#include <cstddef>
#include <cstdint>
#include <string>

#include "ravenor/game/shell/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BmpImage image;
    std::string error;
    if (DecodeBmp(data, size, image, error) &&
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        __builtin_trap();
    return 0;
}
