// wave_sound.cpp -- loading, playing and ending wave sounds
#include "engine/platform/wave_sound.h"

#include "common/little_endian.h"
#include "engine/platform/resource_bytes.h"
#include "engine/platform/window.h"

#include <os/user.h>
#include <os/wstring.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kCanonicalHeader = 44;
constexpr long kMaxWaveFileBytes = 64L << 20;

bool g_soundEnabled = true;

// The six format fields as they stand in a "fmt " chunk body.
WAVEFORMATEX readFormat(const uint8_t* p)
{
    WAVEFORMATEX f{};
    f.wFormatTag = readLE16(p);
    f.nChannels = readLE16(p + 2);
    f.nSamplesPerSec = readLE32(p + 4);
    f.nAvgBytesPerSec = readLE32(p + 8);
    f.nBlockAlign = readLE16(p + 12);
    f.wBitsPerSample = readLE16(p + 14);
    f.cbSize = 0;
    return f;
}

// Walks the chunks after "RIFF....WAVE" for "fmt " and "data".
bool findChunks(const uint8_t* bytes, size_t length, WaveLayout& out)
{
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= length;)
    {
        size_t chunk = readLE32(bytes + at + 4);
        size_t body = at + 8;
        size_t available = length - body;
        if (std::memcmp(bytes + at, "fmt ", 4) == 0 && chunk >= 16 && available >= 16)
        {
            out.format = readFormat(bytes + body);
            haveFormat = true;
        }
        else if (std::memcmp(bytes + at, "data", 4) == 0 && haveFormat)
        {
            out.dataOffset = body;
            out.dataSize = std::min(chunk, available);
            return true;
        }
        if (chunk > available)
            return false;
        at = body + chunk + (chunk & 1);
    }
    return false;
}

} // namespace

WaveDeviceCaps& WaveDeviceCaps::get()
{
    static WaveDeviceCaps caps = [] {
        WaveDeviceCaps c;
        if (waveOutGetDevCaps(WAVE_MAPPER, &c.caps, sizeof(c.caps)) == MMSYSERR_NOERROR)
        {
            c.hasFormats = c.caps.dwFormats != 0;
            c.isStereo = c.caps.wChannels == 2;
        }
        return c;
    }();
    return caps;
}

bool parseWaveFile(const uint8_t* bytes, size_t length, WaveLayout& out)
{
    out = WaveLayout{};
    if (!bytes || length < kCanonicalHeader)
        return false;
    if (std::memcmp(bytes + 36, "data", 4) != 0 && findChunks(bytes, length, out))
        return true;
    out.format = readFormat(bytes + 20);
    out.dataOffset = kCanonicalHeader;
    out.dataSize = length - kCanonicalHeader;
    return true;
}

WaveSound::WaveSound(const WCHAR* path)
{
    Window::setWaveDoneHandler(&WaveSound::complete);
    std::vector<uint8_t> bytes;
    WaveLayout layout;
    if (!readResourceBytes(path, bytes, kMaxWaveFileBytes) || !parseWaveFile(bytes.data(), bytes.size(), layout))
    {
        std::u16string text = os::format(u"Unable to open wave file: \"%s\".", path ? path : u"");
        MessageBoxW(nullptr, text.c_str(), u"File I/O Error", MB_OK);
        return;
    }
    format = layout.format;
    size = int32_t(layout.dataSize);
    data = new uint8_t[layout.dataSize];
    std::memcpy(data, bytes.data() + layout.dataOffset, layout.dataSize);
}

WaveSound::~WaveSound()
{
    closeDevice();
    dropPendingNotices();
    delete[] data;
}

void WaveSound::setEnabled(bool on)
{
    g_soundEnabled = on;
}

bool WaveSound::isEnabled()
{
    return g_soundEnabled;
}

bool WaveSound::gatedOff() const
{
    return !g_soundEnabled || !WaveDeviceCaps::get().hasFormats;
}

void WaveSound::play(HWND window_)
{
    playLooped(window_, 1);
}

void WaveSound::playLooped(HWND window_, int loops)
{
    if (gatedOff())
        return;
    // A paused sound still holds its device: close it before opening another.
    if (state != Stopped)
        closeDevice();
    start(window_, loops);
}

MMRESULT WaveSound::start(HWND window_, int loops)
{
    MMRESULT result = MMSYSERR_NODRIVER;
    UINT count = waveOutGetNumDevs();
    for (UINT id = 0; id < count && result != MMSYSERR_NOERROR; ++id)
        result = waveOutOpen(&device, id, &format, reinterpret_cast<DWORD_PTR>(window_),
                             reinterpret_cast<DWORD_PTR>(this), CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR)
    {
        device = nullptr;
        return result;
    }
    window = window_;
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(data);
    header.dwBufferLength = DWORD(size);
    header.dwUser = reinterpret_cast<DWORD_PTR>(this);
    if (loops != 1)
    {
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = DWORD(loops);
    }
    waveOutPrepareHeader(device, &header, sizeof(header));
    result = waveOutWrite(device, &header, sizeof(header));
    state = Playing;
    return result;
}

void WaveSound::stop()
{
    if (gatedOff() || state != Playing)
        return;
    closeDevice();
}

void WaveSound::pause()
{
    if (gatedOff() || state != Playing)
        return;
    waveOutPause(device);
    state = Paused;
}

void WaveSound::resume()
{
    if (gatedOff() || state != Paused)
        return;
    waveOutRestart(device);
    state = Playing;
}

void WaveSound::closeDevice()
{
    state = Stopped;
    if (!device)
        return;
    waveOutReset(device);
    waveOutUnprepareHeader(device, &header, sizeof(header));
    waveOutClose(device);
    device = nullptr;
}

void WaveSound::complete(WaveSound* sound)
{
    // A notice for a buffer that has since been restarted is stale: the
    // running buffer is not marked done.
    if (!sound || sound->state == Stopped || !(sound->header.dwFlags & WHDR_DONE))
        return;
    sound->closeDevice();
}

void WaveSound::dropPendingNotices()
{
    if (!window)
        return;
    std::vector<MSG> others;
    MSG msg;
    while (PeekMessageW(&msg, window, MM_WOM_DONE, MM_WOM_DONE, PM_REMOVE))
    {
        auto* done = reinterpret_cast<WAVEHDR*>(msg.lParam);
        if (done != &header)
            others.push_back(msg);
    }
    for (const MSG& m : others)
        PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
}
