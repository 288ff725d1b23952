// waveout.cpp -- the waveOut calls
//
// One device is offered (id 0, also reached through WAVE_MAPPER), and it can
// be opened any number of times: each open is a voice of the mixer. The
// header size argument is not checked, since programs written for the device
// pass its 32-byte header size while the host's header is larger.
#include "os/sound/sound_private.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr UINT kDeviceCount = 1;
constexpr DWORD kAllFormats = 0x00000FFF; // 11, 22 and 44 kHz; mono and stereo; 8 and 16 bits

bool valid_id(UINT_PTR id)
{
    return id == WAVE_MAPPER || id == UINT_PTR(-1) || id < kDeviceCount;
}

WAVEOUTCAPSW device_caps()
{
    WAVEOUTCAPSW caps{};
    caps.wMid = 1;
    caps.wPid = 1;
    caps.vDriverVersion = 0x0100;
    const char16_t name[] = u"Software Mixer";
    std::copy(std::begin(name), std::end(name), caps.szPname);
    caps.dwFormats = kAllFormats;
    caps.wChannels = 2;
    caps.dwSupport = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME;
    return caps;
}

} // namespace

UINT waveOutGetNumDevs()
{
    return kDeviceCount;
}

MMRESULT waveOutGetDevCapsW(UINT_PTR device_id, LPWAVEOUTCAPSW caps, UINT size)
{
    if (!caps)
        return MMSYSERR_INVALPARAM;
    if (!valid_id(device_id))
        return MMSYSERR_BADDEVICEID;
    WAVEOUTCAPSW full = device_caps();
    std::memcpy(caps, &full, std::min<size_t>(size, sizeof full));
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetDevCaps(UINT_PTR device_id, LPWAVEOUTCAPSW caps, UINT size)
{
    return waveOutGetDevCapsW(device_id, caps, size);
}

MMRESULT waveOutOpen(LPHWAVEOUT device, UINT device_id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags)
{
    if (!valid_id(device_id))
        return MMSYSERR_BADDEVICEID;
    DWORD type = flags & CALLBACK_TYPEMASK;
    if (type != CALLBACK_NULL && type != CALLBACK_WINDOW && type != CALLBACK_FUNCTION)
        return MMSYSERR_INVALFLAG;
    if (MMRESULT r = os::sound::check_format(format))
        return r;
    if (flags & WAVE_FORMAT_QUERY)
        return MMSYSERR_NOERROR;
    if (!device)
        return MMSYSERR_INVALPARAM;
    return os::sound::device_open(device, *format, callback, instance, flags);
}

MMRESULT waveOutClose(HWAVEOUT device)
{
    return os::sound::device_close(device);
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT)
{
    return os::sound::header_prepare(device, header, true);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT)
{
    return os::sound::header_prepare(device, header, false);
}

MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT)
{
    return os::sound::device_write(device, header);
}

MMRESULT waveOutPause(HWAVEOUT device)
{
    return os::sound::device_pause(device, true);
}

MMRESULT waveOutRestart(HWAVEOUT device)
{
    return os::sound::device_pause(device, false);
}

MMRESULT waveOutReset(HWAVEOUT device)
{
    return os::sound::device_reset(device);
}

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume)
{
    return os::sound::device_volume(device, &volume, true);
}

MMRESULT waveOutGetVolume(HWAVEOUT device, LPDWORD volume)
{
    if (!volume)
        return MMSYSERR_INVALPARAM;
    return os::sound::device_volume(device, volume, false);
}
