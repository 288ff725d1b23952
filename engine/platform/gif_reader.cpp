// gif_reader.cpp -- GIF blocks, colour tables, frame disposal and transparency
#include "engine/platform/gif_reader.h"

#include "engine/platform/gif_lzw.h"
#include "engine/platform/image.h"
#include "engine/platform/image_file.h"

#include <os/user.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Bytes of the file with a cursor; reads past the end give zeros and set `ended`.
class ByteCursor
{
public:
    ByteCursor(const uint8_t* data, size_t length) : data_(data), length_(length) {}

    bool atEnd() const { return pos_ >= length_; }
    size_t position() const { return pos_; }
    bool ended() const { return ended_; }

    uint8_t byte()
    {
        if (pos_ >= length_)
        {
            ended_ = true;
            return 0;
        }
        return data_[pos_++];
    }

    uint16_t word()
    {
        uint8_t lo = byte();
        return uint16_t(lo | byte() << 8);
    }

    void skip(size_t count)
    {
        if (count > length_ - std::min(pos_, length_))
            ended_ = true;
        pos_ = std::min(length_, pos_ + count);
    }

    // Sub-blocks (length byte, bytes) up to a zero length, joined.
    std::vector<uint8_t> subBlocks()
    {
        std::vector<uint8_t> joined;
        for (uint8_t n = byte(); n != 0 && !ended_; n = byte())
        {
            size_t take = std::min<size_t>(n, length_ - pos_);
            joined.insert(joined.end(), data_ + pos_, data_ + pos_ + take);
            skip(n);
        }
        return joined;
    }

private:
    const uint8_t* data_;
    size_t length_;
    size_t pos_ = 0;
    bool ended_ = false;
};

struct ColorTable
{
    uint32_t entries[kGifTableEntries] = {};
    int size = 0;

    void read(ByteCursor& in, int count)
    {
        std::fill(std::begin(entries), std::end(entries), 0u);
        size = count;
        for (int i = 0; i < count; ++i)
        {
            uint32_t r = in.byte(), g = in.byte(), b = in.byte();
            entries[i] = r << 16 | g << 8 | b;
        }
    }

    void greyRamp()
    {
        size = kGifTableEntries;
        for (uint32_t i = 0; i < kGifTableEntries; ++i)
            entries[i] = i << 16 | i << 8 | i;
    }

    uint32_t at(int index) const { return index >= 0 && index < kGifTableEntries ? entries[index] : 0; }
};

struct GraphicControl
{
    bool seen = false;
    uint8_t packed = 0;
    uint16_t delay = 0;
    uint8_t transparentIndex = 0;

    bool transparent() const { return seen && (packed & 1); }
    int disposal() const { return seen ? (packed >> 2) & 7 : 0; }
};

class GifDecoder
{
public:
    GifDecoder(const uint8_t* data, size_t length, const WCHAR* name, bool firstOnly, bool useScreenDepth)
        : in_(data, length), name_(name), firstOnly_(firstOnly), useScreenDepth_(useScreenDepth)
    {
    }

    std::vector<std::unique_ptr<Image>> run()
    {
        if (!readHeader())
            return {};
        // A screen no image can hold is refused before any frame is read.
        // (A file cut inside its header just has no frames.)
        if (!in_.ended() && (screenWidth_ <= 0 || screenHeight_ <= 0 ||
                             !Image::withinLimits(screenWidth_, screenHeight_)))
            refuse();
        while (!stopped_ && !in_.atEnd() && !(firstOnly_ && !frames_.empty()))
        {
            const size_t start = in_.position();
            uint8_t introducer = in_.byte();
            if (introducer == 0x21)
                readExtension(start);
            else if (introducer == 0x2C)
                readFrame(start);
            else if (introducer == 0x3B)
                break;
        }
        if (frames_.empty())
            MessageBoxW(nullptr, u"Premature End Of Image File", u"Error", MB_OK);
        return std::move(frames_);
    }

private:
    bool readHeader()
    {
        uint8_t g = in_.byte(), i = in_.byte(), f = in_.byte();
        in_.skip(3);
        if (g != 'G' || i != 'I' || f != 'F')
        {
            showImageBox(u"Error", MB_OK, u"Error: %s is not a valid image.", name_);
            return false;
        }
        screenWidth_ = in_.word();
        screenHeight_ = in_.word();
        uint8_t flags = in_.byte();
        background_ = in_.byte();
        in_.byte(); // aspect
        if (flags & 0x80)
            global_.read(in_, 2 << (flags & 7));
        else
            global_.greyRamp();
        return true;
    }

    void readExtension(size_t start)
    {
        uint8_t label = in_.byte();
        if (label != 0xF9)
        {
            in_.subBlocks();
            return;
        }
        in_.byte(); // block size
        control_.packed = in_.byte();
        control_.delay = in_.word();
        control_.transparentIndex = in_.byte();
        control_.seen = true;
        in_.byte(); // terminator
        frameBytes_ += in_.position() - start;
    }

    void readFrame(size_t start)
    {
        GifBlock block;
        block.left = in_.word();
        block.top = in_.word();
        block.width = in_.word();
        block.height = in_.word();
        uint8_t flags = in_.byte();
        block.interlaced = (flags & 0x40) != 0;
        ColorTable local;
        const ColorTable* table = &global_;
        if (flags & 0x80)
        {
            local.read(in_, 2 << (flags & 7));
            table = &local;
        }
        int codeSize = in_.byte();
        std::vector<uint8_t> data = in_.subBlocks();
        // The budget grows with the bytes of the frames read so far (their
        // graphic control blocks, descriptors, colour tables and codes),
        // never with comments, application blocks or stray bytes: they hold
        // no pixels.
        frameBytes_ += in_.position() - start;

        // The frame is decoded at its own size, within what is left of the
        // budget once its composed picture is counted; it is composed on a
        // whole screen only when it decoded. What a frame decodes is counted
        // even when the frame is dropped.
        const int64_t screen = int64_t(screenWidth_) * screenHeight_;
        const int64_t available = gifPixelBudget(frameBytes_) - spent_ - screen;
        if (available <= 0)
        {
            refuse();
            return;
        }
        const int64_t area = int64_t(block.width) * block.height;
        std::vector<uint8_t> indices;
        bool ok = area > 0 && decodeGifIndices(data.data(), data.size(), codeSize,
                                               size_t(std::min(area, available + 1)), indices) != 0;
        spent_ += int64_t(indices.size());
        if (ok && int64_t(indices.size()) > available)
        {
            refuse();
            return;
        }
        std::unique_ptr<Image> frame;
        if (ok)
        {
            spent_ += screen;
            frame = std::make_unique<Image>(screenWidth_, screenHeight_, useScreenDepth_);
            ok = !frame->isEmpty();
        }
        if (ok)
        {
            startFrame(*frame, *table);
            placeGifIndices(indices, block, table->entries, *frame);
            frames_.push_back(std::move(frame));
        }
        else
        {
            previousDisposal_ = control_.disposal();
            MessageBoxW(nullptr, u"Image File Corrupt", u"Error", MB_OK);
        }
        control_ = GraphicControl{};
    }

    // The file asks for more than an image or the budget allows: one box,
    // and no more frames are read.
    void refuse()
    {
        MessageBoxW(nullptr, u"Image File Corrupt", u"Error", MB_OK);
        stopped_ = true;
    }

    // Disposal of the previous frame, then this frame's delay and colour key.
    void startFrame(Image& frame, const ColorTable& table)
    {
        if (!frames_.empty())
        {
            if (previousDisposal_ == 1)
                frame.drawImage(*frames_.back(), 0, 0);
            else if (previousDisposal_ == 2)
                frame.drawRect(global_.at(control_.transparent() ? control_.transparentIndex : background_), 0, 0,
                               -1, -1, true);
        }
        previousDisposal_ = control_.disposal();
        if (!control_.seen)
            return;
        frame.frameDelay = float(control_.delay) * 0.01f;
        frame.hasColorKey = control_.packed & 1;
        if (frame.hasColorKey)
            frame.colorKey = table.at(control_.transparentIndex);
    }

    ByteCursor in_;
    const WCHAR* name_;
    bool firstOnly_;
    bool useScreenDepth_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    uint8_t background_ = 0;
    ColorTable global_;
    GraphicControl control_;
    int previousDisposal_ = 0;
    size_t frameBytes_ = 0; // of the frames read so far
    int64_t spent_ = 0;     // pixels decoded and composed so far
    bool stopped_ = false;
    std::vector<std::unique_ptr<Image>> frames_;
};

} // namespace

void readGifBytes(const uint8_t* data, size_t length, const WCHAR* name, int& frameCount, Image**& frames,
                  bool firstOnly, bool useScreenDepth, Image* image)
{
    frameCount = 0;
    frames = nullptr;
    GifDecoder decoder(data, length, name, firstOnly, useScreenDepth);
    std::vector<std::unique_ptr<Image>> made = decoder.run();
    if (firstOnly)
    {
        if (image && !made.empty())
            image->swapWith(*made.front());
        frameCount = made.empty() ? 0 : 1;
        return;
    }
    if (made.empty())
        return;
    frames = new Image*[made.size()];
    for (auto& frame : made)
        frames[frameCount++] = frame.release();
}

bool readGifFile(const WCHAR* path, int& frameCount, Image**& frames, bool firstOnly, bool useScreenDepth,
                 Image* image)
{
    frameCount = 0;
    frames = nullptr;
    std::vector<uint8_t> bytes;
    if (!readImageFile(path, bytes))
    {
        showMissingImageBox(path);
        return false;
    }
    readGifBytes(bytes.data(), bytes.size(), path, frameCount, frames, firstOnly, useScreenDepth, image);
    return true;
}

void freeGifFrames(Image** frames, int frameCount)
{
    for (int i = 0; i < frameCount; ++i)
        delete frames[i];
    delete[] frames;
}

bool Image::loadGif(const WCHAR* path, bool useScreenDepth_)
{
    int count = 0;
    Image** none = nullptr;
    return readGifFile(path, count, none, true, useScreenDepth_, this) && count == 1;
}
