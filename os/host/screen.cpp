// screen.cpp -- the device screen of this process
//
// Created on first use: the program's own default size (set_default_screen)
// unless OS_SCREEN gives another; black at start.
#include "os/host/backends_private.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace os::host {

namespace {

std::mutex g_screen_lock;
Screen g_screen;
std::vector<uint8_t> g_pixels;
bool g_created = false;
int g_default_width = 240;
int g_default_height = 320;
int g_default_bpp = 16;
int g_default_scale = 2;

bool valid_size(int width, int height, int bpp)
{
    return width > 0 && height > 0 && width <= 8192 && height <= 8192 && (bpp == 16 || bpp == 32);
}

void create_screen()
{
    int width = g_default_width;
    int height = g_default_height;
    int bpp = g_default_bpp;
    std::string text = env("OS_SCREEN");
    std::string why;
    if (!text.empty() && !parse_screen_size(text, width, height, bpp, &why))
    {
        fprintf(stderr, "OS_SCREEN=%s %s; using %dx%dx%d\n", text.c_str(), why.c_str(), g_default_width,
                g_default_height, g_default_bpp);
        width = g_default_width;
        height = g_default_height;
        bpp = g_default_bpp;
    }
    g_screen.width = width;
    g_screen.height = height;
    g_screen.bpp = bpp;
    g_screen.pitch = width * (bpp / 8);
    g_pixels.assign(size_t(g_screen.pitch) * size_t(height), 0);
    g_screen.pixels = g_pixels.data();
    g_created = true;
}

bool parse_int(const char*& p, int& out)
{
    if (*p < '0' || *p > '9')
    {
        return false;
    }
    long value = 0;
    while (*p >= '0' && *p <= '9')
    {
        value = std::min(value * 10 + (*p++ - '0'), 100000L); // past the limit, however long
    }
    out = int(value);
    return true;
}

} // namespace

bool parse_screen_size(const std::string& text, int& width, int& height, int& bpp, std::string* why)
{
    const char* p = text.c_str();
    int w = 0;
    int h = 0;
    int b = 0;
    std::string problem;
    if (!parse_int(p, w) || *p++ != 'x' || !parse_int(p, h) || *p++ != 'x' || !parse_int(p, b) || *p ||
        (b != 16 && b != 32))
    {
        problem = "is not WIDTHxHEIGHTxBPP (BPP 16 or 32)";
    }
    else if (!valid_size(w, h, b))
    {
        problem = w == 0 || h == 0 ? "has a side of 0 pixels" : "is too large: each side is at most 8192 pixels";
    }
    if (!problem.empty())
    {
        if (why)
        {
            *why = problem;
        }
        return false;
    }
    width = w;
    height = h;
    bpp = b;
    return true;
}

Screen& screen()
{
    std::lock_guard<std::mutex> hold(g_screen_lock);
    if (!g_created)
    {
        create_screen();
    }
    return g_screen;
}

void set_default_screen(int width, int height, int bpp)
{
    std::lock_guard<std::mutex> hold(g_screen_lock);
    if (!g_created && valid_size(width, height, bpp))
    {
        g_default_width = width;
        g_default_height = height;
        g_default_bpp = bpp;
    }
}

void set_default_scale(int scale)
{
    std::lock_guard<std::mutex> hold(g_screen_lock);
    g_default_scale = std::clamp(scale, 1, 8);
}

int window_scale()
{
    std::string text = env("OS_SCALE");
    int scale = text.empty() ? 0 : atoi(text.c_str());
    std::lock_guard<std::mutex> hold(g_screen_lock);
    return std::clamp(scale > 0 ? scale : g_default_scale, 1, 8);
}

} // namespace os::host
