// shell_fixture.h -- the demo content mounted and the program's window open, in-process
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "content/ravenor/archive_writer.h"
#include "content/ravenor/demo_content.h"
#include "os/testing/host.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/game/base/shell_state.h"
#include "ravenor/game/shell/startup.h"

inline void MountDemoArchive()
{
    ravenor_content::ArchiveWriter writer;
    for (ravenor_content::DemoEntry& entry : ravenor_content::DemoArchiveEntries())
        writer.Add(entry.name, std::move(entry.data));
    DataArchive::Reset();
    std::string error;
    ASSERT_TRUE(DataArchive::Attach(std::make_unique<MemoryStream>(writer.Build()), &error)) << error;
}

// The window of class "Ravenor" with its procedure, on the 176 x 220 screen.
inline void OpenGameWindow()
{
    os::host::set_default_screen(176, 220, 16);
    ASSERT_TRUE(CreateGameWindow(nullptr, nullptr));
}

inline uint16_t ScreenPixel(int x, int y)
{
    os::host::Screen& screen = os::host::screen();
    return reinterpret_cast<const uint16_t*>(screen.pixels + y * screen.pitch)[x];
}
