// Without an audio device on the host, buffers still complete and notices
// still come: the mixer then runs on the real clock and discards its output.
#include <os/mmsystem.h>

#include "os/host/host.h"
#include "os/sound/sound_test_api.h"
#include "wave_test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// A back end whose audio stream cannot be opened (a desktop without sound).
class SilentBackend : public os::host::Backend
{
public:
    const char* name() const override { return "silent"; }
    uint64_t now_ms() override { return 0; }
    void sleep_ms(uint32_t) override {}
    void present(const RECT*) override {}
    bool poll_event(os::host::Event&) override { return false; }
    bool wait_event(os::host::Event&, uint32_t) override { return false; }
    void wake() override {}
    int message_box(const std::u16string&, const std::u16string&, UINT) override { return 1; }
    void text_input(bool) override {}
    void set_cursor(int) override {}
    bool audio_start(int, os::host::AudioFill, void*) override
    {
        ++starts;
        return false;
    }
    void audio_stop() override {}

    std::atomic<int> starts{0};
};

TEST(WaveOutNullDevice, BuffersCompleteWithoutAHostAudioDevice)
{
    static SilentBackend backend; // outlives the mixer's thread
    os::host::set_backend(&backend);
    std::atomic<int> done{0};
    os::sound::test::set_notifier([&](const os::sound::test::NoticeRecord& r) {
        if (r.message == MM_WOM_DONE)
            ++done;
    });

    WAVEFORMATEX f = wave_test::pcm(44100, 2, 16);
    HWAVEOUT d = nullptr;
    ASSERT_EQ(waveOutOpen(&d, WAVE_MAPPER, &f, 0x1000, 0, CALLBACK_WINDOW), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(backend.starts.load(), 1) << "the mixer asks the back end for a stream first";
    wave_test::Buffer b = wave_test::constant16(2 * 441, 500); // 10 ms
    WAVEHDR& h = b.header;
    ASSERT_EQ(waveOutPrepareHeader(d, &h, 32), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(d, &h, 32), (MMRESULT)MMSYSERR_NOERROR);
    // Real time passes here; wait generously, asserting only that it ends.
    for (int i = 0; i < 10000 && done.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(done.load(), 1);
    EXPECT_TRUE(h.dwFlags & WHDR_DONE);
    EXPECT_EQ(waveOutClose(d), (MMRESULT)MMSYSERR_NOERROR);
    HWAVEOUT second = nullptr;
    ASSERT_EQ(waveOutOpen(&second, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(backend.starts.load(), 1) << "the stream is started once per process";
    EXPECT_EQ(waveOutClose(second), (MMRESULT)MMSYSERR_NOERROR);
    os::sound::test::set_notifier({});
}

} // namespace
