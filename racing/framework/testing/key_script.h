// key_script.h -- a race ridden by a person's keys in a headless program
// run: the key events written from an in-process rider on the program's
// clock (a frame every 31 ms, the due key events taken before it), the
// script text, and the events
// read back from it (tests of both racing programs)
#pragma once

#include "racing/framework/testing/program_run.h"
#include "racing/framework/track_model.h"

#include <os/sync.h>
#include <os/sysinfo.h>
#include <os/windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace racing_test {

// The bits of a race page's keyBits.
inline const char* const kKeyNames[4] = {"UP", "DOWN", "LEFT", "RIGHT"};

struct KeyEvent
{
    int ms;       // on the clock of the first frame
    uint32_t bit; // 1 up, 2 down, 4 left, 8 right
    bool down;
};

// The clock of a race page in its program run: each frame costs the frame's
// time (kProgramFrameMs) and the window timer comes a millisecond after the
// program asks for its next message.
constexpr int kRaceFrameMs = kProgramFrameMs + 1;

// Runs a race page as its program does: a frame every kRaceFrameMs of the
// clock, the start lights on the frame timer's windows, the key events due
// by then taken before the frame (the program takes its input before its
// timer's next frame); `decide` is called every frame with the time. Ends when the
// race does (its time) or after `limitMs` (-1). The fixture has `page` (the
// race page, keys through its onKey) and `restartedWith`, and `frame(dt)`
// runs one frame.
template <class Fixture, class Decide>
int rideRace(Fixture& race, std::vector<KeyEvent>& events, Decide decide, int limitMs = 130000)
{
    auto& page = *race.page;
    page.frameTimer.reset();
    const uint32_t start = GetTickCount();
    size_t next = 0;
    for (int ms = 0; ms < limitMs; ms = int(GetTickCount() - start))
    {
        Sleep(kRaceFrameMs);
        ms = int(GetTickCount() - start);
        decide(ms);
        while (next < events.size() && events[next].ms <= ms)
        {
            const KeyEvent& e = events[next++];
            const int key = e.bit == 1 ? VK_UP : e.bit == 2 ? VK_DOWN : e.bit == 4 ? VK_LEFT : VK_RIGHT;
            page.onKey(e.down ? WM_KEYDOWN : WM_KEYUP, key);
        }
        bool windowClosed = page.frameTimer.tick();
        race.frame(page.frameTimer.dt);
        if (windowClosed)
            page.onPeriod(page.frameTimer.dt);
        if (!race.restartedWith.empty())
            return ms;
    }
    return -1;
}

// A driver steering for a point a few segments ahead, as a person would:
// the steering angle kept near what the heading error asks for, throttle
// unless the error is large, the brake when it is larger still above
// `brakeAbove`.
template <class Racer>
uint32_t riderKeys(const Racer& racer, const racing::TrackModel& track, float brakeAbove = 50.0f)
{
    const int n = track.segmentCount;
    const Vector3& target = track.points[size_t((racer.segment + 6) % n)];
    float tx = target.x - racer.motion.position.x, tz = target.z - racer.motion.position.z;
    float hx = racer.heading.x, hz = racer.heading.z;
    float error = std::atan2(hx * tz - hz * tx, hx * tx + hz * tz);
    float wanted = std::clamp(-2.0f * error, -1.15f, 1.15f);
    uint32_t bits = 0;
    if (racer.steerAngle < wanted - 0.05f)
        bits |= 8;
    else if (racer.steerAngle > wanted + 0.05f)
        bits |= 4;
    if (std::fabs(error) < 0.35f || racer.speed() < 40.0f)
        bits |= 1;
    else if (std::fabs(error) > 0.6f && racer.speed() > brakeAbove)
        bits |= 2;
    // Stopped off the track facing out (a car turns only when moving):
    // backing out.
    if (racer.offTrack && std::fabs(racer.speed()) < 5.0f)
        bits = (bits & 12) | 2;
    return bits;
}

// The driver above at the keys from `firstKeyMs` on, deciding every 20 ms:
// the key events it made; the race's end time (-1 when it did not finish).
template <class Fixture>
int driveRace(Fixture& race, std::vector<KeyEvent>& events, int firstKeyMs, float brakeAbove = 50.0f)
{
    uint32_t held = 0;
    int lastDecision = -1;
    // Held still for a second with the keys down (a car stopped dead at the
    // edge turns only when moving): backing up for a while.
    int stillSince = -1, backUntil = -1;
    return rideRace(race, events, [&](int ms) {
        if (ms < firstKeyMs || ms / 20 == lastDecision)
            return;
        lastDecision = ms / 20;
        uint32_t bits = riderKeys(*race.page->player, race.page->track, brakeAbove);
        const float speed = std::fabs(race.page->player->speed());
        stillSince = speed >= 2.0f ? -1 : stillSince < 0 ? ms : stillSince;
        if (stillSince >= 0 && ms - stillSince > 1000)
            backUntil = ms + 800, stillSince = -1;
        if (ms < backUntil)
            bits = (bits & 12) | 2;
        // Written half a frame early: the program, whose frames may fall a
        // few milliseconds off these, takes them before the same frame.
        for (uint32_t bit = 1; bit <= 8; bit <<= 1)
            if ((bits ^ held) & bit)
                events.push_back({ms - kRaceFrameMs / 2, bit, (bits & bit) != 0});
        held = bits;
    });
}

// The script: its header lines, the frame length of the program runs it was
// timed for, the key events with their waits from
// `firstMs` on (shots "lights" first, "mid" halfway), "finish" before the
// end, the keys let go, then "scoreboard".
inline std::string scriptText(const std::string& header, const std::vector<KeyEvent>& events, int endMs,
                              int firstMs = 2500)
{
    std::ostringstream out;
    out << header << "frame " << kProgramFrameMs << " # the frame length the keys were timed with\n"
        << "wait " << firstMs << "\nshot lights\n";
    int at = firstMs;
    bool midShot = false;
    auto waitUntil = [&](int ms) {
        if (ms > at)
            out << "wait " << ms - at << "\n";
        at = std::max(at, ms);
    };
    uint32_t held = 0;
    for (const KeyEvent& e : events)
    {
        if (!midShot && e.ms > endMs / 2)
        {
            waitUntil(e.ms);
            out << "shot mid\n";
            midShot = true;
        }
        waitUntil(e.ms);
        int k = e.bit == 1 ? 0 : e.bit == 2 ? 1 : e.bit == 4 ? 2 : 3;
        out << (e.down ? "keydown " : "keyup ") << kKeyNames[k] << "\n";
        held = e.down ? held | e.bit : held & ~e.bit;
    }
    waitUntil(endMs - 400);
    out << "shot finish\n";
    for (int k = 0; k < 4; ++k)
        if (held & (1u << k))
            out << "keyup " << kKeyNames[k] << "\n";
    out << "wait 2500\nshot scoreboard\n";
    return out.str();
}

// The key events of a script (waits and key commands).
inline std::vector<KeyEvent> scriptEvents(const std::string& text)
{
    std::vector<KeyEvent> events;
    std::istringstream in(text);
    std::string line;
    int at = 0;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        std::string command, argument;
        words >> command >> argument;
        if (command == "wait")
            at += std::stoi(argument);
        else if (command == "keydown" || command == "keyup")
            for (int k = 0; k < 4; ++k)
                if (argument == kKeyNames[k])
                    events.push_back({at, 1u << k, command == "keydown"});
    }
    return events;
}

// The key events of a script file, moved by `shiftMs` (none when it cannot be read).
inline std::vector<KeyEvent> scriptFileEvents(const std::string& path, int shiftMs = 0)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<KeyEvent> events = scriptEvents(text.str());
    for (KeyEvent& e : events)
        e.ms += shiftMs;
    return events;
}

} // namespace racing_test
