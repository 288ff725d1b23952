// headless.h -- driving the headless back end from tests
//
// The headless back end runs on a virtual clock: nothing happens until a
// test (or the input script) schedules it. Events given here are due now
// unless stated; a tap or key press is held for script::kPressMs.
//
//     os::host::headless::tap(20, 30);       // pen down now, up 50 ms later
//     os::host::headless::queue_answer(IDNO); // the next message box says No
//     os::host::headless::advance(1000);      // one virtual second passes
//
// Every call here requires the headless back end to be the current one.
#pragma once

#include "os/host/host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace os::host::headless {

struct BoxRecord
{
    std::u16string caption;
    std::u16string text;
    UINT flags = 0;
    int answer = 0;
};

// Input
void push_event(const Event& event);
void tap(int x, int y);
void key(UINT vk);
void type(const std::u16string& text);

// Runs a script from its first command on the virtual clock from now, in
// place of any script given so far. False (and nothing scheduled) when a
// line is malformed; the reason goes to stderr.
bool run_script_text(const std::string& text);

// The clock
void advance(uint32_t ms); // as Sleep(ms)
void set_time(uint64_t ms);
// The virtual time a frame shown costs at least (OS_FRAME_MS in a program run).
void set_frame_cost(uint32_t ms);
// Real time an INFINITE wait with nothing scheduled waits before Close.
void set_idle_grace(uint32_t ms);

// Message boxes
void queue_answer(int id);
const std::vector<BoxRecord>& boxes();
void clear_boxes();

// What the program asked of the host
int text_input_state(); // 1 after text_input(true), 0 after false, -1 never asked
int last_cursor();      // the last set_cursor id, -1 never asked
int presents();         // present() calls so far

// Audio pulled on the virtual clock
bool audio_running();
uint64_t audio_frames(); // stereo frames pulled since audio_start
int audio_peak();        // the largest sample magnitude pulled so far

// Screenshots of the script land in OS_OUT (default: the current folder).
int shots_taken();

} // namespace os::host::headless
