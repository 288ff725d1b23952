// frame_buffer.cpp -- the frame, its presentation, and full-screen and placed images
#include "ravenor/engine/render/frame_buffer.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ravenor/engine/display/display.h"
#include "ravenor/engine/core/log.h"

uint32_t g_frame[kFrameCells];
int32_t g_renderFrame = 0;

namespace {

Display* g_display = nullptr;
bool g_halted = false;

// The colour halves of n cells into 16-bit pixels; with 'clear' the cells
// are cleared as they are read.
template <bool Clear>
void PackRow(uint16_t* out, uint32_t* cell, int32_t n)
{
    int32_t x = 0;
#if defined(__SSE2__)
    // Eight cells at a time: each low half sign-extended, then packed with
    // signed saturation, which keeps it exactly.
    const __m128i clearCells = _mm_set1_epi32(static_cast<int32_t>(kClearCell));
    for (; x + 8 <= n; x += 8)
    {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell + x));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cell + x + 4));
        a = _mm_srai_epi32(_mm_slli_epi32(a, 16), 16);
        b = _mm_srai_epi32(_mm_slli_epi32(b, 16), 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packs_epi32(a, b));
        if constexpr (Clear)
        {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cell + x), clearCells);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cell + x + 4), clearCells);
        }
    }
#endif
    for (; x < n; ++x)
    {
        out[x] = static_cast<uint16_t>(cell[x]);
        if constexpr (Clear)
            cell[x] = kClearCell;
    }
}

// Copies the frame into a 16-bit surface, clipped to both sizes, and with
// 'clear' clears each cell in the same pass (cells outside the surface too).
void PackFrame(Surface& surface, bool clear)
{
    const int32_t width = std::max(0, std::min(surface.width, kFrameWidth));
    const int32_t height = std::max(0, std::min(surface.height, kFrameHeight));
    for (int32_t y = 0; y < height; ++y)
    {
        uint32_t* cell = g_frame + y * kFrameWidth;
        if (!clear)
        {
            PackRow<false>(surface.Row(y), cell, width);
            continue;
        }
        PackRow<true>(surface.Row(y), cell, width);
        std::fill(cell + width, cell + kFrameWidth, kClearCell);
    }
    if (clear)
        std::fill(g_frame + height * kFrameWidth, g_frame + kFrameCells, kClearCell);
}

// Shows the frame; false when there was no buffer.
bool ShowFrame(uint32_t swapFlags, bool clear)
{
    Surface* buffer = nullptr;
    if (g_display && g_display->BeginScene())
        buffer = g_display->GetBuffer();
    if (!buffer)
    {
        Log("PresentFrame: no buffer");
        return false;
    }
    PackFrame(*buffer, clear);
    g_display->Swap(swapFlags);
    return true;
}

// Fields summed on 0x1F000, 0xFC0 and 0x3E, then halved
uint16_t HalfBlend(uint16_t a, uint16_t b)
{
    const uint32_t r = ((a & 0xF800u) + (b & 0xF800u)) >> 1 & 0xF800u;
    const uint32_t g = ((a & 0x07E0u) + (b & 0x07E0u)) >> 1 & 0x07E0u;
    const uint32_t bl = ((a & 0x001Fu) + (b & 0x001Fu)) >> 1;
    return static_cast<uint16_t>(r | g | bl);
}

uint16_t AddSaturate(uint16_t a, uint16_t b)
{
    const uint32_t r = std::min<uint32_t>((a & 0xF800u) + (b & 0xF800u), 0xF800u);
    const uint32_t g = std::min<uint32_t>((a & 0x07E0u) + (b & 0x07E0u), 0x07E0u);
    const uint32_t bl = std::min<uint32_t>((a & 0x001Fu) + (b & 0x001Fu), 31u);
    return static_cast<uint16_t>(r | g | bl);
}

// One image pixel onto one cell in a draw mode
void PlotImagePixel(uint32_t& cell, uint16_t pixel, int32_t mode, int32_t depth, int32_t brightness)
{
    const uint32_t depthBits = static_cast<uint32_t>(depth) << 16;
    if (pixel == 0 && mode != 0 && mode != 6)
        return;
    switch (mode)
    {
    case 0:
    case 1:
        if (static_cast<int32_t>(cell >> 16) >= depth)
            cell = depthBits + pixel;
        break;
    case 3: cell = depthBits | HalfBlend(pixel, static_cast<uint16_t>(cell)); break;
    case 4: cell = depthBits | AddSaturate(pixel, static_cast<uint16_t>(cell)); break;
    case 5:
    case 6: cell = depthBits | ScaleColour(pixel, brightness); break;
    default: break;
    }
}

} // namespace

void SetFrameDisplay(Display* display)
{
    g_display = display;
}

void ClearFrame()
{
    std::fill(g_frame, g_frame + kFrameCells, kClearCell);
}

void PresentFrame(uint32_t swapFlags)
{
    if (g_halted)
        return;
    if (!ShowFrame(swapFlags, true))
        ClearFrame();
}

int PresentFrameNoClear(uint32_t swapFlags)
{
    if (g_halted)
        return 0;
    return ShowFrame(swapFlags, false) ? 1 : 0;
}

void HaltGame()
{
    Log("HaltGame");
    g_halted = true;
}

bool IsGameHalted()
{
    return g_halted;
}

uint16_t ScaleColour(uint16_t pixel, int32_t brightness)
{
    const uint32_t b = static_cast<uint32_t>(brightness);
    const uint32_t r = ((pixel & 0xF800u) * b) & 0x1F00000u;
    const uint32_t g = ((pixel & 0x07E0u) * b) & 0xFC000u;
    const uint32_t bl = ((pixel & 0x001Fu) * b) & 0x3E00u;
    return static_cast<uint16_t>((r | g | bl) >> 9);
}

void DrawFullScreenImage(int32_t brightness, const TexImage& image)
{
    if (!image.pixels || image.width != kFrameWidth || image.height != kFrameHeight)
        return;
    for (int32_t k = 0; k < kFrameCells; ++k)
    {
        const uint16_t pixel = image.pixels[kFrameCells - 1 - k];
        g_frame[k] = brightness >= 512 ? pixel : ScaleColour(pixel, brightness);
    }
}

void DrawImage(int32_t x, int32_t y, int32_t depth, int32_t brightness, int32_t mode, const TexImage& image)
{
    if (!image.pixels)
        return;
    if (brightness > 512)
    {
        brightness = 512;
        if (mode == 5)
            mode = 1;
    }
    const int32_t width = static_cast<int32_t>(image.width);
    const int32_t height = static_cast<int32_t>(image.height);
    for (int32_t row = 0; row < height; ++row)
    {
        const int32_t sy = y + row;
        if (sy < 0 || sy >= kFrameHeight)
            continue;
        const uint16_t* source = image.pixels + static_cast<size_t>(height - 1 - row) * width;
        for (int32_t column = 0; column < width; ++column)
        {
            const int32_t sx = x + column;
            if (sx >= 0 && sx < kFrameWidth)
                PlotImagePixel(g_frame[sy * kFrameWidth + sx], source[column], mode, depth, brightness);
        }
    }
}

void ResetFrameBuffer()
{
    ClearFrame();
    g_halted = false;
    g_display = nullptr;
    g_renderFrame = 0;
}
