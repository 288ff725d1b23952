// test_api.cpp -- the functions tests use to drive the headless back end
#include "os/host/headless/headless_backend.h"

#include <cstdio>
#include <cstdlib>

namespace os::host::headless {

namespace {

HeadlessBackend& current()
{
    auto* headless = dynamic_cast<HeadlessBackend*>(&backend());
    if (!headless)
    {
        fprintf(stderr, "the headless test interface needs OS_BACKEND=headless (the back end is %s)\n",
                backend().name());
        abort();
    }
    return *headless;
}

// One command laid out from now, as a script would.
void inject_command(const script::Command& command)
{
    HeadlessBackend& headless = current();
    headless.inject(script::schedule({command}, 0, headless.now_ms(), false));
}

} // namespace

void push_event(const Event& event)
{
    HeadlessBackend& headless = current();
    script::Action action;
    action.due = headless.now_ms();
    action.event = event;
    action.event.time = DWORD(action.due);
    headless.inject({action});
}

void tap(int x, int y)
{
    script::Command command;
    command.op = script::Op::Tap;
    command.x1 = x;
    command.y1 = y;
    inject_command(command);
}

void key(UINT vk)
{
    script::Command command;
    command.op = script::Op::Key;
    command.vk = vk;
    inject_command(command);
}

void type(const std::u16string& text)
{
    script::Command command;
    command.op = script::Op::Text;
    command.text = text;
    inject_command(command);
}

bool run_script_text(const std::string& text)
{
    return current().run_script(text);
}

void advance(uint32_t ms)
{
    current().sleep_ms(ms);
}

void set_time(uint64_t ms)
{
    current().set_time(ms);
}

void set_frame_cost(uint32_t ms)
{
    current().set_frame_cost(ms);
}

void set_idle_grace(uint32_t ms)
{
    current().set_idle_grace(ms);
}

void queue_answer(int id)
{
    current().queue_answer(id);
}

const std::vector<BoxRecord>& boxes()
{
    return current().boxes();
}

void clear_boxes()
{
    current().clear_boxes();
}

int text_input_state()
{
    return current().text_input_state();
}

int last_cursor()
{
    return current().last_cursor();
}

int presents()
{
    return current().presents();
}

bool audio_running()
{
    return current().audio_running();
}

uint64_t audio_frames()
{
    return current().audio_frames();
}

int audio_peak()
{
    return current().audio_peak();
}

int shots_taken()
{
    return current().shots_taken();
}

} // namespace os::host::headless
