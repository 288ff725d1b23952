// stage.cpp -- stage tables, level loading and object creation
#include "ravenor/game/stage.h"

#include <cstdio>

#include "ravenor/engine/core/frame_pacing.h"
#include "ravenor/engine/data/data_archive.h"
#include "ravenor/engine/render/poly_renderer.h"
#include "ravenor/engine/render/span_fill.h"
#include "ravenor/game/arrows.h"
#include "ravenor/game/class_messages.h"
#include "ravenor/game/game_step.h"
#include "ravenor/game/ground.h"
#include "ravenor/game/particles.h"
#include "ravenor/game/settings.h"
#include "ravenor/game/behaviours.h"
#include "ravenor/game/stage_state.h"

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

void DropObjectsToGround(CoordList& list)
{
    for (int32_t i = 0; i < list.PointCount(); ++i)
    {
        int32_t* p = &list.words[static_cast<size_t>(i) * 3];
        const GroundProbe probe = ProbeGround(p[0], p[2]);
        if (probe.height != -1)
            p[1] = probe.height;
    }
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

VehicleState* GetDriverSlot(Entity* e)
{
    for (int i = 0; i < g_stage.driverSlotCount; ++i)
        if (e->behaviour != nullptr && g_stage.driverSlots[i].boundBehaviour == e->behaviour)
            return &g_stage.driverSlots[i];
    if (g_stage.driverSlotCount >= kDriverSlots)
        return nullptr;
    VehicleState* slot = &g_stage.driverSlots[g_stage.driverSlotCount++];
    *slot = VehicleState{};
    slot->boundBehaviour = e->behaviour;
    return slot;
}

bool PlaceVehicle(Entity* e, int32_t x, int32_t y, int32_t z, int32_t heading, const void* data)
{
    VehicleState* slot = GetDriverSlot(e);
    if (slot == nullptr)
    {
        EndStageWithMessage("TOO MANY DRIVEN CARS");
        return false;
    }
    ResetDriverState(slot);
    slot->data = data;
    e->vehicle = slot;
    e->orientation.t[0] = x;
    e->orientation.t[1] = e->type->fixedY != -1 ? e->type->fixedY : y;
    e->orientation.t[2] = z;
    e->heading = e->travelHeading = heading & 0xFFF;
    BuildBodyRotation(e);
    // The ground where it now stands, not where the record stood before
    e->probeFrame = 0xFFFFFFFF;
    ProbeRefresh(e);
    for (int i = 0; i < 6; ++i)
    {
        e->probeFrame = 0xFFFFFFFF;
        VehicleBodyStep(e);
        BuildBodyRotation(e);
    }
    // Settling into place is not a frame anybody hears or sees.
    slot->frame = VehicleFrame{};
    return true;
}

void EndStageWithMessage(const char* line)
{
    ShowMessage(line, "", "");
    if (g_stage.state != 17)
        g_stage.state = 16;
}

bool StartStage(int stage)
{
    return StartLevel([stage] { return LoadLevel(stage); });
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
    g_stage.level.reset();
    g_entityWorld.player = nullptr;
    g_stage.controlsLive = false;
}
