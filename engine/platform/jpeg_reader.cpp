// jpeg_reader.cpp -- the JPEG loader of Image (libjpeg, 6b interface)
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours shows the library's message and throws a private exception that the
// loader catches around the whole decode, with the decompressor destroyed by
// its guard: a bad file never ends the program and nothing leaks.
#include "engine/platform/image.h"

#include "engine/platform/image_file.h"
#include "engine/platform/pixel_format.h"

#include <os/user.h>
#include <os/wstring.h>

#include <cstdio>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

// The most memory libjpeg may take for one picture: the coefficients of a
// progressive picture of the largest image size with four full-resolution
// components (two bytes each), and room for its row buffers. Past it the
// library fails (it has no backing store) instead of allocating.
constexpr long kJpegMemoryLimit = long(8 * Image::kMaxPixels) + (32L << 20);

// Every scan of a progressive picture passes over the whole picture: a
// small file of many empty scans declaring a large picture takes minutes.
// Encoders write a dozen or so; past this many the file is refused.
constexpr int kMaxScans = 500;

// The loader's own message, after the library's.
constexpr int kTooManyScans = 1000;
const char* const kLoaderMessages[] = {"Progressive JPEG image has more than %d scans", nullptr};

struct JpegFailure
{
};

struct ErrorManager
{
    jpeg_error_mgr base;
    const WCHAR* path;
};

void showJpegMessage(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    char message[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, message);
    std::u16string text = os::format(u"Error happened when loading image:\n%s\n", manager->path ? manager->path : u"");
    text += os::to_u16(message);
    MessageBoxW(GetActiveWindow(), text.c_str(), u"Error", MB_OK | MB_ICONSTOP);
}

[[noreturn]] void failJpeg(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    throw JpegFailure{};
}

void countScans(j_common_ptr cinfo)
{
    auto* info = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (info->input_scan_number > kMaxScans)
        ERREXIT1(info, kTooManyScans, kMaxScans);
}

// Owns the decompressor for the length of one decode.
struct Decompressor
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};

    explicit Decompressor(const WCHAR* path)
    {
        info.err = jpeg_std_error(&errors.base);
        errors.base.output_message = showJpegMessage;
        errors.base.error_exit = failJpeg;
        errors.base.addon_message_table = kLoaderMessages;
        errors.base.first_addon_message = kTooManyScans;
        errors.base.last_addon_message = kTooManyScans;
        errors.path = path;
        jpeg_create_decompress(&info);
        info.mem->max_memory_to_use = kJpegMemoryLimit;
        progress.progress_monitor = countScans;
        info.progress = &progress;
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// One decoded row (1 or 3 components) into an image row.
void convertRow(const JSAMPLE* in, int components, int width, uint8_t* out, int bits)
{
    for (int x = 0; x < width; ++x)
    {
        const JSAMPLE* p = in + x * components;
        if (components == 1)
            storePixel(out, x, bits, p[0], p[0], p[0]);
        else
            storePixel(out, x, bits, p[0], p[1], p[2]);
    }
}

} // namespace

bool Image::loadJpeg(const WCHAR* path, bool useScreenDepth_)
{
    std::vector<uint8_t> bytes;
    if (!readImageFile(path, bytes))
    {
        showMissingImageBox(path);
        return false;
    }
    return decodeJpeg(bytes.data(), bytes.size(), path, useScreenDepth_);
}

bool Image::decodeJpeg(const uint8_t* data, size_t length, const WCHAR* name, bool useScreenDepth_)
{
    release();
    Decompressor jpeg(name);
    jpeg_decompress_struct& info = jpeg.info;
    try
    {
        jpeg_mem_src(&info, const_cast<uint8_t*>(data), static_cast<unsigned long>(length));
        jpeg_read_header(&info, TRUE);
        // The size is checked before decompression starts: a progressive
        // picture gets all its coefficient buffers at the start.
        if (!withinLimits(info.image_width, info.image_height))
            ERREXIT1(&info, JERR_IMAGE_TOO_BIG, unsigned(kMaxSide));
        // Grey pictures keep one component (spread over the three channels);
        // every other colour space must convert to RGB or is refused.
        if (info.jpeg_color_space != JCS_GRAYSCALE)
            info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        int w = int(info.output_width), h = int(info.output_height);
        int components = info.output_components;
        if (components != 1 && components != 3)
            ERREXIT(&info, JERR_CONVERSION_NOTIMPL);
        if (!create(w, h, wantedDepth(useScreenDepth_)))
            ERREXIT1(&info, JERR_IMAGE_TOO_BIG, unsigned(kMaxSide));
        std::vector<JSAMPLE> row(size_t(w) * size_t(components));
        while (info.output_scanline < info.output_height)
        {
            int y = int(info.output_scanline);
            JSAMPLE* rows[1] = {row.data()};
            if (jpeg_read_scanlines(&info, rows, 1) != 1)
                break;
            convertRow(row.data(), components, w, getPixelAddress(0, y), bits);
        }
        jpeg_finish_decompress(&info);
    }
    catch (const JpegFailure&)
    {
        release();
        return false;
    }
    return true;
}
