// slow_fb.cpp -- the changed-data wrapper
#include "ravenor/engine/display/slow_fb.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ravenor/engine/display/changed_copy.h"
#include "ravenor/engine/display/display_log.h"

namespace {

constexpr size_t kBlockBytes = 64;

} // namespace

SlowFB::SlowFB(std::unique_ptr<VideoDriver> inner) : inner_(std::move(inner)) {}

size_t SlowFB::FrameBytes() const
{
    return static_cast<size_t>(info_.pitch) * static_cast<size_t>(info_.height);
}

bool SlowFB::MakeFrame(Frame& frame)
{
    try
    {
        frame.words.assign(FrameBytes() / 4, 0);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    frame.surface = std::make_unique<Surface>(info_.width, info_.height, info_.pitch,
                                              reinterpret_cast<uint16_t*>(frame.words.data()));
    return true;
}

bool SlowFB::Initialize(HWND window, DisplayParams& params, const DisplayInfo& detected)
{
    DisplayLog("SlowFB: Initialize()");
    if (!inner_->Initialize(window, params, detected))
        return false;
    info_ = inner_->Info();
    forceFull_ = true;
    shadow_ = info_.pitch > 0 && info_.height > 0 && FrameBytes() % kBlockBytes == 0;
    if (!shadow_)
        return true;
    const bool keeps = params.swapEffect == kSwapCopy && params.orientation == info_.orientation;
    info_.swapEffect = keeps ? kSwapCopy : kSwapDiscard;
    if (!MakeFrame(frames_[0]) || !MakeFrame(frames_[1]))
        return false;
    current_ = 0;
    startOffset_ = 0;
    copyBytes_ = FrameBytes();
    return true;
}

Surface* SlowFB::Lock()
{
    return shadow_ ? frames_[current_].surface.get() : inner_->Lock();
}

void SlowFB::SetDirtyRect(const RECT& rect)
{
    if (shadow_)
    {
        const LONG top = std::clamp<LONG>(rect.top, 0, info_.height);
        const LONG bottom = std::clamp<LONG>(rect.bottom, top, info_.height);
        size_t startRow = static_cast<size_t>(top);
        size_t rows = static_cast<size_t>(bottom - top);
        if ((static_cast<size_t>(info_.pitch) * rows) % kBlockBytes != 0)
        {
            // Whole row pairs, and the last partial block is copied too.
            startRow = static_cast<size_t>(top & ~1);
            rows = std::min(static_cast<size_t>((bottom + 1) & ~1), static_cast<size_t>(info_.height)) - startRow;
        }
        const size_t blocks = (static_cast<size_t>(info_.pitch) * rows + kBlockBytes - 1) / kBlockBytes;
        startOffset_ = static_cast<size_t>(info_.pitch) * startRow;
        copyBytes_ = std::min(blocks * kBlockBytes, FrameBytes() - startOffset_);
    }
    inner_->SetDirtyRect(rect);
}

void SlowFB::Present(uint32_t flags)
{
    if (!shadow_)
    {
        inner_->Present(flags);
        return;
    }
    Surface* screen = inner_->Lock();
    if (!screen)
        return;
    auto* fb = reinterpret_cast<uint32_t*>(screen->pixels);
    Frame& current = frames_[current_];
    Frame& other = frames_[current_ ^ 1];
    const bool keep = info_.swapEffect == kSwapCopy;
    if (forceFull_ || (flags & kSwapFullUpdate))
    {
        std::memcpy(fb, current.words.data(), FrameBytes());
        if (keep)
            other.words = current.words;
        forceFull_ = false;
    }
    else
    {
        CopyChangedWords(fb, current.words.data(), other.words.data(), startOffset_ / 4, copyBytes_ / 4, keep);
    }
    current_ ^= 1;
    inner_->Present(flags);
}
