// present_bench.cpp -- the cost of presenting a 240 x 320 picture through GDI
//
// The engines blit their whole back buffer to the window every frame; these
// measure that copy for the same depth and across 565 and 32 bits per pixel,
// and the raster operations the engines use. memcpy_reference copies the
// same number of destination bytes: bytes per second of each blit against
// it give the ratio to a plain copy from one run.
#include "os/gdi/gdi_private.h"
#include "os/host/host.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Picture
{
    Picture(int bpp, int width, int height)
    {
        struct
        {
            BITMAPINFOHEADER header;
            DWORD masks[3];
        } info{};
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = width;
        info.header.biHeight = -height;
        info.header.biPlanes = 1;
        info.header.biBitCount = WORD(bpp);
        info.header.biCompression = BI_BITFIELDS;
        info.masks[0] = bpp == 16 ? 0xF800 : 0xFF0000;
        info.masks[1] = bpp == 16 ? 0x07E0 : 0x00FF00;
        info.masks[2] = bpp == 16 ? 0x001F : 0x0000FF;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, nullptr, nullptr, 0);
        SelectObject(dc, bitmap);
    }
    HDC dc;
    HBITMAP bitmap;
};

void memcpy_reference(benchmark::State& state, int bpp)
{
    std::vector<uint8_t> from(size_t(240 * 320 * bpp / 8), 1), to(from.size());
    for (auto _ : state)
    {
        memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(from.size()));
}

void blit(benchmark::State& state, int from_bpp, int to_bpp, DWORD rop)
{
    Picture from(from_bpp, 240, 320);
    Picture to(to_bpp, 240, 320);
    for (auto _ : state)
    {
        BitBlt(to.dc, 0, 0, 240, 320, from.dc, 0, 0, rop);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 240 * 320 * to_bpp / 8);
}

// The source's 160 x 240 top-left part enlarged over the whole destination.
void stretch(benchmark::State& state, int from_bpp, int to_bpp, DWORD rop)
{
    Picture from(from_bpp, 240, 320);
    Picture to(to_bpp, 240, 320);
    for (auto _ : state)
    {
        StretchBlt(to.dc, 0, 0, 240, 320, from.dc, 0, 0, 160, 240, rop);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 240 * 320 * to_bpp / 8);
}

void present_to_screen(benchmark::State& state)
{
    Picture from(16, 240, 320);
    for (auto _ : state)
    {
        HDC dc = GetDC(nullptr);
        BitBlt(dc, 0, 0, 240, 320, from.dc, 0, 0, SRCCOPY);
        ReleaseDC(nullptr, dc);
    }
    state.SetBytesProcessed(state.iterations() * 240 * 320 * 2);
}

BENCHMARK_CAPTURE(memcpy_reference, bytes_565, 16);
BENCHMARK_CAPTURE(memcpy_reference, bytes_32, 32);
BENCHMARK_CAPTURE(blit, copy_565_to_565, 16, 16, SRCCOPY);
BENCHMARK_CAPTURE(blit, copy_32_to_32, 32, 32, SRCCOPY);
BENCHMARK_CAPTURE(blit, copy_565_to_32, 16, 32, SRCCOPY);
BENCHMARK_CAPTURE(blit, copy_32_to_565, 32, 16, SRCCOPY);
BENCHMARK_CAPTURE(blit, and_565, 16, 16, SRCAND);
BENCHMARK_CAPTURE(blit, invert_565, 16, 16, SRCINVERT);
BENCHMARK_CAPTURE(blit, and_32, 32, 32, SRCAND);
BENCHMARK_CAPTURE(blit, invert_32, 32, 32, SRCINVERT);
BENCHMARK_CAPTURE(blit, paint_565, 16, 16, SRCPAINT);
BENCHMARK_CAPTURE(blit, and_565_to_32, 16, 32, SRCAND);
BENCHMARK_CAPTURE(stretch, copy_565_to_565, 16, 16, SRCCOPY);
BENCHMARK_CAPTURE(stretch, copy_565_to_32, 16, 32, SRCCOPY);
BENCHMARK_CAPTURE(stretch, and_565, 16, 16, SRCAND);
BENCHMARK_CAPTURE(stretch, invert_565, 16, 16, SRCINVERT);
BENCHMARK(present_to_screen);

} // namespace

int main(int argc, char** argv)
{
    setenv("OS_BACKEND", "headless", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
