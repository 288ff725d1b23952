// stage.cpp -- stage tables, level loading and object creation
#include "ravenor/game/stage/stage.h"

#include <cstdio>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/render/frame_buffer.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/span_fill.h"
#include "ravenor/game/base/settings.h"
#include "ravenor/game/base/sound.h"
#include "ravenor/game/behaviours/behaviours.h"
#include "ravenor/game/classes/arrows.h"
#include "ravenor/game/effects/particles.h"
#include "ravenor/game/front_end/menu.h"
#include "ravenor/game/stage/game_step.h"
#include "ravenor/game/world/class_messages.h"
#include "ravenor/game/world/entity.h"
#include "ravenor/game/world/ground.h"
#include "ravenor/game/world/hud.h"
#include "ravenor/game/world/stage_state.h"
#include "ravenor/game/world/stage_tables.h"



std::unique_ptr<LevelBlock> LoadLevel(int stage)
{
    if (stage < 0 || stage >= kLevelCount)
        return nullptr;
    const char* name = kLevelNames[stage];
    if (!DataArchive::OpenFile(name))
        return nullptr;
    const uint32_t size = DataArchive::GetFileSize();
    std::vector<uint8_t> bytes(size);
    const bool read = size > 0 && DataArchive::Read(bytes.data(), 1, size);
    DataArchive::CloseFile();
    if (!read)
    {
        std::fprintf(stderr, "%s: cannot be read\n", name);
        return nullptr;
    }
    std::string error;
    std::unique_ptr<LevelBlock> block = ReadLevel(std::move(bytes), error);
    if (!block)
        std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    return block;
}

void CreateLevelObjects()
{
    ResetAllEntities();
    for (ObjectEntry& entry : g_stage.level->objects)
    {
        ScaleObjectCoords(*entry.list);
        if (SendClassMessage(entry.OwnClass(), nullptr, kMsgDropQuery) == 1)
            DropObjectsToGround(*entry.list);
        for (int k = 3; k <= 8; ++k)
            SendClassMessage(entry.words[k], nullptr, kMsgLoad);
    }
    PrepareRecords(*g_stage.level);
}

bool StartStage(int stage)
{
    if (!StartLevel([stage] { return LoadLevel(stage); }))
        return false;
    PlayTune(StageTune(stage));
    StartEngineIdle();
    UpdateKeyFlags();
    return true;
}

bool StartLevel(const std::function<std::unique_ptr<LevelBlock>()>& load)
{
    g_stage.state = 0;
    g_stage.driverSlotCount = 0;
    g_entityWorld.activeHead = nullptr;
    g_entityWorld.activeCount = 0;
    g_entityWorld.trafficLimit = 0;
    g_stage.controlsLive = false;
    g_entityWorld.player = nullptr;
    ResetBehaviours();
    ResetGameStep();
    ResetParticles();
    ResetArrows();
    SetViewDistance(static_cast<int32_t>(g_settings.detail));
    g_stage.level = load();
    if (!g_stage.level)
        return false;
    CreateLevelObjects();
    return true;
}

void EndStage()
{
    ClearWorld();
    g_entityWorld.player = nullptr;
    g_stage.controlsLive = false;
}

void CloseStage()
{
    // The stage is heard to its last faded frame; clearing the world stops
    // its sounds.
    PresentFrameNoClear(0);
    FadeOut();
    // The stage's lines were seen in the stage; the front end starts clean.
    ClearMessages();
    EndStage();
}
