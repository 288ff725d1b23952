// face.cpp -- FreeType faces, metrics and the glyph cache
#include "os/font/face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <tuple>

namespace os::font {

namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu/";
constexpr int kMaxPixelSize = 1000; // larger requests are clamped
constexpr FT_Fixed kItalicShear = 0x3400; // about 0.2: a synthetic slant

FT_Library library()
{
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0)
            return (FT_Library) nullptr;
        return l;
    }();
    return lib;
}

bool file_exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The font file for a request, and whether the slant must be synthesised.
std::pair<std::string, bool> choose_file(bool bold, bool italic)
{
    std::string dir = kFontDir;
    std::string base = bold ? "DejaVuSans-Bold" : "DejaVuSans";
    if (italic)
    {
        std::string oblique = dir + (bold ? "DejaVuSans-BoldOblique.ttf" : "DejaVuSans-Oblique.ttf");
        if (file_exists(oblique))
            return {oblique, false};
        return {dir + base + ".ttf", true};
    }
    return {dir + base + ".ttf", false};
}

int scale(long units, int ppem, int upem)
{
    return (int)std::lround((double)units * ppem / upem);
}

class FtFace : public Face
{
public:
    // cell > 0 asks for that exact line height (a positive lfHeight).
    FtFace(FT_Face face, int ppem, int cell, bool shear) : face_(face)
    {
        FT_Set_Pixel_Sizes(face_, 0, ppem);
        if (shear)
        {
            FT_Matrix m = {0x10000, kItalicShear, 0, 0x10000};
            FT_Set_Transform(face_, &m, nullptr);
        }
        compute_metrics(ppem, cell);
    }
    ~FtFace() override { FT_Done_Face(face_); }

    const Metrics& metrics() const override { return metrics_; }

    const Glyph& glyph(char16_t ch) override
    {
        auto it = glyphs_.find(ch);
        if (it != glyphs_.end())
            return it->second;
        return glyphs_.emplace(ch, render(ch)).first->second;
    }

private:
    void compute_metrics(int ppem, int cell)
    {
        int upem = face_->units_per_EM ? face_->units_per_EM : 2048;
        long asc = face_->ascender;
        long desc = -face_->descender;
        auto* os2 = (TT_OS2*)FT_Get_Sfnt_Table(face_, FT_SFNT_OS2);
        if (os2 && os2->usWinAscent)
        {
            asc = os2->usWinAscent;
            desc = os2->usWinDescent;
        }
        Metrics& m = metrics_;
        m.ascent = scale(asc, ppem, upem);
        m.descent = cell > 0 ? std::max(0, cell - m.ascent) : scale(desc, ppem, upem);
        m.height = m.ascent + m.descent;
        m.internal_leading = std::max(0, m.height - ppem);
        m.ave_width = std::max(1, scale(os2 ? os2->xAvgCharWidth : upem / 2, ppem, upem));
        m.max_width = std::max(1, scale(face_->max_advance_width, ppem, upem));
        m.line_thickness = std::max(1, scale(face_->underline_thickness, ppem, upem));
        m.underline_offset = std::max(1, scale(-face_->underline_position, ppem, upem));
        m.strike_offset = os2 ? scale(os2->yStrikeoutPosition, ppem, upem) : m.ascent / 3;
    }

    Glyph render(char16_t ch)
    {
        Glyph g;
        if (ch < 0x20 || ch == 0x7f)
            return g;
        if (FT_Load_Char(face_, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
            return g;
        FT_GlyphSlot slot = face_->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        g.advance = (int)((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = (int)bm.width;
        g.height = (int)bm.rows;
        g.coverage.resize((size_t)g.width * g.height);
        int pitch = std::abs(bm.pitch);
        for (int y = 0; y < g.height && bm.buffer; ++y)
            std::copy_n(bm.buffer + (size_t)y * pitch, g.width, g.coverage.data() + (size_t)y * g.width);
        return g;
    }

    FT_Face face_;
    Metrics metrics_;
    std::unordered_map<char16_t, Glyph> glyphs_;
};

// Stands in when the font files cannot be read: text takes room but shows
// nothing, so that programs and controls keep working.
class BlankFace : public Face
{
public:
    BlankFace()
    {
        metrics_.ascent = 10;
        metrics_.descent = 3;
        metrics_.height = kDefaultCellHeight;
        metrics_.internal_leading = 2;
        metrics_.ave_width = 6;
        metrics_.max_width = 12;
        metrics_.underline_offset = 1;
        metrics_.strike_offset = 3;
    }
    const Metrics& metrics() const override { return metrics_; }
    const Glyph& glyph(char16_t ch) override { return ch < 0x20 ? none_ : blank_; }

private:
    Metrics metrics_;
    Glyph none_;
    Glyph blank_{0, 0, 0, 0, 6, {}};
};

std::shared_ptr<Face> blank_face(const std::string& path)
{
    static std::shared_ptr<Face> blank = [&] {
        fprintf(stderr, "os: cannot read the font %s (package fonts-dejavu-core); text will not show\n",
                path.c_str());
        return std::make_shared<BlankFace>();
    }();
    return blank;
}

// The pixel size for a LOGFONTW height given the face's cell-to-em ratio.
int pixel_size(FT_Face face, int height)
{
    if (height < 0)
        return std::min(-height, kMaxPixelSize);
    int cell = height ? height : kDefaultCellHeight;
    int upem = face->units_per_EM ? face->units_per_EM : 2048;
    long span = face->ascender - face->descender;
    if (auto* os2 = (TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2); os2 && os2->usWinAscent)
        span = os2->usWinAscent + os2->usWinDescent;
    int ppem = (int)std::lround((double)cell * upem / (span > 0 ? span : upem));
    return std::clamp(ppem, 1, kMaxPixelSize);
}

} // namespace

std::recursive_mutex& face_lock()
{
    static std::recursive_mutex lock;
    return lock;
}

std::shared_ptr<Face> face_for(const FaceKey& key)
{
    std::lock_guard<std::recursive_mutex> guard(face_lock());
    // Requests seen before skip opening the file; requests that come to the
    // same file, size and line height share one face and its glyphs.
    static std::map<std::tuple<bool, bool, int>, std::shared_ptr<Face>> by_request;
    static std::map<std::tuple<std::string, bool, int, int>, std::shared_ptr<Face>> by_size;
    auto request = std::make_tuple(key.bold, key.italic, key.height);
    if (auto it = by_request.find(request); it != by_request.end())
        return it->second;
    auto [path, shear] = choose_file(key.bold, key.italic);
    FT_Face face = nullptr;
    if (!library() || FT_New_Face(library(), path.c_str(), 0, &face) != 0)
        return by_request[request] = blank_face(path);
    int ppem = pixel_size(face, key.height);
    int cell = key.height < 0 ? 0 : (key.height ? std::min(key.height, kMaxPixelSize * 2) : kDefaultCellHeight);
    auto id = std::make_tuple(path, shear, ppem, cell);
    std::shared_ptr<Face>& made = by_size[id];
    if (made)
        FT_Done_Face(face);
    else
        made = std::make_shared<FtFace>(face, ppem, cell, shear);
    by_request[request] = made;
    return made;
}

} // namespace os::font
