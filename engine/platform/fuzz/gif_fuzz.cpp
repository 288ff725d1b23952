// gif_fuzz.cpp -- random bytes through the GIF blocks and the LZW decoder
#include "engine/platform/gif_reader.h"
#include "engine/platform/image.h"
#include "fuzz_setup.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    prepareFuzzRun();
    int count = 0;
    Image** frames = nullptr;
    readGifBytes(data, size, u"fuzz.gif", count, frames, false, size % 2 == 0, nullptr);
    for (int i = 0; i < count; ++i)
        if (frames[i]->isEmpty())
            __builtin_trap(); // only decoded frames are listed
    freeGifFrames(frames, count);

    Image first(1, 1, true);
    readGifBytes(data, size, u"fuzz.gif", count, frames, true, true, &first);
    return 0;
}
