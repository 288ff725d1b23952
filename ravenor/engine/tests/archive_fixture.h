// archive_fixture.h -- archives built in memory for the engine's tests
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ravenor/engine/data/data_archive.h"
#include "content/ravenor/archive_writer.h"

namespace archive_fixture {

using Bytes = std::vector<uint8_t>;
using Files = std::vector<std::pair<std::string, Bytes>>;

inline Bytes BuildArchive(const Files& files)
{
    ravenor_content::ArchiveWriter writer;
    for (const auto& [name, bytes] : files)
        writer.Add(name, bytes);
    return writer.Build();
}

// Makes an archive image the current archive; fails the test when it is refused.
inline void Mount(const Bytes& image)
{
    DataArchive::Reset();
    std::string error;
    ASSERT_TRUE(DataArchive::Attach(std::make_unique<MemoryStream>(image), &error)) << error;
}

inline void Mount(const Files& files)
{
    Mount(BuildArchive(files));
}

inline Bytes Sequence(size_t n, uint8_t first)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(first + i);
    return b;
}

} // namespace archive_fixture
