// display_log.h -- the display layer's log sink
//
// The display layer and its drivers describe every step here; the sink
// discards the lines in this build. Tests may install a recorder.
#pragma once

#include <string>

void DisplayLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Tests: receives every formatted line (nullptr: discard again).
void SetDisplayLogSink(void (*sink)(const std::string& line));
