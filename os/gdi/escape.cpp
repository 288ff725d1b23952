// escape.cpp -- device capabilities and display escapes
//
// Every DC reports the device screen's capabilities (memory DCs are
// compatible with the screen). The raw frame buffer escape is not implemented
// unless emulated: on a 480 x 640 RGB565 screen it answers the screen itself;
// tests can turn on an emulated one with memory of its own.
#include "os/gdi/gdi_private.h"
#include "os/base/warn.h"

#include "os/host/host.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include "os/testing/gdi.h"

namespace os::gdi {

namespace {

constexpr int kRawWidth = 480;
constexpr int kRawHeight = 640;

std::atomic<bool> g_raw_emulated{false};

struct EscapeHandlers
{
    std::mutex lock;
    std::map<int, EscapeHandler> table;
};

EscapeHandlers& handlers()
{
    static auto* h = new EscapeHandlers;
    return *h;
}

EscapeHandler handler_for(int escape)
{
    std::lock_guard<std::mutex> guard(handlers().lock);
    auto it = handlers().table.find(escape);
    return it == handlers().table.end() ? EscapeHandler() : it->second;
}

uint16_t* emulated_frame()
{
    static uint16_t* frame = new uint16_t[size_t(kRawWidth) * kRawHeight]();
    return frame;
}

// The raw frame buffer, or false when there is none.
bool raw_framebuffer(RawFrameBufferInfo* out)
{
    os::host::Screen& screen = os::host::screen();
    bool native = screen.width == kRawWidth && screen.height == kRawHeight && screen.bpp == 16;
    if (!native && !g_raw_emulated)
    {
        return false;
    }
    memset(out, 0, sizeof(*out));
    out->wFormat = FORMAT_565;
    out->wBPP = 16;
    out->pFramePointer = native ? static_cast<void*>(screen.pixels) : static_cast<void*>(emulated_frame());
    out->cxStride = 2;
    out->cyStride = native ? screen.pitch : kRawWidth * 2;
    out->cxPixels = kRawWidth;
    out->cyPixels = kRawHeight;
    return true;
}

int query_support(int input_size, LPCSTR input)
{
    if (!input || input_size < int(sizeof(DWORD)))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    DWORD escape;
    memcpy(&escape, input, sizeof(escape));
    RawFrameBufferInfo info;
    switch (escape)
    {
    case QUERYESCSUPPORT: return 1;
    case GETRAWFRAMEBUFFER: return raw_framebuffer(&info) ? 1 : 0;
    default: return handler_for(int(escape)) ? 1 : 0;
    }
}

int screen_caps(int index)
{
    os::host::Screen& screen = os::host::screen();
    switch (index)
    {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return screen.width * 254 / 960; // millimetres at 96 dots per inch
    case VERTSIZE: return screen.height * 254 / 960;
    case HORZRES: return screen.width;
    case VERTRES: return screen.height;
    case BITSPIXEL: return screen.bpp;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case COLORRES: return screen.bpp == 16 ? 16 : 24;
    default: return 0;
    }
}

} // namespace

void set_raw_framebuffer_emulation(bool on)
{
    g_raw_emulated = on;
}

void set_escape_handler(int escape, EscapeHandler handler)
{
    std::lock_guard<std::mutex> guard(handlers().lock);
    if (handler)
        handlers().table[escape] = std::move(handler);
    else
        handlers().table.erase(escape);
}

} // namespace os::gdi

using namespace os::gdi;

int GetDeviceCaps(HDC hdc, int index)
{
    if (!dc_get(hdc))
    {
        return 0;
    }
    return screen_caps(index);
}

int ExtEscape(HDC hdc, int escape, int input_size, LPCSTR input, int output_size, LPSTR output)
{
    if (!dc_get(hdc))
    {
        return -1;
    }
    if (escape == QUERYESCSUPPORT)
    {
        return query_support(input_size, input);
    }
    if (EscapeHandler handler = escape != GETRAWFRAMEBUFFER ? handler_for(escape) : EscapeHandler())
    {
        return handler(input_size, input, output_size, output);
    }
    if (escape != GETRAWFRAMEBUFFER)
    {
        os::warn_once("gdi", ("ExtEscape " + std::to_string(escape) + " is not supported").c_str());
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    RawFrameBufferInfo info;
    if (!raw_framebuffer(&info))
    {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    if (!output || output_size < int(sizeof(info)))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    memcpy(output, &info, sizeof(info));
    return 1;
}
