// Conformance tests of waveOut and the software mixer, on the headless
// back end's virtual clock (the mixer is pulled as the clock advances).
#include <os/mmsystem.h>

#include "os/host/headless.h"
#include "os/sound/sound_test_api.h"
#include "wave_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <vector>

namespace {

namespace spy = os::sound::test;

const HWND kWindow = reinterpret_cast<HWND>(uintptr_t(0x5150));

using wave_test::Buffer;
using wave_test::bytes8;
using wave_test::constant16;
using wave_test::pcm;
using wave_test::samples16;

void advance(uint32_t ms)
{
    os::host::headless::advance(ms);
}

class WaveOut : public ::testing::Test
{
protected:
    void SetUp() override
    {
        spy::set_notifier([this](const spy::NoticeRecord& r) {
            std::lock_guard<std::mutex> guard(lock_);
            notices_.push_back(r);
        });
        spy::capture(true);
    }

    void TearDown() override
    {
        for (HWAVEOUT d : open_)
        {
            waveOutReset(d);
            waveOutClose(d);
        }
        spy::capture(false);
        spy::set_notifier({});
    }

    HWAVEOUT open(const WAVEFORMATEX& format)
    {
        HWAVEOUT d = nullptr;
        MMRESULT r = waveOutOpen(&d, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(kWindow), 0, CALLBACK_WINDOW);
        EXPECT_EQ(r, (MMRESULT)MMSYSERR_NOERROR) << "waveOutOpen";
        EXPECT_NE(d, nullptr);
        open_.push_back(d);
        return d;
    }

    void play(HWAVEOUT d, Buffer& b, DWORD flags = 0, DWORD loops = 0)
    {
        b.header.dwFlags = flags;
        b.header.dwLoops = loops;
        ASSERT_EQ(waveOutPrepareHeader(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR);
    }

    void close(HWAVEOUT d)
    {
        EXPECT_EQ(waveOutClose(d), (MMRESULT)MMSYSERR_NOERROR);
        std::erase(open_, d);
    }

    // The MM_WOM_DONE notices seen so far.
    std::vector<spy::NoticeRecord> done()
    {
        std::lock_guard<std::mutex> guard(lock_);
        std::vector<spy::NoticeRecord> out;
        for (const auto& n : notices_)
        {
            if (n.message == MM_WOM_DONE)
                out.push_back(n);
        }
        return out;
    }

    std::vector<spy::NoticeRecord> notices()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return notices_;
    }

    // Left and right samples of the mix since the test started (or the last clear).
    std::vector<int16_t> mixed() { return spy::captured(); }
    void clear_mix() { spy::capture(true); }

    std::vector<HWAVEOUT> open_;
    std::mutex lock_;
    std::vector<spy::NoticeRecord> notices_;
};

TEST_F(WaveOut, DeviceCountAndCaps)
{
    EXPECT_GE(waveOutGetNumDevs(), 1u);
    const UINT_PTR ids[] = {0, WAVE_MAPPER, UINT_PTR(-1)};
    for (UINT_PTR id : ids)
    {
        WAVEOUTCAPSW caps;
        std::memset(&caps, 0xCC, sizeof caps);
        MMRESULT r = waveOutGetDevCapsW(id, &caps, sizeof caps);
        EXPECT_EQ(r, (MMRESULT)MMSYSERR_NOERROR) << "id " << id;
        EXPECT_EQ(caps.wChannels, 2) << "id " << id;
        EXPECT_NE(caps.dwFormats, 0u) << "id " << id;
        EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_2M16) << "expected 22 kHz mono 16-bit, got formats " << caps.dwFormats;
        EXPECT_TRUE(caps.dwSupport & WAVECAPS_VOLUME);
        EXPECT_TRUE(caps.dwSupport & WAVECAPS_LRVOLUME);
        EXPECT_NE(caps.szPname[0], 0);
        EXPECT_EQ(caps.szPname[MAXPNAMELEN - 1], 0) << "the name must end within its field";
    }
    WAVEOUTCAPSW caps;
    EXPECT_EQ(waveOutGetDevCaps(WAVE_MAPPER, &caps, 84), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(caps.wChannels, 2);
}

TEST_F(WaveOut, DevCapsErrorsAndShortRecord)
{
    WAVEOUTCAPSW caps;
    EXPECT_EQ(waveOutGetDevCapsW(waveOutGetNumDevs(), &caps, sizeof caps), (MMRESULT)MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetDevCapsW(0, nullptr, sizeof caps), (MMRESULT)MMSYSERR_INVALPARAM);
    // A short record gets only what fits.
    std::memset(&caps, 0xCC, sizeof caps);
    EXPECT_EQ(waveOutGetDevCapsW(0, &caps, 4), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(caps.vDriverVersion, 0xCCCCCCCCu) << "bytes past the given size must stay untouched";
}

TEST_F(WaveOut, OpenRefusesBadArguments)
{
    WAVEFORMATEX good = pcm(22050, 1, 16);
    struct Case
    {
        const char* what;
        UINT id;
        WAVEFORMATEX format;
        bool null_format;
        DWORD flags;
        MMRESULT expected;
    } cases[] = {
        {"format tag 2", WAVE_MAPPER, [] { auto f = pcm(22050, 1, 16); f.wFormatTag = 2; return f; }(), false,
         CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"no channels", WAVE_MAPPER, pcm(22050, 0, 16), false, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"three channels", WAVE_MAPPER, pcm(22050, 3, 16), false, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"12-bit samples", WAVE_MAPPER, pcm(22050, 1, 12), false, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"32-bit samples", WAVE_MAPPER, pcm(22050, 2, 32), false, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"rate 0", WAVE_MAPPER, pcm(0, 1, 16), false, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"rate too high", WAVE_MAPPER, pcm(1000000, 1, 16), false, CALLBACK_WINDOW, WAVERR_BADFORMAT},
        {"no format", WAVE_MAPPER, good, true, CALLBACK_WINDOW, MMSYSERR_INVALPARAM},
        {"device 7", 7, good, false, CALLBACK_WINDOW, MMSYSERR_BADDEVICEID},
        {"event callback", WAVE_MAPPER, good, false, CALLBACK_EVENT, MMSYSERR_INVALFLAG},
    };
    for (const Case& c : cases)
    {
        HWAVEOUT d = reinterpret_cast<HWAVEOUT>(uintptr_t(0x77));
        MMRESULT r = waveOutOpen(&d, c.id, c.null_format ? nullptr : &c.format, reinterpret_cast<DWORD_PTR>(kWindow),
                                 0, c.flags);
        EXPECT_EQ(r, c.expected) << c.what << ": expected " << c.expected << ", got " << r;
        EXPECT_EQ(d, reinterpret_cast<HWAVEOUT>(uintptr_t(0x77))) << c.what << ": the handle must stay untouched";
    }
    EXPECT_EQ(spy::open_count(), 0);
    EXPECT_TRUE(notices().empty()) << "a refused open sends no notice";
}

TEST_F(WaveOut, FormatQueryOpensNothing)
{
    const WAVEFORMATEX formats[] = {pcm(8000, 1, 8), pcm(11025, 2, 8), pcm(22050, 1, 16), pcm(44100, 2, 16)};
    for (const auto& f : formats)
    {
        EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY), (MMRESULT)MMSYSERR_NOERROR)
            << f.nSamplesPerSec << " Hz " << f.nChannels << " ch " << f.wBitsPerSample << " bits";
    }
    WAVEFORMATEX bad = pcm(22050, 1, 24);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &bad, 0, 0, WAVE_FORMAT_QUERY), (MMRESULT)WAVERR_BADFORMAT);
    EXPECT_EQ(spy::open_count(), 0);
}

TEST_F(WaveOut, ManyDevicesOpenAtOnceWithOpenAndCloseNotices)
{
    std::vector<HWAVEOUT> devices;
    for (int i = 0; i < 12; ++i)
        devices.push_back(open(pcm(22050, 1, 16)));
    EXPECT_EQ(spy::open_count(), 12);
    for (size_t i = 0; i < devices.size(); ++i)
    {
        for (size_t j = i + 1; j < devices.size(); ++j)
            EXPECT_NE(devices[i], devices[j]) << "devices " << i << " and " << j << " share a handle";
    }
    for (HWAVEOUT d : devices)
        close(d);
    EXPECT_EQ(spy::open_count(), 0);
    auto seen = notices();
    ASSERT_EQ(seen.size(), 24u);
    for (size_t i = 0; i < devices.size(); ++i)
    {
        EXPECT_EQ(seen[i].message, (UINT)MM_WOM_OPEN);
        EXPECT_EQ(seen[i].wparam, reinterpret_cast<WPARAM>(devices[i]));
        EXPECT_EQ(seen[12 + i].message, (UINT)MM_WOM_CLOSE);
        EXPECT_EQ(seen[12 + i].wparam, reinterpret_cast<WPARAM>(devices[i]));
        EXPECT_EQ(seen[i].window, kWindow);
    }
}

TEST_F(WaveOut, BadHandlesAreRefusedByEveryCall)
{
    HWAVEOUT stale = open(pcm(22050, 1, 16));
    close(stale);
    Buffer b = constant16(100, 0);
    DWORD volume = 0;
    const HWAVEOUT bad[] = {nullptr, stale, reinterpret_cast<HWAVEOUT>(uintptr_t(0x1234)),
                            reinterpret_cast<HWAVEOUT>(kWindow)};
    const std::pair<const char*, std::function<MMRESULT(HWAVEOUT)>> calls[] = {
        {"waveOutClose", [](HWAVEOUT d) { return waveOutClose(d); }},
        {"waveOutPrepareHeader", [&](HWAVEOUT d) { return waveOutPrepareHeader(d, &b.header, 32); }},
        {"waveOutUnprepareHeader", [&](HWAVEOUT d) { return waveOutUnprepareHeader(d, &b.header, 32); }},
        {"waveOutWrite", [&](HWAVEOUT d) { return waveOutWrite(d, &b.header, 32); }},
        {"waveOutPause", [](HWAVEOUT d) { return waveOutPause(d); }},
        {"waveOutRestart", [](HWAVEOUT d) { return waveOutRestart(d); }},
        {"waveOutReset", [](HWAVEOUT d) { return waveOutReset(d); }},
        {"waveOutSetVolume", [](HWAVEOUT d) { return waveOutSetVolume(d, 0x80008000u); }},
        {"waveOutGetVolume", [&](HWAVEOUT d) { return waveOutGetVolume(d, &volume); }},
    };
    for (HWAVEOUT h : bad)
    {
        for (const auto& [name, call] : calls)
        {
            MMRESULT r = call(h);
            EXPECT_EQ(r, (MMRESULT)MMSYSERR_INVALHANDLE)
                << name << "(" << h << "): expected MMSYSERR_INVALHANDLE, got " << r;
        }
    }
    EXPECT_EQ(b.header.dwFlags, 0u) << "a refused call must leave the header alone";
}

TEST_F(WaveOut, HeaderStateErrors)
{
    HWAVEOUT d = open(pcm(22050, 1, 16));
    Buffer b = constant16(2205, 100);
    EXPECT_EQ(waveOutPrepareHeader(d, nullptr, 32), (MMRESULT)MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutUnprepareHeader(d, nullptr, 32), (MMRESULT)MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutWrite(d, nullptr, 32), (MMRESULT)MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutGetVolume(d, nullptr), (MMRESULT)MMSYSERR_INVALPARAM);
    Buffer no_data = constant16(10, 0);
    no_data.header.lpData = nullptr;
    EXPECT_EQ(waveOutPrepareHeader(d, &no_data.header, 32), (MMRESULT)MMSYSERR_INVALPARAM);

    EXPECT_EQ(waveOutWrite(d, &b.header, 32), (MMRESULT)WAVERR_UNPREPARED);
    EXPECT_EQ(b.header.dwFlags, 0u);
    EXPECT_EQ(waveOutPrepareHeader(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(b.header.dwFlags, (DWORD)WHDR_PREPARED);
    EXPECT_EQ(waveOutPrepareHeader(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR) << "preparing twice is harmless";
    EXPECT_EQ(waveOutWrite(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(b.header.dwFlags, DWORD(WHDR_PREPARED | WHDR_INQUEUE));

    EXPECT_EQ(waveOutWrite(d, &b.header, 32), (MMRESULT)WAVERR_STILLPLAYING) << "a queued header written again";
    EXPECT_EQ(waveOutUnprepareHeader(d, &b.header, 32), (MMRESULT)WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(d), (MMRESULT)WAVERR_STILLPLAYING);

    advance(100);
    EXPECT_EQ(b.header.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
    EXPECT_EQ(waveOutUnprepareHeader(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(b.header.dwFlags, (DWORD)WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR) << "unpreparing twice";
    close(d);
}

TEST_F(WaveOut, BufferCompletesAfterItsDurationWithOneNotice)
{
    struct Case
    {
        DWORD rate;
        WORD channels;
        WORD bits;
        uint32_t ms; // length of the buffer
    } cases[] = {
        {22050, 1, 16, 100}, {22050, 2, 16, 40}, {11025, 1, 8, 200}, {11025, 2, 8, 60},
        {44100, 2, 16, 30},  {8000, 1, 16, 125}, {44100, 1, 8, 10},  {48000, 2, 16, 50}, {96000, 1, 16, 20},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.rate << " Hz, " << c.channels << " ch, " << c.bits << " bits");
        size_t before = done().size();
        HWAVEOUT d = open(pcm(c.rate, c.channels, c.bits));
        Buffer b;
        uint64_t frames = uint64_t(c.rate) * c.ms / 1000;
        b.bytes.assign(frames * c.channels * c.bits / 8, c.bits == 8 ? 0x90 : 0x10);
        b.attach();
        // The mix runs in whole 44100 Hz frames: the buffer ends with the
        // first mixed frame past its last sample.
        uint64_t mixed_frames = (frames * 44100 + c.rate - 1) / c.rate;
        uint32_t due_ms = uint32_t((mixed_frames * 1000 + 44099) / 44100);
        play(d, b);
        advance(due_ms - 1);
        EXPECT_EQ(done().size(), before) << "finished before its duration";
        EXPECT_TRUE(b.header.dwFlags & WHDR_INQUEUE);
        EXPECT_FALSE(b.header.dwFlags & WHDR_DONE);
        advance(1);
        auto seen = done();
        ASSERT_EQ(seen.size(), before + 1) << "expected one MM_WOM_DONE after " << due_ms << " ms";
        EXPECT_EQ(seen.back().window, kWindow);
        EXPECT_EQ(seen.back().wparam, reinterpret_cast<WPARAM>(d));
        EXPECT_EQ(seen.back().lparam, reinterpret_cast<LPARAM>(&b.header));
        EXPECT_EQ(b.header.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
        advance(500);
        EXPECT_EQ(done().size(), before + 1) << "a finished buffer is notified once";
        EXPECT_EQ(waveOutUnprepareHeader(d, &b.header, 32), (MMRESULT)MMSYSERR_NOERROR);
        close(d);
    }
}

TEST_F(WaveOut, QueuePlaysInOrderPerDevice)
{
    HWAVEOUT a = open(pcm(44100, 1, 16));
    HWAVEOUT b = open(pcm(44100, 1, 16));
    Buffer a1 = constant16(441, 1), a2 = constant16(882, 2), b1 = constant16(1323, 4);
    play(a, a1);
    play(a, a2);
    play(b, b1);
    advance(10);
    advance(20);
    auto seen = done();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].lparam, reinterpret_cast<LPARAM>(&a1.header)) << "a1 ends at 10 ms";
    EXPECT_EQ(seen[0].wparam, reinterpret_cast<WPARAM>(a));
    // a2 (10..30 ms) and b1 (0..30 ms) end in the same pass.
    std::vector<LPARAM> rest = {seen[1].lparam, seen[2].lparam};
    EXPECT_NE(std::find(rest.begin(), rest.end(), reinterpret_cast<LPARAM>(&a2.header)), rest.end());
    EXPECT_NE(std::find(rest.begin(), rest.end(), reinterpret_cast<LPARAM>(&b1.header)), rest.end());
    auto mix = mixed();
    ASSERT_EQ(mix.size(), 2u * 1323);
    EXPECT_EQ(mix[0], 5) << "a1 + b1";
    EXPECT_EQ(mix[2 * 441], 6) << "a2 + b1";
}

TEST_F(WaveOut, LoopCountPlaysTheBufferThatManyTimes)
{
    HWAVEOUT d = open(pcm(44100, 1, 16));
    std::vector<int16_t> ramp(441);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = int16_t(i * 10);
    Buffer b = samples16(ramp);
    play(d, b, WHDR_BEGINLOOP | WHDR_ENDLOOP, 3);
    advance(29);
    EXPECT_TRUE(done().empty()) << "a loop of 3 x 10 ms ended before 30 ms";
    advance(1);
    ASSERT_EQ(done().size(), 1u);
    EXPECT_EQ(done()[0].lparam, reinterpret_cast<LPARAM>(&b.header));
    auto mix = mixed();
    ASSERT_EQ(mix.size(), 2u * 3 * 441);
    for (size_t i = 0; i < 3 * 441; ++i)
    {
        ASSERT_EQ(mix[2 * i], ramp[i % 441]) << "frame " << i;
        ASSERT_EQ(mix[2 * i + 1], ramp[i % 441]) << "frame " << i;
    }
    auto w = spy::writes();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].flags, DWORD(WHDR_PREPARED | WHDR_BEGINLOOP | WHDR_ENDLOOP));
    EXPECT_EQ(w[0].loops, 3u);
    EXPECT_EQ(w[0].device, d);
}

TEST_F(WaveOut, LoopFlagsAndCounts)
{
    struct Case
    {
        DWORD flags;
        DWORD loops;
        uint32_t plays;
    } cases[] = {
        {WHDR_BEGINLOOP | WHDR_ENDLOOP, 0, 1},
        {WHDR_BEGINLOOP | WHDR_ENDLOOP, 1, 1},
        {WHDR_BEGINLOOP | WHDR_ENDLOOP, 5, 5},
        {WHDR_BEGINLOOP, 4, 1}, // a loop needs both ends on the header
        {WHDR_ENDLOOP, 4, 1},
        {0, 4, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "flags " << c.flags << ", loops " << c.loops);
        size_t before = done().size();
        HWAVEOUT d = open(pcm(44100, 2, 16));
        Buffer b = constant16(2 * 441, 7);
        play(d, b, c.flags, c.loops);
        advance(10 * c.plays - 1);
        EXPECT_EQ(done().size(), before);
        advance(1);
        EXPECT_EQ(done().size(), before + 1) << "expected " << c.plays << " plays";
        close(d);
    }
}

TEST_F(WaveOut, EndlessLoopPlaysUntilResetWithoutNotice)
{
    const DWORD endless[] = {0xFFFFFFFFu, 0x7FFFFFFFu};
    for (DWORD loops : endless)
    {
        HWAVEOUT d = open(pcm(22050, 1, 16));
        Buffer b = constant16(220, 1000);
        play(d, b, WHDR_BEGINLOOP | WHDR_ENDLOOP, loops);
        clear_mix();
        advance(5000);
        EXPECT_TRUE(done().empty()) << "loops " << loops;
        auto mix = mixed();
        ASSERT_FALSE(mix.empty());
        EXPECT_EQ(mix.back(), 1000) << "still playing after 5 s";
        EXPECT_EQ(waveOutReset(d), (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_EQ(b.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), (DWORD)WHDR_DONE);
        clear_mix();
        advance(100);
        EXPECT_TRUE(done().empty()) << "no MM_WOM_DONE for a reset buffer";
        for (int16_t s : mixed())
            ASSERT_EQ(s, 0) << "silence after reset";
        close(d);
    }
}

TEST_F(WaveOut, ResetReturnsEveryBufferWithoutNotices)
{
    HWAVEOUT d = open(pcm(22050, 2, 16));
    Buffer b1 = constant16(2 * 2205, 10), b2 = constant16(2 * 2205, 20), b3 = constant16(2 * 2205, 30);
    play(d, b1);
    play(d, b2);
    play(d, b3);
    advance(50);
    EXPECT_EQ(waveOutReset(d), (MMRESULT)MMSYSERR_NOERROR);
    for (Buffer* b : {&b1, &b2, &b3})
        EXPECT_EQ(b->header.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
    advance(1000);
    EXPECT_TRUE(done().empty());
    EXPECT_EQ(waveOutReset(d), (MMRESULT)MMSYSERR_NOERROR) << "reset of an idle device";
    // The next buffer plays from its start and is notified as usual.
    clear_mix();
    play(d, b1);
    advance(100);
    ASSERT_EQ(done().size(), 1u);
    EXPECT_EQ(done()[0].lparam, reinterpret_cast<LPARAM>(&b1.header));
    EXPECT_EQ(mixed().at(0), 10);
    EXPECT_EQ(waveOutUnprepareHeader(d, &b2.header, 32), (MMRESULT)MMSYSERR_NOERROR);
    close(d);
}

TEST_F(WaveOut, PauseHoldsThePositionAndRestartResumes)
{
    HWAVEOUT d = open(pcm(44100, 1, 16));
    std::vector<int16_t> ramp(4410);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = int16_t(i);
    Buffer b = samples16(ramp);
    play(d, b);
    advance(40);
    EXPECT_EQ(waveOutPause(d), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutPause(d), (MMRESULT)MMSYSERR_NOERROR) << "pausing twice";
    advance(1000);
    EXPECT_TRUE(done().empty()) << "a paused device finished its buffer";
    EXPECT_EQ(waveOutClose(d), (MMRESULT)WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutRestart(d), (MMRESULT)MMSYSERR_NOERROR);
    advance(59);
    EXPECT_TRUE(done().empty());
    advance(1);
    EXPECT_EQ(done().size(), 1u);
    // The mix: 40 ms of ramp, 1 s of silence, then the ramp goes on where it stopped.
    auto mix = mixed();
    ASSERT_EQ(mix.size(), 2u * (1764 + 44100 + 2646));
    EXPECT_EQ(mix[2 * 1763], 1763);
    EXPECT_EQ(mix[2 * 1764], 0);
    EXPECT_EQ(mix[2 * (1764 + 44099)], 0);
    EXPECT_EQ(mix[2 * (1764 + 44100)], 1764) << "restart resumes at the held position";
    EXPECT_EQ(mix.back(), 4409);
}

TEST_F(WaveOut, MixSaturatesAndHonoursVolume)
{
    struct Case
    {
        int16_t a;
        int16_t b;
        int16_t expected;
    } cases[] = {
        {30000, 30000, 32767}, {-30000, -30000, -32768}, {20000, -5000, 15000}, {32767, 1, 32767}, {-32768, -1, -32768},
    };
    for (const Case& c : cases)
    {
        HWAVEOUT x = open(pcm(44100, 1, 16));
        HWAVEOUT y = open(pcm(44100, 1, 16));
        Buffer bx = constant16(441, c.a), by = constant16(441, c.b);
        clear_mix();
        play(x, bx);
        play(y, by);
        advance(10);
        auto mix = mixed();
        ASSERT_EQ(mix.size(), 882u);
        EXPECT_EQ(mix[0], c.expected) << c.a << " + " << c.b << ": expected " << c.expected << ", got " << mix[0];
        EXPECT_EQ(mix[881], c.expected);
        close(x);
        close(y);
    }
}

TEST_F(WaveOut, VolumePerDeviceAndChannel)
{
    HWAVEOUT d = open(pcm(44100, 1, 16));
    HWAVEOUT other = open(pcm(44100, 1, 16));
    DWORD v = 0;
    EXPECT_EQ(waveOutGetVolume(d, &v), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(v, 0xFFFFFFFFu) << "a new device plays at full volume";
    struct Case
    {
        DWORD volume;
        int16_t left;
        int16_t right;
    } cases[] = {
        {0xFFFFFFFFu, 16000, 16000}, {0x8000FFFFu, 16000, 8000}, {0xFFFF8000u, 8000, 16000},
        {0x00000000u, 0, 0},         {0x40004000u, 4000, 4000},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(waveOutSetVolume(d, c.volume), (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutGetVolume(d, &v), (MMRESULT)MMSYSERR_NOERROR);
        EXPECT_EQ(v, c.volume);
        Buffer b = constant16(441, 16000);
        clear_mix();
        play(d, b);
        advance(10);
        auto mix = mixed();
        ASSERT_EQ(mix.size(), 882u);
        EXPECT_EQ(mix[0], c.left) << "volume " << std::hex << c.volume;
        EXPECT_EQ(mix[1], c.right) << "volume " << std::hex << c.volume;
    }
    EXPECT_EQ(waveOutGetVolume(other, &v), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(v, 0xFFFFFFFFu) << "volume is per device";
    EXPECT_EQ(spy::devices().at(0).volume, 0x40004000u);
}

TEST_F(WaveOut, SampleFormatsAndResampling)
{
    struct Case
    {
        const char* what;
        WAVEFORMATEX format;
        Buffer buffer;
        std::vector<int16_t> expected; // first mixed frames, left and right
    } cases[] = {
        {"8-bit mono", pcm(44100, 1, 8), bytes8({0x80, 0xFF, 0x00, 0x81}),
         {0, 0, 32512, 32512, -32768, -32768, 256, 256}},
        {"8-bit stereo", pcm(44100, 2, 8), bytes8({0x00, 0xFF, 0x90, 0x70}), {-32768, 32512, 4096, -4096}},
        {"16-bit stereo", pcm(44100, 2, 16), samples16({100, -100, 200, -200}), {100, -100, 200, -200}},
        {"22050 Hz interpolates", pcm(22050, 1, 16), samples16({0, 1000, 2000, 2000}),
         {0, 0, 500, 500, 1000, 1000, 1500, 1500, 2000, 2000}},
        {"11025 Hz interpolates", pcm(11025, 1, 16), samples16({0, 400, 400}),
         {0, 0, 100, 100, 200, 200, 300, 300, 400, 400}},
    };
    for (Case& c : cases)
    {
        HWAVEOUT d = open(c.format);
        clear_mix();
        play(d, c.buffer);
        advance(1);
        auto mix = mixed();
        ASSERT_GE(mix.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(mix[i], c.expected[i]) << c.what << " sample " << i;
        close(d);
    }
}

TEST_F(WaveOut, EmptyAndOddLengthBuffersComplete)
{
    HWAVEOUT d = open(pcm(44100, 2, 16));
    Buffer empty;
    empty.attach();
    Buffer odd = bytes8({1, 2, 3}); // less than one 4-byte frame
    play(d, empty);
    play(d, odd);
    advance(1);
    auto seen = done();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].lparam, reinterpret_cast<LPARAM>(&empty.header));
    EXPECT_EQ(seen[1].lparam, reinterpret_cast<LPARAM>(&odd.header));
    Buffer looped;
    looped.attach();
    play(d, looped, WHDR_BEGINLOOP | WHDR_ENDLOOP, 0xFFFFFFFFu);
    advance(1);
    EXPECT_EQ(done().size(), 3u) << "an endless loop of nothing must still end";
    close(d);
}

TEST_F(WaveOut, RecordedWavHoldsTheMix)
{
    std::string path = std::string(getenv("OS_DEVICE_ROOT")) + "/mix.wav";
    ASSERT_TRUE(os::sound::record_mix_to(path));
    HWAVEOUT d = open(pcm(44100, 2, 16));
    std::vector<int16_t> s;
    for (int i = 0; i < 441; ++i)
    {
        s.push_back(int16_t(i * 50));
        s.push_back(int16_t(-i * 50));
    }
    Buffer b = samples16(s);
    play(d, b);
    advance(20);
    os::sound::stop_recording();
    advance(10); // mixed after the end: not in the file

    FILE* f = fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> file(100000);
    file.resize(fread(file.data(), 1, file.size(), f));
    fclose(f);
    ASSERT_EQ(file.size(), 44u + 882 * 4);
    auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= uint32_t(file[at + i]) << (8 * i);
        return v;
    };
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(le(4, 4), file.size() - 8);
    EXPECT_EQ(std::memcmp(file.data() + 8, "WAVEfmt ", 8), 0);
    struct Field
    {
        size_t at;
        int bytes;
        uint32_t expected;
    } fields[] = {{16, 4, 16}, {20, 2, 1}, {22, 2, 2}, {24, 4, 44100}, {28, 4, 176400}, {32, 2, 4}, {34, 2, 16},
                  {40, 4, 882 * 4}};
    for (const Field& fld : fields)
        EXPECT_EQ(le(fld.at, fld.bytes), fld.expected) << "header field at " << fld.at;
    EXPECT_EQ(std::memcmp(file.data() + 36, "data", 4), 0);
    for (size_t i = 0; i < 882; ++i)
    {
        int16_t expected = i < s.size() ? s[i] : 0;
        ASSERT_EQ(int16_t(le(44 + 2 * i, 2)), expected) << "sample " << i;
    }
    for (size_t i = 882; i < 1764; ++i)
        ASSERT_EQ(int16_t(le(44 + 2 * i, 2)), 0) << "sample " << i << " after the buffer ended";
    close(d);
}

TEST_F(WaveOut, RecordingToAnUnwritablePathFails)
{
    EXPECT_FALSE(os::sound::record_mix_to("/nonexistent-folder/x/mix.wav"));
    os::sound::stop_recording();
}

std::vector<std::pair<UINT, DWORD_PTR>> g_calls;
DWORD_PTR g_instance_seen = 0;

void CALLBACK wave_proc(HWAVEOUT, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR)
{
    g_calls.push_back({msg, param1});
    g_instance_seen = instance;
}

TEST_F(WaveOut, FunctionCallbackGetsOpenDoneAndClose)
{
    g_calls.clear();
    WAVEFORMATEX f = pcm(44100, 1, 16);
    HWAVEOUT d = nullptr;
    ASSERT_EQ(waveOutOpen(&d, 0, &f, reinterpret_cast<DWORD_PTR>(wave_proc), 0xABCD, CALLBACK_FUNCTION),
              (MMRESULT)MMSYSERR_NOERROR);
    Buffer b = constant16(441, 1);
    play(d, b);
    advance(10);
    EXPECT_EQ(waveOutClose(d), (MMRESULT)MMSYSERR_NOERROR);
    const std::vector<std::pair<UINT, DWORD_PTR>> expected = {
        {WOM_OPEN, 0}, {WOM_DONE, reinterpret_cast<DWORD_PTR>(&b.header)}, {WOM_CLOSE, 0}};
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(g_instance_seen, 0xABCDu);
    EXPECT_TRUE(notices().empty()) << "nothing is posted for a function callback";
}

TEST_F(WaveOut, NullCallbackStillCompletesBuffers)
{
    WAVEFORMATEX f = pcm(22050, 1, 16);
    HWAVEOUT d = nullptr;
    ASSERT_EQ(waveOutOpen(&d, 0, &f, 0, 0, CALLBACK_NULL), (MMRESULT)MMSYSERR_NOERROR);
    Buffer b = constant16(2205, 1);
    play(d, b);
    advance(100);
    EXPECT_EQ(b.header.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
    EXPECT_TRUE(notices().empty());
    EXPECT_EQ(waveOutClose(d), (MMRESULT)MMSYSERR_NOERROR);
}

TEST_F(WaveOut, SpyListsDevicesWithTheirFormat)
{
    HWAVEOUT a = open(pcm(22050, 1, 16));
    HWAVEOUT b = open(pcm(11025, 2, 8));
    close(a);
    auto list = spy::devices();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].handle, a);
    EXPECT_TRUE(list[0].closed);
    EXPECT_EQ(list[0].format.nSamplesPerSec, 22050u);
    EXPECT_EQ(list[0].callback, reinterpret_cast<DWORD_PTR>(kWindow));
    EXPECT_EQ(list[0].flags, (DWORD)CALLBACK_WINDOW);
    EXPECT_EQ(list[1].handle, b);
    EXPECT_FALSE(list[1].closed);
    EXPECT_EQ(list[1].format.wBitsPerSample, 8);
    EXPECT_EQ(spy::open_count(), 1);
    spy::reset_spy();
    EXPECT_EQ(spy::devices().size(), 1u) << "reset_spy keeps the open devices";
}

TEST_F(WaveOut, MixerRunsOnTheVirtualClock)
{
    HWAVEOUT d = open(pcm(22050, 1, 16));
    uint64_t before = spy::frames_mixed();
    advance(1000);
    EXPECT_EQ(spy::frames_mixed() - before, 44100u);
    EXPECT_TRUE(os::host::headless::audio_running());
    close(d);
}

} // namespace
