// MM_WOM_* notices reach a real window's queue through PostMessageW and are
// dispatched on the window's thread, whichever thread mixed the sound.
#include <os/mmsystem.h>
#include <os/user.h>

#include "os/host/headless.h"
#include "wave_test_util.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Seen
{
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::vector<Seen> g_seen;

LRESULT CALLBACK record_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg >= MM_WOM_OPEN && msg <= MM_WOM_DONE)
        g_seen.push_back({msg, wparam, lparam});
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

HWND make_window()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = record_proc;
    wc.lpszClassName = u"SoundNoticeTest";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, u"SoundNoticeTest", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
}

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

TEST(WaveOutWindow, NoticesArePostedToTheCallbackWindow)
{
    g_seen.clear();
    HWND hwnd = make_window();
    WAVEFORMATEX f = wave_test::pcm(22050, 1, 16);
    HWAVEOUT d = nullptr;
    ASSERT_EQ(waveOutOpen(&d, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(hwnd), 0, CALLBACK_WINDOW),
              (MMRESULT)MMSYSERR_NOERROR);
    wave_test::Buffer first = wave_test::constant16(2205, 100), second = wave_test::constant16(2205, 100);
    WAVEHDR& played = first.header;
    WAVEHDR& stopped = second.header;
    ASSERT_EQ(waveOutPrepareHeader(d, &played, 32), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPrepareHeader(d, &stopped, 32), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(d, &played, 32), (MMRESULT)MMSYSERR_NOERROR);
    // The mix runs on another thread, as the SDL back end's audio thread does.
    std::thread([] { os::host::headless::advance(100); }).join();
    ASSERT_EQ(waveOutWrite(d, &stopped, 32), (MMRESULT)MMSYSERR_NOERROR);
    os::host::headless::advance(50);
    ASSERT_EQ(waveOutReset(d), (MMRESULT)MMSYSERR_NOERROR);
    os::host::headless::advance(100);
    ASSERT_EQ(waveOutClose(d), (MMRESULT)MMSYSERR_NOERROR);
    pump();

    const WPARAM device = reinterpret_cast<WPARAM>(d);
    const std::vector<std::pair<UINT, LPARAM>> expected = {
        {MM_WOM_OPEN, 0},
        {MM_WOM_DONE, reinterpret_cast<LPARAM>(&played)}, // the reset buffer sends nothing
        {MM_WOM_CLOSE, 0},
    };
    ASSERT_EQ(g_seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(g_seen[i].message, expected[i].first) << "notice " << i;
        EXPECT_EQ(g_seen[i].wparam, device) << "notice " << i << " carries the device";
        EXPECT_EQ(g_seen[i].lparam, expected[i].second) << "notice " << i;
    }
    EXPECT_TRUE(played.dwFlags & WHDR_DONE);
    EXPECT_TRUE(stopped.dwFlags & WHDR_DONE);
    DestroyWindow(hwnd);
}

TEST(WaveOutWindow, ANoticeForADestroyedWindowIsDropped)
{
    HWND hwnd = make_window();
    WAVEFORMATEX f = wave_test::pcm(22050, 1, 16);
    HWAVEOUT d = nullptr;
    ASSERT_EQ(waveOutOpen(&d, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(hwnd), 0, CALLBACK_WINDOW),
              (MMRESULT)MMSYSERR_NOERROR);
    wave_test::Buffer b = wave_test::constant16(220, 1);
    WAVEHDR& h = b.header;
    waveOutPrepareHeader(d, &h, 32);
    waveOutWrite(d, &h, 32);
    DestroyWindow(hwnd);
    SetLastError(0xdeadbeef);
    os::host::headless::advance(20);
    EXPECT_TRUE(h.dwFlags & WHDR_DONE);
    EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "a failed post must not leak its error into the mixing thread";
    EXPECT_EQ(waveOutClose(d), (MMRESULT)MMSYSERR_NOERROR);
    pump();
}

} // namespace
