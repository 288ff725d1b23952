// headless_backend.h -- the headless back end: virtual clock, scripted input
#pragma once

#include "os/host/headless.h"
#include "os/host/headless/player.h"

#include <condition_variable>
#include <mutex>

namespace os::host::headless {

class HeadlessBackend : public Backend
{
public:
    HeadlessBackend();

    const char* name() const override { return "headless"; }
    uint64_t now_ms() override;
    void sleep_ms(uint32_t ms) override;
    void present(const RECT* area) override;
    bool poll_event(Event& event) override;
    bool wait_event(Event& event, uint32_t timeout_ms) override;
    void wake() override;
    int message_box(const std::u16string& text, const std::u16string& caption, UINT flags) override;
    void text_input(bool on) override;
    void set_cursor(int id) override;
    bool audio_start(int rate, AudioFill fill, void* user) override;
    void audio_stop() override;
    std::vector<std::pair<std::string, std::string>> handover_environment() override;
    std::vector<std::string> missed_shots() override;

    // A program run without a script is closed at virtual time `limit_ms`,
    // and ended if it is still running at twice that.
    void limit_unscripted_run(uint64_t limit_ms);

    // Every frame a program shows costs at least `ms` of virtual time (0:
    // frames cost nothing, as in unit tests that set the clock themselves).
    // A frame ends when the program comes back for input after drawing on
    // the screen; a frame that slept as long or longer costs nothing more.
    void set_frame_cost(uint32_t ms);

    // Test side (see headless.h)
    void inject(const std::vector<script::Action>& actions);
    bool run_script(const std::string& text);
    void set_time(uint64_t ms);
    void set_idle_grace(uint32_t ms);
    void queue_answer(int id);
    const std::vector<BoxRecord>& boxes();
    void clear_boxes();
    int text_input_state();
    int last_cursor();
    int presents();
    bool audio_running();
    uint64_t audio_frames();
    int audio_peak();
    int shots_taken();

private:
    void advance_to(uint64_t time);
    void end_frame();
    void note_input_asked();
    bool wait_for_input(Event& event, uint32_t timeout_ms);
    void pump_audio();

    std::mutex lock_;
    std::condition_variable woken_cv_;
    uint64_t now_ = 0;
    bool woken_ = false;
    uint32_t idle_grace_ms_ = 3000;
    uint64_t run_limit_ms_ = 0; // 0: none
    script::Player player_;
    std::vector<BoxRecord> boxes_;
    int text_input_ = -1;
    int cursor_ = -1;
    int presents_ = 0;
    uint32_t frame_cost_ms_ = 0;
    bool frame_drawn_ = false;     // the screen was drawn on since the last frame ended
    uint64_t frame_start_ = 0;     // virtual time at which the frame being drawn began
    uint64_t last_input_ask_ = 0;  // virtual time at which the program last had its input

    std::recursive_mutex audio_lock_;
    AudioFill fill_ = nullptr;
    void* fill_user_ = nullptr;
    int rate_ = 0;
    uint64_t audio_start_ms_ = 0;
    uint64_t audio_frames_ = 0;
    int audio_peak_ = 0;
    bool pumping_ = false;
};

} // namespace os::host::headless
