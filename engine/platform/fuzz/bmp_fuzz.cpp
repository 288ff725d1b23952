// bmp_fuzz.cpp -- random bytes through the BMP checks and the conversion to both depths
#include "engine/platform/bmp_reader.h"
#include "engine/platform/image.h"
#include "fuzz_setup.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    prepareFuzzRun();
    for (bool screen : {false, true})
    {
        Image image(0, 0, screen);
        if (image.decodeBmp(data, size, u"fuzz.bmp", screen) && (image.width <= 0 || image.height <= 0))
            __builtin_trap(); // a decoded picture always has pixels
    }
    return 0;
}
