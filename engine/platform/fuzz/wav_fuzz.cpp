// wav_fuzz.cpp -- random bytes through the wave file layout
#include "engine/platform/wave_sound.h"
#include "fuzz_setup.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    prepareFuzzRun();
    WaveLayout layout;
    if (parseWaveFile(data, size, layout) && (layout.dataOffset > size || layout.dataSize > size - layout.dataOffset))
        __builtin_trap(); // the samples always lie inside the file
    return 0;
}
