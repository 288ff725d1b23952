// fixture_writers.h -- the tests' name for the media writers (BMP, GIF, JPEG,
// WAV) and for putting their bytes into the device tree
#pragma once

#include "content/media/bmp_writer.h"
#include "content/media/file_output.h"
#include "content/media/gif_writer.h"
#include "content/media/jpeg_writer.h"
#include "content/media/wav_writer.h"

#include <os/file.h>

namespace fixtures = media;
