// stage_tables.cpp -- the stages' level names, tunes and showcase cars, and
// the view distance from the detail setting
#include "ravenor/game/world/stage_tables.h"

#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/span_fill.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/stage_state.h"

const char* const kLevelNames[kLevelCount] = {
    "stg000.lev", "stg001.lev", "stg002.lev", "stg003.lev", "stg004.lev", "stg005.lev", "stg006.lev", "stg007.lev",
    "stg008.lev", "stg009.lev", "stg010.lev", "stg011.lev", "stg012.lev", "stg013.lev", "stg014.lev", "stg015.lev",
    "stg016.lev", "stg017.lev", "stg018.lev", "stg019.lev", "stg020.lev", "stg021.lev", "stg022.lev", "stg023.lev",
    "stg024.lev", "stg025.lev", "stg026.lev", "stg027.lev", "stg028.lev", "stg029.lev", "stg030.lev", "stg031.lev",
    "stg032.lev", "stg033.lev", "stg034.lev", "stg035.lev", "stg036.lev", "stg037.lev", "stg038.lev"};

namespace {

// Stages come in groups of four after the demo: 1-4, 5-8, ...
int Group(int stage)
{
    return stage == 0 ? -1 : (stage - 1) / 4;
}

} // namespace

const char* StageTune(int stage)
{
    if (stage < 0 || stage >= kStageCount)
        return "music1.wav";
    if (stage <= 4 || (stage >= 13 && stage <= 16) || (stage >= 25 && stage <= 28))
        return "music1.wav";
    if ((stage >= 5 && stage <= 8) || (stage >= 17 && stage <= 20) || (stage >= 29 && stage <= 32))
        return "music2.wav";
    return "music3.wav";
}

int32_t ShowcaseClass(int stage)
{
    static const int32_t byGroup[8] = {kClassTrafficToyota, kClassTrafficPrelude, kClassTrafficVan,
                                       kClassTrafficConcorde, kClassTrafficHearse, kClassTrafficAmartin,
                                       kClassTrafficPorsche, kClassTrafficF360};
    if (stage <= 0 || stage >= kStageCount)
        return kClassTrafficConcorde;
    if (stage == 33)
        return kClassQuestionMark;
    return byGroup[Group(stage)];
}

void SetViewDistance(int32_t detail)
{
    const int32_t step = detail / 16;
    g_stage.view.farLimit = -(3500 + 1000 * step);
    g_stage.view.fogShift = 10 + step / 2;
    g_stage.view.fogWidth = 1 << g_stage.view.fogShift;
    g_stage.view.fogStart = (3500 + 1000 * step - g_stage.view.fogWidth - 300) << 16;
    g_stage.view.activity = 60;
    g_renderer.farDistance = g_stage.view.farLimit;
    SetSpanFog(g_stage.view.farLimit, g_stage.view.fogShift);
}
