// level_fuzz.cpp -- the level reader on arbitrary bytes
//
// A level that reads must hold only records inside the file: every list
// ends with its end point, texts end inside the file, links are records or
// the small values.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ravenor/game/world/level.h"

namespace {

void CheckText(const LevelBlock& level, const char* text)
{
    if (text == nullptr)
        return;
    const char* begin = reinterpret_cast<const char*>(level.bytes.data());
    if (text < begin || text >= begin + level.bytes.size() || std::memchr(text, 0, begin + level.bytes.size() - text) == nullptr)
        __builtin_trap();
}

void CheckLink(const Link& link)
{
    if (!link.IsNode() && (link.value < -1 || link.value > 3))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    std::unique_ptr<LevelBlock> level = ReadLevel(std::vector<uint8_t>(data, data + size), error);
    if (!level)
        return 0;
    for (const auto& list : level->lists)
    {
        if (list->PointCount() < 2 || list->Point(list->PointCount())[0] != kLevelEnd)
            __builtin_trap();
        ScaleObjectCoords(*list);
    }
    for (const auto& node : level->nodes)
    {
        for (const char* text : node->startLines)
            CheckText(*level, text);
        for (const auto& lines : node->endLines)
            for (const char* text : lines)
                CheckText(*level, text);
        for (const Link& link : node->links)
            CheckLink(link);
        CheckLink(node->next);
        CheckLink(node->companion);
    }
    return 0;
}
