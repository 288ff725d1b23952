// jpeg_writer.h -- baseline JPEG file images through libjpeg
#pragma once

#include "content/media/bytes.h"

namespace media {

// components 1 (grey: the low byte of each colour) or 3 (RGB).
Bytes makeJpeg(int width, int height, const PixelFn& pixel, int components = 3, int quality = 95);

} // namespace media
