// headless_backend.cpp -- the back end without a display
//
// Time is virtual: Sleep and idle waits move the clock instead of waiting,
// so a scripted session runs as fast as the program can compute and gives
// the same result every time. In a program run a frame shown also costs
// virtual time (OS_FRAME_MS), so a program that draws without ever waiting
// still sees its clock move, at a frame rate a device could show, and a
// scripted race of 20 seconds draws the frames of 20 seconds, no more. Input comes from tests and from the script in
// OS_SCRIPT; message boxes are recorded and answered at once; audio is pulled
// as the clock moves.
#include "os/host/headless/headless_backend.h"
#include "os/host/backends_private.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace os::host::headless {

namespace {

constexpr int kAudioBlockFrames = 1024;

} // namespace

HeadlessBackend::HeadlessBackend()
{
    std::string grace = env("OS_IDLE_GRACE_MS");
    if (!grace.empty())
    {
        idle_grace_ms_ = uint32_t(strtoul(grace.c_str(), nullptr, 10));
    }
    player_.load_from_environment(0);
}

uint64_t HeadlessBackend::now_ms()
{
    std::lock_guard<std::mutex> hold(lock_);
    return now_;
}

void HeadlessBackend::sleep_ms(uint32_t ms)
{
    uint64_t target = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        target = now_ + ms;
    }
    // While a waitfile holds the script the clock may not run ahead of real
    // time (a program sleeping in a loop would spin otherwise): the part of
    // the sleep beyond it lasts real time, in short steps, until the hold ends.
    while (ms > 0)
    {
        uint64_t limit = 0;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (!player_.holding())
            {
                break;
            }
            limit = player_.hold_limit();
        }
        if (target <= limit)
        {
            break;
        }
        advance_to(limit);
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min<uint64_t>(script::kWaitFilePollMs, target - limit)));
    }
    advance_to(target);
}

// Moves the clock forward to `time` (never back) and lets audio catch up.
void HeadlessBackend::advance_to(uint64_t time)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        now_ = std::max(now_, time);
        if (run_limit_ms_ && now_ >= 2 * run_limit_ms_)
        {
            fprintf(stderr, "no input script: the program did not close within %llu ms of virtual time; ended\n",
                    static_cast<unsigned long long>(2 * run_limit_ms_));
            fflush(nullptr);
            _exit(0);
        }
    }
    pump_audio();
}

void HeadlessBackend::limit_unscripted_run(uint64_t limit_ms)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (player_.has_script() || limit_ms == 0)
    {
        return;
    }
    run_limit_ms_ = limit_ms;
    script::Action close;
    close.due = limit_ms;
    close.event = script::input_event(EventType::Close);
    close.event.time = DWORD(limit_ms);
    close.note = "no input script: the program is closed after " + std::to_string(limit_ms) +
                 " ms of virtual time (OS_RUN_LIMIT_MS)";
    player_.inject({close});
}

void HeadlessBackend::set_frame_cost(uint32_t ms)
{
    std::lock_guard<std::mutex> hold(lock_);
    frame_cost_ms_ = ms;
    frame_drawn_ = false;
}

// Called where the program comes back for input: a frame drawn since the
// last one ended has taken at least the frame cost.
void HeadlessBackend::end_frame()
{
    uint64_t target = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (direct_drawing_ && frame_cost_ms_ > 0 && !frame_drawn_)
        {
            // Drawing straight into the held screen shows nothing to the
            // back end: every turn of the program's loop is a frame.
            frame_drawn_ = true;
            frame_start_ = last_input_ask_;
        }
        if (!frame_drawn_)
        {
            return;
        }
        frame_drawn_ = false;
        target = std::max(now_, frame_start_ + frame_cost_ms_);
    }
    advance_to(target);
}

void HeadlessBackend::pump_audio()
{
    std::lock_guard<std::recursive_mutex> hold(audio_lock_);
    if (pumping_ || !fill_)
    {
        return;
    }
    pumping_ = true;
    uint64_t due = (now_ms() - audio_start_ms_) * uint64_t(rate_) / 1000;
    int16_t block[kAudioBlockFrames * 2];
    while (fill_ && audio_frames_ < due)
    {
        int frames = int(std::min<uint64_t>(kAudioBlockFrames, due - audio_frames_));
        std::fill(block, block + frames * 2, int16_t(0));
        fill_(block, frames, fill_user_);
        for (int i = 0; i < frames * 2; i++)
        {
            audio_peak_ = std::max(audio_peak_, std::abs(int(block[i])));
        }
        audio_frames_ += uint64_t(frames);
    }
    pumping_ = false;
}

void HeadlessBackend::present(const RECT* area)
{
    std::lock_guard<std::mutex> hold(lock_);
    presents_++;
    if (frame_cost_ms_ > 0 && !frame_drawn_)
    {
        // The frame began when the program last had its input.
        frame_drawn_ = true;
        frame_start_ = last_input_ask_;
    }
}

void HeadlessBackend::set_direct_drawing(bool on)
{
    std::lock_guard<std::mutex> hold(lock_);
    direct_drawing_ = on;
}

bool HeadlessBackend::poll_event(Event& event)
{
    end_frame();
    bool taken = script::take_due_input(player_, lock_, *this, event);
    note_input_asked();
    return taken;
}

bool HeadlessBackend::wait_event(Event& event, uint32_t timeout_ms)
{
    end_frame();
    bool taken = wait_for_input(event, timeout_ms);
    note_input_asked();
    return taken;
}

// The program has what it asked for: what it does next is its next frame.
void HeadlessBackend::note_input_asked()
{
    std::lock_guard<std::mutex> hold(lock_);
    last_input_ask_ = now_;
}

bool HeadlessBackend::wait_for_input(Event& event, uint32_t timeout_ms)
{
    uint64_t deadline = timeout_ms == INFINITE ? UINT64_MAX : now_ms() + timeout_ms;
    for (;;)
    {
        if (script::take_due_input(player_, lock_, *this, event))
        {
            return true;
        }
        std::unique_lock<std::mutex> hold(lock_);
        if (woken_)
        {
            woken_ = false;
            return false;
        }
        uint64_t next = player_.next_due(program_state());
        if (next != UINT64_MAX && next <= deadline)
        {
            hold.unlock();
            advance_to(next);
            continue;
        }
        if (player_.holding())
        {
            // The script waits for a file another process writes: the clock
            // keeps to real time meanwhile, and the file is looked for again
            // after a short while; woken as usual by wake().
            uint64_t limit = player_.hold_limit();
            if (deadline <= limit)
            {
                hold.unlock();
                advance_to(deadline);
                return false;
            }
            uint64_t step = std::min<uint64_t>(script::kWaitFilePollMs, deadline - limit);
            woken_cv_.wait_for(hold, std::chrono::milliseconds(step), [this] { return woken_; });
            limit = std::min(player_.hold_limit(), deadline);
            hold.unlock();
            advance_to(limit);
            continue;
        }
        if (deadline != UINT64_MAX)
        {
            hold.unlock();
            advance_to(deadline);
            return false;
        }
        // Nothing will ever happen on the virtual clock: give other threads
        // a real moment to post something, then close the program.
        auto ready = [this] { return woken_ || player_.next_due(program_state()) != UINT64_MAX; };
        if (woken_cv_.wait_for(hold, std::chrono::milliseconds(idle_grace_ms_), ready))
        {
            continue;
        }
        fprintf(stderr, "headless: nothing to do for %u ms of real time at %llu ms; the program is closed\n",
                unsigned(idle_grace_ms_), static_cast<unsigned long long>(now_));
        event = Event();
        event.type = EventType::Close;
        event.time = DWORD(now_);
        return true;
    }
}

void HeadlessBackend::wake()
{
    std::lock_guard<std::mutex> hold(lock_);
    woken_ = true;
    woken_cv_.notify_all();
}

int HeadlessBackend::message_box(const std::u16string& text, const std::u16string& caption, UINT flags)
{
    std::lock_guard<std::mutex> hold(lock_);
    int answer = player_.answer_box(now_, flags);
    boxes_.push_back(BoxRecord{caption, text, flags, answer});
    report_box(caption, text, answer);
    return answer;
}

void HeadlessBackend::text_input(bool on)
{
    std::lock_guard<std::mutex> hold(lock_);
    text_input_ = on ? 1 : 0;
}

void HeadlessBackend::set_cursor(int id)
{
    std::lock_guard<std::mutex> hold(lock_);
    cursor_ = id;
}

bool HeadlessBackend::audio_start(int rate, AudioFill fill, void* user)
{
    if (rate <= 0 || !fill)
    {
        return false;
    }
    uint64_t now = now_ms();
    std::lock_guard<std::recursive_mutex> hold(audio_lock_);
    fill_ = fill;
    fill_user_ = user;
    rate_ = rate;
    audio_start_ms_ = now;
    audio_frames_ = 0;
    return true;
}

void HeadlessBackend::audio_stop()
{
    std::lock_guard<std::recursive_mutex> hold(audio_lock_);
    fill_ = nullptr;
    fill_user_ = nullptr;
}

std::vector<std::string> HeadlessBackend::missed_shots()
{
    std::lock_guard<std::mutex> hold(lock_);
    return player_.missed_shots();
}

// The child continues the script from the first command this process has
// not delivered; from now on this process delivers none.
std::vector<std::pair<std::string, std::string>> HeadlessBackend::handover_environment()
{
    std::lock_guard<std::mutex> hold(lock_);
    return player_.handover();
}

void HeadlessBackend::inject(const std::vector<script::Action>& actions)
{
    std::lock_guard<std::mutex> hold(lock_);
    player_.inject(actions);
    woken_cv_.notify_all();
}

bool HeadlessBackend::run_script(const std::string& text)
{
    std::lock_guard<std::mutex> hold(lock_);
    bool ok = player_.run_text(text, now_);
    woken_cv_.notify_all();
    return ok;
}

void HeadlessBackend::set_time(uint64_t ms)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        now_ = ms;
    }
    std::lock_guard<std::recursive_mutex> hold(audio_lock_);
    audio_start_ms_ = rate_ > 0 ? ms - audio_frames_ * 1000 / uint64_t(rate_) : ms;
}

void HeadlessBackend::set_idle_grace(uint32_t ms)
{
    std::lock_guard<std::mutex> hold(lock_);
    idle_grace_ms_ = ms;
}

void HeadlessBackend::queue_answer(int id)
{
    std::lock_guard<std::mutex> hold(lock_);
    player_.queue_answer(id);
}

const std::vector<BoxRecord>& HeadlessBackend::boxes()
{
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
}

void HeadlessBackend::clear_boxes()
{
    std::lock_guard<std::mutex> hold(lock_);
    boxes_.clear();
}

int HeadlessBackend::text_input_state()
{
    std::lock_guard<std::mutex> hold(lock_);
    return text_input_;
}

int HeadlessBackend::last_cursor()
{
    std::lock_guard<std::mutex> hold(lock_);
    return cursor_;
}

int HeadlessBackend::presents()
{
    std::lock_guard<std::mutex> hold(lock_);
    return presents_;
}

bool HeadlessBackend::audio_running()
{
    std::lock_guard<std::recursive_mutex> hold(audio_lock_);
    return fill_ != nullptr;
}

uint64_t HeadlessBackend::audio_frames()
{
    std::lock_guard<std::recursive_mutex> hold(audio_lock_);
    return audio_frames_;
}

int HeadlessBackend::audio_peak()
{
    std::lock_guard<std::recursive_mutex> hold(audio_lock_);
    return audio_peak_;
}

int HeadlessBackend::shots_taken()
{
    std::lock_guard<std::mutex> hold(lock_);
    return player_.shots_taken();
}

} // namespace os::host::headless

namespace os::host {

std::unique_ptr<Backend> make_headless_backend()
{
    return std::make_unique<headless::HeadlessBackend>();
}

} // namespace os::host
