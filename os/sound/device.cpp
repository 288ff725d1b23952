// device.cpp -- the state changes behind each waveOut call
//
// A device is a kernel object, so a device handle is a table entry with a
// generation: a closed or forged handle is refused with MMSYSERR_INVALHANDLE
// instead of reaching freed memory. Every change to a device happens under
// the mixer lock; notices are delivered after it is released.
#include "os/sound/sound_private.h"
#include "os/base/warn.h"

#include <algorithm>

namespace os::sound {
namespace {

// Runs `change` on the device under the mixer lock; a bad or closed handle
// answers MMSYSERR_INVALHANDLE before anything else is looked at.
template <class Change>
MMRESULT with_device(HWAVEOUT handle, Change change)
{
    auto d = device_get(handle);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> guard(mixer_lock());
    if (d->closed)
        return MMSYSERR_INVALHANDLE;
    return change(*d);
}

} // namespace

std::shared_ptr<Device> device_get(HWAVEOUT handle)
{
    DWORD saved = GetLastError();
    auto device = std::dynamic_pointer_cast<Device>(os::handle_get(handle));
    SetLastError(saved);
    return device;
}

MMRESULT check_format(const WAVEFORMATEX* format)
{
    if (!format)
        return MMSYSERR_INVALPARAM;
    if (format->wFormatTag != WAVE_FORMAT_PCM)
    {
        os::warn_once("sound", "only PCM wave formats are played");
        return WAVERR_BADFORMAT;
    }
    if (format->nChannels != 1 && format->nChannels != 2)
        return WAVERR_BADFORMAT;
    if (format->wBitsPerSample != 8 && format->wBitsPerSample != 16)
        return WAVERR_BADFORMAT;
    if (format->nSamplesPerSec < 1 || format->nSamplesPerSec > kMaxRate)
        return WAVERR_BADFORMAT;
    return MMSYSERR_NOERROR;
}

MMRESULT device_open(HWAVEOUT* out, const WAVEFORMATEX& format, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    auto d = std::make_shared<Device>();
    d->format = {format.nSamplesPerSec, format.nChannels, format.wBitsPerSample};
    // Rounded up, so a buffer whose length is a whole number of mixed frames
    // ends exactly on its last frame.
    d->step = ((uint64_t(format.nSamplesPerSec) << 32) + kMixRate - 1) / kMixRate;
    d->callback = callback;
    d->instance = instance;
    d->callback_type = flags & CALLBACK_TYPEMASK;
    DWORD saved = GetLastError();
    d->handle = static_cast<HWAVEOUT>(os::handle_insert(d));
    SetLastError(saved);
    if (!d->handle)
        return MMSYSERR_NOMEM;
    record_open(*d, format, flags);
    mixer_add(d);
    *out = d->handle;
    deliver(make_notice(*d, MM_WOM_OPEN, nullptr));
    return MMSYSERR_NOERROR;
}

MMRESULT device_close(HWAVEOUT handle)
{
    Notice closing;
    MMRESULT r = with_device(handle, [&](Device& d) -> MMRESULT {
        if (!d.queue.empty())
            return WAVERR_STILLPLAYING;
        d.closed = true;
        mixer_remove(&d);
        record_close(d);
        closing = make_notice(d, MM_WOM_CLOSE, nullptr);
        return MMSYSERR_NOERROR;
    });
    if (r != MMSYSERR_NOERROR)
        return r;
    DWORD saved = GetLastError();
    os::handle_close(handle);
    SetLastError(saved);
    deliver(closing);
    return MMSYSERR_NOERROR;
}

MMRESULT header_prepare(HWAVEOUT handle, WAVEHDR* header, bool prepare)
{
    return with_device(handle, [&](Device&) -> MMRESULT {
        if (!header || (prepare && !header->lpData && header->dwBufferLength))
            return MMSYSERR_INVALPARAM;
        if (header->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        if (prepare)
            header->dwFlags |= WHDR_PREPARED;
        else
            header->dwFlags &= ~DWORD(WHDR_PREPARED);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT device_write(HWAVEOUT handle, WAVEHDR* header)
{
    return with_device(handle, [&](Device& d) -> MMRESULT {
        if (!header)
            return MMSYSERR_INVALPARAM;
        if (!(header->dwFlags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        if ((header->dwFlags & WHDR_INQUEUE) || std::find(d.queue.begin(), d.queue.end(), header) != d.queue.end())
            return WAVERR_STILLPLAYING;
        header->dwFlags = (header->dwFlags & ~DWORD(WHDR_DONE)) | WHDR_INQUEUE;
        if (d.queue.empty())
        {
            d.pos = 0;
            d.loops_left = plays_of(header);
        }
        d.queue.push_back(header);
        record_write(d, *header);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT device_pause(HWAVEOUT handle, bool pause)
{
    return with_device(handle, [&](Device& d) {
        d.paused = pause;
        return MMRESULT(MMSYSERR_NOERROR);
    });
}

// Every queued buffer is returned marked done, and by design no MM_WOM_DONE
// is sent for them: a program that stops a sound does not hear back about it.
// The pause state is kept; the position goes back to the start.
MMRESULT device_reset(HWAVEOUT handle)
{
    return with_device(handle, [](Device& d) {
        for (WAVEHDR* h : d.queue)
            h->dwFlags = (h->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
        d.queue.clear();
        d.pos = 0;
        d.loops_left = 0;
        return MMRESULT(MMSYSERR_NOERROR);
    });
}

MMRESULT device_volume(HWAVEOUT handle, DWORD* volume, bool set)
{
    return with_device(handle, [&](Device& d) {
        if (set)
        {
            d.volume = *volume;
            record_volume(d, *volume);
        }
        else
            *volume = d.volume;
        return MMRESULT(MMSYSERR_NOERROR);
    });
}

} // namespace os::sound
