// face.h -- FreeType faces at a pixel size, their metrics and cached glyphs
//
// The project ships its glyphs: every font maps to one of the DejaVu Sans
// files named below (never a font found through the host's configuration),
// so that text renders the same everywhere. A Face is one file at one pixel
// size, optionally sheared when an italic is asked for and no oblique file
// exists. Glyph coverage is 8-bit anti-aliased, rendered once per character.
#pragma once

#include <os/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace os::font {

// One rendered glyph: coverage rows (0..255) placed relative to the pen
// position on the baseline (left = x offset, top = rows above the baseline).
struct Glyph
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;
};

// Pixel metrics of a face at its size.
struct Metrics
{
    int ascent = 0;
    int descent = 0;
    int height = 0;           // ascent + descent: the line height
    int internal_leading = 0; // height - character height
    int ave_width = 0;
    int max_width = 0;
    int underline_offset = 0; // rows below the baseline
    int line_thickness = 1;
    int strike_offset = 0; // rows above the baseline
};

// What a font asks of the rasteriser.
struct FaceKey
{
    int height = 0; // a LOGFONTW lfHeight
    bool bold = false;
    bool italic = false;
    bool operator==(const FaceKey&) const = default;
};

class Face
{
public:
    virtual ~Face() = default;
    virtual const Metrics& metrics() const = 0;
    // The glyph of one UTF-16 unit (control characters are empty and have no
    // advance). The reference stays valid as long as the face lives.
    virtual const Glyph& glyph(char16_t ch) = 0;
    int advance(char16_t ch) { return glyph(ch).advance; }
};

// Default cell height for lfHeight 0 (the device's system font size).
constexpr int kDefaultCellHeight = 13;

// The face for a font request, shared and cached. When the font files cannot
// be read, a blank face (room for text, no ink) after one line on stderr.
std::shared_ptr<Face> face_for(const FaceKey& key);

// Held while glyphs are looked up or rendered: faces are shared by threads.
std::recursive_mutex& face_lock();

} // namespace os::font
