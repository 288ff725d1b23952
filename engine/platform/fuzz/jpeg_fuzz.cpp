// jpeg_fuzz.cpp -- random bytes through libjpeg with the loader's error handling
#include "engine/platform/image.h"
#include "fuzz_setup.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    prepareFuzzRun();
    Image image(0, 0, false);
    if (image.decodeJpeg(data, size, u"fuzz.jpg", size % 2 == 0) && image.isEmpty())
        __builtin_trap(); // success always leaves a picture
    return 0;
}
