// image.h -- the engine's one picture type
//
// An off-screen DIB section with its own memory DC: the engine writes its
// pixels directly and GDI draws into it and blits from it. Images are
// top-down, 16 bits (RGB565) or 32 bits (0x00RRGGBB). A failed load leaves
// an empty image (no pixels, no DC); every drawing operation on an empty
// image does nothing.
#pragma once

#include <os/gdi.h>
#include <os/types.h>

#include <cstddef>
#include <cstdint>

// Header and three colour masks of a BI_BITFIELDS DIB section
struct BitmapInfoWithMasks
{
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

class Image
{
public:
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;
    int32_t stride = 0;
    int32_t bits = 0;
    int32_t size = 0;
    bool useScreenDepth = false;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    int32_t hasColorKey = 0;
    uint32_t colorKey = 0;
    float frameDelay = 0.0f;
    HGDIOBJ previousBitmap = nullptr;

    // Largest picture an image holds: 4096 x 4096 pixels, no side above 16384.
    static constexpr int64_t kMaxPixels = 4096 * 4096;
    static constexpr int kMaxSide = 16384;
    // Whether a width x height picture stays within those limits.
    static bool withinLimits(int64_t width, int64_t height)
    {
        return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
    }

    // A blank (zeroed) |width| x |height| image at the screen depth or at 32 bits.
    Image(int width, int height, bool useScreenDepth);
    // Loads a JPEG, BMP or GIF (first frame) chosen by ".jpg", ".JPG",
    // ".jpeg", ".JPEG", ".bmp", ".BMP", ".gif" or ".GIF" in the path.
    Image(const WCHAR* path, bool useScreenDepth);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    bool isEmpty() const { return pixels == nullptr; }
    // Exchanges everything (pixels, DC, key, delay) with another image.
    void swapWith(Image& other);

    // The screen's depth as images use it: 16 (below 24) or 32.
    static int getScreenDepth();
    // A top-down BI_BITFIELDS header with masks; bits <= 0 means the screen depth.
    static void makeBitmapInfo(BitmapInfoWithMasks& info, int width, int height, int bits);
    // Reads width, height and bits back from the DIB section.
    void updateGeometry();

    // Makes this image a blank DIB section (replacing what it held); false
    // when the size is out of range or GDI refuses.
    bool create(int width, int height, int bits);
    // The depth a load should produce for the flag.
    static int wantedDepth(bool useScreenDepth);

    bool loadJpeg(const WCHAR* path, bool useScreenDepth);
    bool loadBmp(const WCHAR* path, bool useScreenDepth);
    bool loadGif(const WCHAR* path, bool useScreenDepth);
    // The same readers on bytes in memory; `name` is what the messages show.
    bool decodeJpeg(const uint8_t* data, size_t length, const WCHAR* name, bool useScreenDepth);
    bool decodeBmp(const uint8_t* data, size_t length, const WCHAR* name, bool useScreenDepth);

    // ---- pixel routines ----

    // The colour 0xRRGGBB in this image's pixel format
    uint32_t toPixel(uint32_t rgb) const;
    // The pixel at (x, y) as 0xRRGGBB (RGB565 widened by repeating top bits)
    uint32_t colorAt(int x, int y) const;
    uint8_t* getPixelAddress(int x, int y) const { return pixels + x * bytesPerPixel + y * stride; }

    // Copies the source rectangle to (x, y); a negative srcX, srcY, width or
    // height means the whole source; transparentColor 0xFFFFFFFF means none.
    void drawImage(const Image& source, int x, int y, int srcX = -1, int srcY = -1, int width = -1, int height = -1,
                   uint32_t transparentColor = 0xFFFFFFFFu);
    // Stretches the source rectangle over (x, y, width, height).
    void drawScaled(const Image& source, int x, int y, int width, int height, int srcX = -1, int srcY = -1,
                    int srcWidth = -1, int srcHeight = -1, uint32_t transparentColor = 0xFFFFFFFFu);
    // A filled rectangle or a one-pixel outline; negative width or height: whole image.
    void drawRect(uint32_t colour, int x, int y, int width, int height, bool filled);
    // This image (source height wide, source width high) receives the source
    // turned by 90 degrees.
    void copyRotated(const Image& source, bool clockwise);

    // ---- whole-image copies (the racing build's texture cache and render
    // targets use them); each works on 16-bit and 32-bit images ----
    // Destination row r, position k: source (r, k) when transpose, else
    // (k, r); written at (width - 1 - k, r) when mirror, else at
    // (k, height - 1 - r). (mirror, no transpose) mirrors left-right, neither
    // flips upside down, transpose turns a quarter either way. The source must
    // cover what is read.
    void copyTransformed(const Image& source, bool mirror, bool transpose);
    // Same size: the pixels; else with useBlit the top-left part; else scaled.
    void copyFrom(const Image& source, bool useBlit);
    // source shown in the place (x, y, width, height): copied when the place
    // has the source's size (a byte copy when both images share one layout),
    // doubled when this image is exactly twice the source, else scaled into
    // the place. Nothing outside the place is written.
    void blit(const Image& source, int x, int y, int width, int height);
    // Nearest-pixel scaling of the source rectangle over the whole image with
    // 10-bit steps; a negative value takes the whole source.
    void scaleFrom(const Image& source, int srcX, int srcY, int srcW, int srcH);
    // Every source pixel as a 2 x 2 block; nothing unless this is twice the source.
    void doubleFrom(const Image& source);
    // Every pixel set to the colour (0xRRGGBB).
    void fill(uint32_t colour);
    // Mode 2 adds the colour with saturation, mode 4 tints by multiplication;
    // other modes do nothing; `reserved` has no effect. 32-bit pixels keep
    // their top byte clear.
    void blendColor(int mode, int reserved, uint32_t colour);

    BOOL bitBltTo(HDC target, int x, int y, DWORD rop = SRCCOPY, int srcX = 0, int srcY = 0) const;
    BOOL stretchBltTo(HDC target, int x, int y, int width, int height, DWORD rop = SRCCOPY, int srcX = -1,
                      int srcY = -1, int srcWidth = -1, int srcHeight = -1) const;

private:
    bool fromPackedDib(uint8_t* packed, const WCHAR* name, bool useScreenDepth);
    void release();
    void fillWhole(uint32_t pixel);
    void fillRows(uint32_t pixel, int x, int y, int width, int height);
    void drawOutline(uint32_t pixel, int x, int y, int width, int height);
    void setPixelRaw(int x, int y, uint32_t pixel) const;
    uint32_t pixelRaw(int x, int y) const;
};
