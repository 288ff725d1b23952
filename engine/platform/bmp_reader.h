// bmp_reader.h -- Windows bitmap files as packed DIBs
//
// A packed DIB is one block: the 40-byte info header, the colour table (or
// the three masks of a BI_BITFIELDS file), then the pixel rows as stored.
#pragma once

#include <os/gdi.h>
#include <os/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>

using PackedDib = std::unique_ptr<uint8_t[]>;

// Null when the file is missing (with the box "Error: can not find the image
// '<path>'", caption "Exception") or fails a header check (no box).
PackedDib readBmpFile(const WCHAR* path);
// The same checks on a file image in memory (never a box).
PackedDib parseBmp(const uint8_t* data, size_t length);

// Bytes of the colour table (or masks) after the info header.
int getDibColorTableSize(const BITMAPINFOHEADER* info);
// The first pixel byte of a packed DIB.
uint8_t* getDibBits(BITMAPINFOHEADER* info);
// Bytes of the pixel rows: ((bits x width + 31) / 32) x 4 x |height|.
int64_t getDibPixelBytes(const BITMAPINFOHEADER* info);
