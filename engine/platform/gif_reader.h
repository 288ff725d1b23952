// gif_reader.h -- GIF files: the first frame, or every frame of an animation
#pragma once

#include <os/types.h>

#include <cstddef>
#include <cstdint>

class Image;

// With an image and firstOnly, decodes the first frame into that image (left
// unchanged when it fails). With firstOnly false, answers in frames a new
// array of new frame images and their number in frameCount (free them with
// freeGifFrames). False only when the file does not open; every other
// problem is reported in a box and gives fewer (or no) frames.
bool readGifFile(const WCHAR* path, int& frameCount, Image**& frames, bool firstOnly, bool useScreenDepth,
                 Image* image);
// The same on a file image in memory; `name` is what the messages show.
void readGifBytes(const uint8_t* data, size_t length, const WCHAR* name, int& frameCount, Image**& frames,
                  bool firstOnly, bool useScreenDepth, Image* image);

void freeGifFrames(Image** frames, int frameCount);
