// clock_test.cpp -- the headless back end's virtual clock, waits and audio
#include "os/host/headless.h"
#include "os/host/host.h"

#include <gtest/gtest.h>

#include <thread>

using namespace os::host;

namespace {

Backend& host()
{
    return backend();
}

Event pen(EventType type, int x, int y)
{
    Event event;
    event.type = type;
    event.x = x;
    event.y = y;
    return event;
}

} // namespace

TEST(HeadlessClock, StartsAtZeroAndSleepAdvancesIt)
{
    ASSERT_STREQ("headless", host().name());
    EXPECT_EQ(0u, host().now_ms()) << "the clock starts at a fixed time";
    struct
    {
        uint32_t sleep;
        uint64_t expected;
    } cases[] = {{0, 0}, {1, 1}, {15, 16}, {1000, 1016}, {0xFFFFFFF0u, 1016 + 0xFFFFFFF0ull}};
    for (auto& c : cases)
    {
        host().sleep_ms(c.sleep);
        EXPECT_EQ(c.expected, host().now_ms()) << "after sleeping " << c.sleep;
    }
}

TEST(HeadlessClock, SetTimeAllowsTheThirtyTwoBitWrap)
{
    headless::set_time(0xFFFFFFFFull - 9);
    EXPECT_EQ(0xFFFFFFF6u, DWORD(host().now_ms()));
    host().sleep_ms(20);
    EXPECT_EQ(0x100000000ull + 10, host().now_ms());
    EXPECT_EQ(10u, DWORD(host().now_ms())) << "the 32-bit tick count wraps";
    // Events made after the jump carry the truncated time.
    headless::push_event(pen(EventType::PenDown, 1, 2));
    Event got;
    ASSERT_TRUE(host().poll_event(got));
    EXPECT_EQ(10u, got.time);
}

TEST(HeadlessClock, PollAnswersDueEventsWithoutMovingTime)
{
    host().sleep_ms(500);
    headless::tap(10, 20);
    Event got;
    ASSERT_TRUE(host().poll_event(got));
    EXPECT_EQ(EventType::PenDown, got.type);
    EXPECT_EQ(10, got.x);
    EXPECT_EQ(20, got.y);
    EXPECT_EQ(500u, got.time);
    EXPECT_FALSE(host().poll_event(got)) << "the pen goes up later";
    EXPECT_EQ(500u, host().now_ms()) << "polling never moves the clock";
    host().sleep_ms(49);
    EXPECT_FALSE(host().poll_event(got));
    host().sleep_ms(1);
    ASSERT_TRUE(host().poll_event(got));
    EXPECT_EQ(EventType::PenUp, got.type);
    EXPECT_EQ(550u, got.time);
}

// One wait_event case: what is scheduled, whether wake() came first, the
// timeout, and what the wait must answer and where the clock must end.
struct WaitCase
{
    const char* name;
    int due_now;        // events due at once
    int later_ms;       // >0: one event due this much later
    bool woken;         // wake() before waiting
    uint32_t timeout;
    bool expect_event;
    EventType expect_type;
    uint64_t expect_clock;
};

TEST(HeadlessClock, WaitEventRules)
{
    const WaitCase cases[] = {
        {"due event answers at once", 1, 0, false, 100, true, EventType::KeyDown, 1000},
        {"due event wins over a wake", 1, 0, true, 100, true, EventType::KeyDown, 1000},
        {"nothing: the timeout passes", 0, 0, false, 100, false, EventType::None, 1100},
        {"zero timeout does not move time", 0, 0, false, 0, false, EventType::None, 1000},
        {"woken: false at once", 0, 0, true, 100, false, EventType::None, 1000},
        {"woken with INFINITE: false at once", 0, 0, true, INFINITE, false, EventType::None, 1000},
        {"event inside the timeout: clock moves to it", 0, 40, false, 100, true, EventType::KeyDown, 1040},
        {"event exactly at the timeout", 0, 100, false, 100, true, EventType::KeyDown, 1100},
        {"event after the timeout: timeout passes", 0, 150, false, 100, false, EventType::None, 1100},
        {"INFINITE moves to the next event", 0, 2500, false, INFINITE, true, EventType::KeyDown, 3500},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        headless::set_time(1000);
        for (int i = 0; i < c.due_now; i++)
        {
            Event key;
            key.type = EventType::KeyDown;
            key.key = 0x41;
            headless::push_event(key);
        }
        if (c.later_ms > 0)
        {
            ASSERT_TRUE(headless::run_script_text("wait " + std::to_string(c.later_ms) + "\nkeydown A\n"));
        }
        if (c.woken)
        {
            host().wake();
        }
        Event got;
        bool answered = host().wait_event(got, c.timeout);
        EXPECT_EQ(c.expect_event, answered);
        if (answered)
        {
            EXPECT_EQ(c.expect_type, got.type);
            EXPECT_EQ(0x41u, got.key);
        }
        EXPECT_EQ(c.expect_clock, host().now_ms());
        // Leave nothing behind for the next case.
        ASSERT_TRUE(headless::run_script_text(""));
        headless::set_time(1000000);
        while (host().poll_event(got))
        {
        }
        host().wake();
        host().wait_event(got, 0);
    }
}

TEST(HeadlessClock, WakeIsConsumedByOneWait)
{
    host().wake();
    host().wake();
    Event got;
    EXPECT_FALSE(host().wait_event(got, 100));
    EXPECT_EQ(0u, host().now_ms()) << "the wake answered without waiting";
    EXPECT_FALSE(host().wait_event(got, 100));
    EXPECT_EQ(100u, host().now_ms()) << "the second wait ran its timeout";
}

TEST(HeadlessClock, IdleInfiniteWaitEndsWithClose)
{
    headless::set_idle_grace(10);
    Event got;
    ASSERT_TRUE(host().wait_event(got, INFINITE));
    EXPECT_EQ(EventType::Close, got.type);
}

TEST(HeadlessClock, WakeFromAnotherThreadEndsAnIdleWait)
{
    headless::set_idle_grace(60000);
    std::thread other([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        backend().wake();
    });
    Event got;
    EXPECT_FALSE(host().wait_event(got, INFINITE)) << "expected the wake, not Close";
    other.join();
}

TEST(HeadlessClock, EventPushedFromAnotherThreadEndsAnIdleWait)
{
    headless::set_idle_grace(60000);
    std::thread other([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        headless::key(0x0D);
    });
    Event got;
    ASSERT_TRUE(host().wait_event(got, INFINITE));
    EXPECT_EQ(EventType::KeyDown, got.type);
    EXPECT_EQ(0x0Du, got.key);
    other.join();
}

namespace {

struct Tone
{
    int calls = 0;
    int largest_block = 0;
    int16_t level = 0;
};

void fill_tone(int16_t* out, int frames, void* user)
{
    auto* tone = static_cast<Tone*>(user);
    tone->calls++;
    tone->largest_block = std::max(tone->largest_block, frames);
    for (int i = 0; i < frames * 2; i++)
    {
        out[i] = (i & 1) ? int16_t(-tone->level) : tone->level;
    }
}

} // namespace

TEST(HeadlessAudio, PulledAsTheClockMoves)
{
    struct
    {
        int rate;
        uint32_t sleep;
        uint64_t frames;
    } cases[] = {{44100, 1000, 44100}, {22050, 1000, 22050}, {44100, 10, 441}, {8000, 3, 24}, {11025, 0, 0}};
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.rate);
        Tone tone;
        tone.level = 1234;
        ASSERT_TRUE(host().audio_start(c.rate, fill_tone, &tone));
        EXPECT_TRUE(headless::audio_running());
        host().sleep_ms(c.sleep);
        EXPECT_EQ(c.frames, headless::audio_frames());
        EXPECT_LE(tone.largest_block, 1024) << "audio is pulled in blocks";
        host().audio_stop();
        EXPECT_FALSE(headless::audio_running());
        int calls = tone.calls;
        host().sleep_ms(1000);
        EXPECT_EQ(calls, tone.calls) << "nothing is pulled after audio_stop";
    }
    EXPECT_EQ(1234, headless::audio_peak());
}

TEST(HeadlessAudio, WaitsPullAudioToo)
{
    Tone tone;
    ASSERT_TRUE(host().audio_start(1000, fill_tone, &tone));
    Event got;
    EXPECT_FALSE(host().wait_event(got, 250));
    EXPECT_EQ(250u, headless::audio_frames());
    ASSERT_TRUE(headless::run_script_text("wait 100\ntap 1 1\n"));
    ASSERT_TRUE(host().wait_event(got, INFINITE));
    EXPECT_EQ(350u, headless::audio_frames()) << "moving to the next event pulls the audio in between";
    host().audio_stop();
}

TEST(HeadlessAudio, StartRefusesBadArguments)
{
    Tone tone;
    EXPECT_FALSE(host().audio_start(0, fill_tone, &tone));
    EXPECT_FALSE(host().audio_start(44100, nullptr, &tone));
    EXPECT_FALSE(headless::audio_running());
}

TEST(HeadlessHost, RemembersTextInputCursorAndPresents)
{
    EXPECT_EQ(-1, headless::text_input_state());
    EXPECT_EQ(-1, headless::last_cursor());
    host().text_input(true);
    EXPECT_EQ(1, headless::text_input_state());
    host().text_input(false);
    EXPECT_EQ(0, headless::text_input_state());
    host().set_cursor(32514);
    EXPECT_EQ(32514, headless::last_cursor());
    RECT area = {0, 0, 10, 10};
    host().present(&area);
    host().present(nullptr);
    EXPECT_EQ(2, headless::presents());
}

// A program that draws and comes straight back for input (an unpaced game
// loop, a page run from a 0 ms timer) still sees its clock move: each frame
// shown costs the frame time. Frames that sleep that long cost nothing more,
// and a poll with nothing drawn costs nothing.
TEST(HeadlessClock, FramesShownCostTheFrameTime)
{
    headless::set_frame_cost(20);
    Event got;
    uint64_t start = host().now_ms();
    for (int frame = 0; frame < 5; frame++)
    {
        host().poll_event(got);
        host().present(nullptr);
    }
    host().poll_event(got);
    EXPECT_EQ(start + 5 * 20, host().now_ms()) << "five frames drawn without waiting";

    host().poll_event(got);
    host().poll_event(got);
    EXPECT_EQ(start + 100, host().now_ms()) << "asking for input without drawing is free";

    host().sleep_ms(30);
    host().present(nullptr);
    host().poll_event(got);
    EXPECT_EQ(start + 130, host().now_ms()) << "a frame that slept its time costs nothing more";

    host().sleep_ms(5);
    host().present(nullptr);
    host().present(nullptr);
    host().poll_event(got);
    EXPECT_EQ(start + 150, host().now_ms()) << "several presents in one frame cost one frame";

    headless::set_frame_cost(0);
    host().present(nullptr);
    host().poll_event(got);
    EXPECT_EQ(start + 150, host().now_ms()) << "with no frame cost, drawing is free";
}
