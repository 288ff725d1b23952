// log_test.cpp -- the log and profiling hooks write nothing
#include <gtest/gtest.h>

#include "ravenor/engine/core/log.h"

TEST(LogHooks, WriteNothing)
{
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    Log("line %d", 1);
    LogFormat("Display::Create( hwnd = %08X, W:%d, H:%d, O:%d, S:%d )", 1u, 176, 220, 0, 1);
    ProfileBegin("FlushScreen");
    ProfileEnd("FlushScreen");
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}
