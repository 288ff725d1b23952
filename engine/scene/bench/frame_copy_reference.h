// frame_copy_reference.h -- the reference the frame benchmarks run beside
// themselves: one frame's bytes copied
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

inline void copyFrameBytes(benchmark::State& state, size_t bytes)
{
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
