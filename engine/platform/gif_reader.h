// gif_reader.h -- GIF files: the first frame, or every frame of an animation
#pragma once

#include <os/types.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

class Image;

// Pixels one read may decode and compose over all its frames (each frame
// counts its decoded pixels and its whole-screen picture), for the image
// data read so far: the bytes of the frames (graphic control block,
// descriptor, colour table and codes). A frame past it ends the read with
// the corrupt-file box, so memory and time follow what the file holds, not
// what it declares. Any file may have 1024 x 1024 (a dozen screens of the
// device), and for every byte of image data as many pixels as the best
// compression of a one-colour picture makes of it, decoded and composed
// (about 1,900 each); never more than four pictures of the largest image.
// Comments, application blocks and stray bytes add nothing.
constexpr int64_t kGifPixelBudget = int64_t(4) * 4096 * 4096;
constexpr int64_t kGifPixelFloor = int64_t(1) << 20;
constexpr int64_t kGifPixelsPerByte = 4096;

constexpr int64_t gifPixelBudget(size_t imageBytes)
{
    return imageBytes >= size_t(kGifPixelBudget / kGifPixelsPerByte)
               ? kGifPixelBudget
               : std::min(kGifPixelBudget, kGifPixelFloor + int64_t(imageBytes) * kGifPixelsPerByte);
}

// With an image and firstOnly, decodes the first frame into that image (left
// unchanged when it fails). With firstOnly false, answers in frames a new
// array of new frame images and their number in frameCount (free them with
// freeGifFrames). False only when the file does not open; every other
// problem is reported in a box and gives fewer (or no) frames: a logical
// screen larger than an image may be is refused before any frame is read.
bool readGifFile(const WCHAR* path, int& frameCount, Image**& frames, bool firstOnly, bool useScreenDepth,
                 Image* image);
// The same on a file image in memory; `name` is what the messages show.
void readGifBytes(const uint8_t* data, size_t length, const WCHAR* name, int& frameCount, Image**& frames,
                  bool firstOnly, bool useScreenDepth, Image* image);

void freeGifFrames(Image** frames, int frameCount);
