// pixel_check.h -- comparing an image with expected colours; the picture is
// written out as PNG when they differ
#pragma once

#include "engine/platform/image.h"

#include "os/testing/host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace pixelcheck {

inline std::string outputPath(const std::string& name)
{
    const char* out = std::getenv("OS_OUT");
    return std::string(out && *out ? out : ".") + "/" + name + ".png";
}

// Every pixel of image equals expected(x, y) (0xRRGGBB as the image shows it).
inline ::testing::AssertionResult matches(const Image& image, const std::function<uint32_t(int, int)>& expected,
                                          const std::string& name)
{
    for (int y = 0; y < image.height; ++y)
    {
        for (int x = 0; x < image.width; ++x)
        {
            uint32_t want = expected(x, y), got = image.colorAt(x, y);
            if (want != got)
            {
                std::string path = outputPath(name);
                os::host::write_png(path, image.width, image.height, image.bits, image.stride, image.pixels);
                char text[160];
                std::snprintf(text, sizeof(text), "%s: pixel (%d, %d) is %06X, expected %06X (picture in %s)",
                              name.c_str(), x, y, got, want, path.c_str());
                return ::testing::AssertionFailure() << text;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The colour an image of `bits` stores for 0xRRGGBB, read back.
inline uint32_t stored(uint32_t rgb, int bits)
{
    if (bits == 32)
        return rgb & 0xFFFFFF;
    return os::host::shown_in_rgb565(rgb);
}

} // namespace pixelcheck
