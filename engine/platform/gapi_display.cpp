// gapi_display.cpp -- GAPI state, device detection and the frame-buffer blit
//
// Device detection: an iPAQ other than the H38xx kept its frame buffer at a
// fixed physical address in landscape-organised memory. No such address
// exists here, so that case is recognised (layout Ipaq) but draws through
// the display's own properties and GXBeginDraw like any other device. A
// device with a raw 480 x 640 frame buffer gets the doubling blitters, with
// clipping in the engine's 240 x 320 space so that nothing lands outside the
// panel.
#include "engine/platform/gapi_display.h"

#include "engine/platform/image.h"

#include <os/gdi.h>
#include <os/user.h>
#include <os/wstring.h>

#include <algorithm>
#include <cstring>

namespace GapiDisplay {
namespace {

struct State
{
    bool displayOpen = false;
    bool inputOpen = false;
    FrameBuffer frameBuffer;
    bool rawVga = false;
    Layout layout = Layout::None;
    uint8_t* framePointer = nullptr;
    bool fromBeginDraw = false;
    GXKeyList keys{};
};

State g_state;

bool oemNamesIpaq()
{
    WCHAR oem[128] = {};
    if (!SystemParametersInfoW(SPI_GETOEMINFO, sizeof(oem) / sizeof(oem[0]), oem, 0))
        return false;
    return wcsstr(oem, u"iPAQ") && !wcsstr(oem, u"H38");
}

bool queryRawFrameBuffer(RawFrameBufferInfo& raw)
{
    HDC screen = GetDC(nullptr);
    int answer = ExtEscape(screen, GETRAWFRAMEBUFFER, 0, nullptr, int(sizeof(raw)), reinterpret_cast<LPSTR>(&raw));
    ReleaseDC(nullptr, screen);
    return answer > 0;
}

FrameBuffer fromProperties(const GXDisplayProperties& p)
{
    return FrameBuffer{int32_t(p.cxWidth), int32_t(p.cyHeight), p.cbxPitch, p.cbyPitch, p.cBPP, p.ffFormat};
}

void openDisplay(HWND window)
{
    if (!GXOpenDisplay(window, GX_FULLSCREEN))
        return; // presents keep going through GDI
    g_state.displayOpen = true;
    g_state.frameBuffer = fromProperties(GXGetDisplayProperties());
    bool ipaq = oemNamesIpaq();
    RawFrameBufferInfo raw{};
    g_state.rawVga = queryRawFrameBuffer(raw) && raw.cxPixels == 480 && raw.cyPixels == 640;
    if (!ipaq && g_state.rawVga)
    {
        g_state.layout = Layout::RawVga;
        g_state.frameBuffer = FrameBuffer{raw.cxPixels, raw.cyPixels, raw.cxStride, raw.cyStride, raw.wBPP, raw.wFormat};
        g_state.framePointer = static_cast<uint8_t*>(raw.pFramePointer);
        return;
    }
    g_state.rawVga = false;
    g_state.layout = ipaq ? Layout::Ipaq : Layout::BeginDraw;
    beginDraw();
}

void openInput()
{
    GXOpenInput();
    g_state.keys = GXGetDefaultKeys(GX_LANDSCAPEKEYS);
    g_state.keys.vkA = 193;
    g_state.keys.vkB = 194;
    g_state.keys.vkC = 195;
    g_state.keys.vkStart = 196;
    g_state.inputOpen = true;
}

} // namespace

void open(HWND window, bool display, bool input)
{
    if (display && !g_state.displayOpen)
        openDisplay(window);
    if (input && !g_state.inputOpen)
        openInput();
}

void close()
{
    if (g_state.fromBeginDraw)
        endDraw();
    if (g_state.displayOpen)
        GXCloseDisplay();
    if (g_state.inputOpen)
        GXCloseInput();
    g_state = State{};
}

void suspend()
{
    GXSuspend();
}

void resume()
{
    GXResume();
}

void beginDraw()
{
    g_state.framePointer = static_cast<uint8_t*>(GXBeginDraw());
    g_state.fromBeginDraw = g_state.framePointer != nullptr;
}

void endDraw()
{
    GXEndDraw();
    g_state.framePointer = nullptr;
    g_state.fromBeginDraw = false;
}

bool isDisplayOpen()
{
    return g_state.displayOpen;
}

bool isInputOpen()
{
    return g_state.inputOpen;
}

Layout layout()
{
    return g_state.layout;
}

const FrameBuffer& frameBuffer()
{
    return g_state.frameBuffer;
}

void* framePointer()
{
    return g_state.framePointer;
}

int getKeyA()
{
    return g_state.keys.vkA;
}

int getKeyB()
{
    return g_state.keys.vkB;
}

int getKeyC()
{
    return g_state.keys.vkC;
}

int keyStart()
{
    return g_state.keys.vkStart;
}

void useFrameBuffer(const FrameBuffer& layout_, void* pointer, bool rawVga)
{
    g_state.frameBuffer = layout_;
    g_state.framePointer = static_cast<uint8_t*>(pointer);
    g_state.rawVga = rawVga;
}

namespace {

// One blit after clipping: source rectangle, destination point (in the
// engine's screen space) and how source pixels map to destination bytes.
struct Blit
{
    int srcX, srcY, w, h;
    int dstX, dstY;
    int orientation;
    int zoom256;
};

// Where the blit's source pixels land, in bytes from the destination
// address: pixel (x, y) of the blit at origin + x x alongRow + y x downRows.
struct Placement
{
    int64_t origin;
    int64_t alongRow;
    int64_t downRows;
};

Placement placementOf(const Blit& b, const FrameBuffer& fb)
{
    switch (b.orientation)
    {
    case 1: return {int64_t(b.w - 1) * fb.yPitch, -int64_t(fb.yPitch), fb.xPitch};
    case 2: return {int64_t(b.h - 1) * fb.xPitch, fb.yPitch, -int64_t(fb.xPitch)};
    default: return {0, fb.xPitch, fb.yPitch};
    }
}

// Clips against the screen (width x height in the engine's space), moving
// the source by what is cut where the cut part comes first in the source.
bool clipToScreen(Blit& b, int width, int height)
{
    // Extents on the screen: portrait w across, h down; turned h across, w down.
    int& across = b.orientation == 0 ? b.w : b.h;
    int& down = b.orientation == 0 ? b.h : b.w;
    // Source coordinate advanced by a cut at the left, right, top and bottom.
    int* leftMoves = b.orientation == 0 ? &b.srcX : b.orientation == 1 ? &b.srcY : nullptr;
    int* rightMoves = b.orientation == 2 ? &b.srcY : nullptr;
    int* topMoves = b.orientation == 0 ? &b.srcY : b.orientation == 2 ? &b.srcX : nullptr;
    int* bottomMoves = b.orientation == 1 ? &b.srcX : nullptr;
    auto cut = [&](int amount, int& extent, int* moves) {
        extent -= amount;
        if (moves)
            *moves += (amount * b.zoom256) >> 8;
    };
    if (b.dstX < 0)
    {
        cut(-b.dstX, across, leftMoves);
        b.dstX = 0;
    }
    if (b.dstY < 0)
    {
        cut(-b.dstY, down, topMoves);
        b.dstY = 0;
    }
    if (b.dstX + across > width)
        cut(b.dstX + across - width, across, rightMoves);
    if (b.dstY + down > height)
        cut(b.dstY + down - height, down, bottomMoves);
    return b.w > 0 && b.h > 0;
}

// One row of the blit: n pixels from the source row (every pixel, or the
// zoomed ones) to 'at', one destination step apart; doubled pixels are
// written as 2 x 2 (the step and placement are doubled by the caller).
template <class Pixel, bool Zoomed, bool Doubled>
void copyRow(const Pixel* row, int n, int zoom256, uint8_t* at, int64_t step, int64_t xPitch, int64_t yPitch,
             int source = 0)
{
    for (int x = 0; x < n; ++x, at += step)
    {
        const Pixel p = Zoomed ? row[source >> 8] : row[x];
        source += zoom256;
        *reinterpret_cast<Pixel*>(at) = p;
        if constexpr (Doubled)
        {
            *reinterpret_cast<Pixel*>(at + xPitch) = p;
            *reinterpret_cast<Pixel*>(at + yPitch) = p;
            *reinterpret_cast<Pixel*>(at + xPitch + yPitch) = p;
        }
    }
}

// Pixels that land one after another in memory are written eight bytes at
// a time: four 16-bit or two 32-bit pixels, pixel(k) for k = 0, 1, ...
// assembled in a register in order of address and stored at the lowest.
template <class Pixel>
constexpr int kGroup = int(8 / sizeof(Pixel));

template <class Pixel, class Source>
inline void storeGroup(uint8_t* at, bool backwards, Source pixel)
{
    uint64_t word;
    if constexpr (sizeof(Pixel) == 2)
        word = backwards ? uint64_t(pixel(3)) | uint64_t(pixel(2)) << 16 | uint64_t(pixel(1)) << 32 |
                               uint64_t(pixel(0)) << 48
                         : uint64_t(pixel(0)) | uint64_t(pixel(1)) << 16 | uint64_t(pixel(2)) << 32 |
                               uint64_t(pixel(3)) << 48;
    else
        word = backwards ? uint64_t(pixel(1)) | uint64_t(pixel(0)) << 32 : uint64_t(pixel(0)) | uint64_t(pixel(1)) << 32;
    std::memcpy(backwards ? at - (kGroup<Pixel> - 1) * int64_t(sizeof(Pixel)) : at, &word, sizeof word);
}

template <class Pixel, bool Zoomed, bool Doubled>
void copyRows(const Image& image, const Blit& b, const FrameBuffer& fb, uint8_t* dst)
{
    constexpr int64_t size = int64_t(sizeof(Pixel));
    constexpr int group = kGroup<Pixel>;
    const int scale = Doubled ? 2 : 1;
    const Placement place = placementOf(b, fb);
    const int64_t step = place.alongRow * scale;
    auto sourceRow = [&](int y) {
        return reinterpret_cast<const Pixel*>(image.getPixelAddress(0, b.srcY + ((y * b.zoom256) >> 8))) + b.srcX;
    };
    auto rowStart = [&](int y) { return dst + (place.origin + int64_t(y) * place.downRows) * scale; };
    int y = 0;
    if (!Doubled && (place.downRows == size || place.downRows == -size))
    {
        // Source columns run along memory (a turned screen): a group of
        // source rows at a time, each column of the group stored at once.
        const bool backwards = place.downRows < 0;
        for (; y + group <= b.h; y += group)
        {
            const Pixel* rows[4] = {};
            for (int k = 0; k < group; ++k)
                rows[k] = sourceRow(y + k);
            uint8_t* at = rowStart(y);
            int source = 0;
            for (int x = 0; x < b.w; ++x, at += step, source += b.zoom256)
            {
                const int sx = Zoomed ? source >> 8 : x;
                storeGroup<Pixel>(at, backwards, [&](int k) { return rows[k][sx]; });
            }
        }
    }
    for (; y < b.h; ++y)
    {
        const Pixel* row = sourceRow(y);
        uint8_t* at = rowStart(y);
        if (!Zoomed && !Doubled && step == size)
        {
            std::memcpy(at, row, size_t(b.w) * sizeof(Pixel));
            continue;
        }
        int x = 0;
        int source = 0;
        if (!Doubled && (step == size || step == -size))
        {
            // Source rows run along memory: groups of a row's pixels.
            const bool backwards = step < 0;
            for (; x + group <= b.w; x += group, at += group * step, source += group * b.zoom256)
                storeGroup<Pixel>(at, backwards, [&](int k) {
                    return Zoomed ? row[(source + k * b.zoom256) >> 8] : row[x + k];
                });
        }
        copyRow<Pixel, Zoomed, Doubled>(row + (Zoomed ? 0 : x), b.w - x, b.zoom256, at, step, fb.xPitch,
                                        fb.yPitch, source);
    }
}

template <class Pixel>
void copyPixels(const Image& image, const Blit& b, const FrameBuffer& fb, uint8_t* dst, bool doubled)
{
    const bool zoomed = b.zoom256 != 256;
    if (doubled)
        zoomed ? copyRows<Pixel, true, true>(image, b, fb, dst) : copyRows<Pixel, false, true>(image, b, fb, dst);
    else
        zoomed ? copyRows<Pixel, true, false>(image, b, fb, dst) : copyRows<Pixel, false, false>(image, b, fb, dst);
}

} // namespace

void present(const Image& image, int originX, int originY, const RECT* rect, int zoom256, int orientation)
{
    const FrameBuffer& fb = g_state.frameBuffer;
    if (!g_state.framePointer || image.isEmpty() || image.bits != fb.bitsPerPixel ||
        (image.bits != 16 && image.bits != 32))
        return;
    Blit b{0, 0, image.width, image.height, originX, originY, orientation, std::clamp(zoom256, 1, 256)};
    if (orientation < 0 || orientation > 2)
        b.orientation = 0;
    if (rect)
    {
        int left = std::max<int>(rect->left, 0), top = std::max<int>(rect->top, 0);
        int right = std::min<int>(rect->right, image.width), bottom = std::min<int>(rect->bottom, image.height);
        b.srcX = left;
        b.srcY = top;
        b.w = right - left;
        b.h = bottom - top;
        if (b.orientation == 1)
        {
            b.dstX = originX + top;
            b.dstY = originY - right + image.width;
        }
        else if (b.orientation == 2)
        {
            b.dstX = originX - bottom + image.height;
            b.dstY = originY + left;
        }
        else
        {
            b.dstX = originX + left;
            b.dstY = originY + top;
        }
        b.srcX = (b.srcX * b.zoom256) >> 8;
        b.srcY = (b.srcY * b.zoom256) >> 8;
    }
    bool doubled = g_state.rawVga;
    int screenWidth = doubled ? fb.width / 2 : fb.width;
    int screenHeight = doubled ? fb.height / 2 : fb.height;
    if (b.w <= 0 || b.h <= 0 || !clipToScreen(b, screenWidth, screenHeight))
        return;
    int scale = doubled ? 2 : 1;
    uint8_t* dst = g_state.framePointer + (int64_t(b.dstX) * fb.xPitch + int64_t(b.dstY) * fb.yPitch) * scale;
    if (image.bits == 16)
        copyPixels<uint16_t>(image, b, fb, dst, doubled);
    else
        copyPixels<uint32_t>(image, b, fb, dst, doubled);
}

} // namespace GapiDisplay
