// rotation_driver.cpp -- the turning wrapper
#include "ravenor/engine/display/rotation_driver.h"

#include <os/windows.h>

#include <algorithm>

#include "ravenor/engine/display/display_log.h"
#include "ravenor/engine/display/hardware_access.h"

namespace {

constexpr LONG kBlock = 16;

LONG RoundDown(LONG v)
{
    return v & ~(kBlock - 1);
}

LONG RoundUp(LONG v)
{
    return (v + kBlock - 1) & ~(kBlock - 1);
}

} // namespace

RotationDriver::RotationDriver(std::unique_ptr<VideoDriver> inner) : inner_(std::move(inner)) {}

bool RotationDriver::Initialize(HWND window, DisplayParams& params, const DisplayInfo& innerInfo)
{
    DisplayLog("RotationDriver: Initialize()");
    if (!IsWindow(window) || own_)
        return false;
    const int32_t wanted = params.orientation > 3 ? innerInfo.orientation : params.orientation;
    turn_ = (innerInfo.orientation - wanted) & 3;
    info_ = innerInfo;
    if (turn_ & 1)
        std::swap(info_.width, info_.height);
    info_.orientation = wanted;
    info_.swapEffect = kSwapCopy;
    own_ = Surface::Make(info_.width, info_.height);
    if (!own_)
        return false;
    info_.pitch = own_->pitch;
    // On a driver that draws on the visible screen every copy races the beam.
    partialOrder_ = innerInfo.swapEffect == kSwapScreen ? BlockOrder::Columns : BlockOrder::Rows;
    build_ = BlockBuildFor(ProcessorKind());
    dirty_ = RECT{0, 0, innerInfo.width, innerInfo.height};
    return true;
}

Surface* RotationDriver::Lock()
{
    innerLocked_ = inner_->Lock();
    return innerLocked_ ? own_.get() : nullptr;
}

RECT RotationDriver::ToInner(const RECT& r) const
{
    const LONG w = inner_->Info().width;
    const LONG h = inner_->Info().height;
    switch (turn_)
    {
    case 1: return RECT{w - r.bottom, r.left, w - r.top, r.right};
    case 2: return RECT{w - r.right, h - r.bottom, w - r.left, h - r.top};
    case 3: return RECT{r.top, h - r.right, r.bottom, h - r.left};
    default: return r;
    }
}

void RotationDriver::SetDirtyRect(const RECT& rect)
{
    const RECT inner = ToInner(rect);
    inner_->SetDirtyRect(inner);
    // Whole blocks, but never past the screen (a 220-row screen ends inside a block).
    const LONG w = inner_->Info().width;
    const LONG h = inner_->Info().height;
    dirty_ = RECT{std::max<LONG>(RoundDown(inner.left), 0), std::max<LONG>(RoundDown(inner.top), 0),
                  std::min(RoundUp(inner.right), w), std::min(RoundUp(inner.bottom), h)};
}

void RotationDriver::Present(uint32_t flags)
{
    if (innerLocked_)
    {
        BlockOrder order = partialOrder_;
        if (flags & kSwapWaitScanOut)
        {
            inner_->WaitForScanOut();
            order = BlockOrder::Columns;
        }
        RotateCopy(*innerLocked_, *own_, dirty_, turn_, order, build_);
        inner_->Present(flags);
    }
    innerLocked_ = nullptr;
}
