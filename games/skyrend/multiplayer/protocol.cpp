// protocol.cpp -- writing and reading every message field by field
#include "games/skyrend/multiplayer/protocol.h"

namespace skyrend::mp {

const WCHAR* const kLogOnAccepted = u"Log-on Accepted";
const WCHAR* const kLogOnWrongGame =
    u"Log-on Refused because the server you haved connected is not the game server for '%s'.";
const WCHAR* const kLogOnDuplicate = u"Log-on Refused because this user has already logged on the server.";
const WCHAR* const kLogOnNotAuthenticated =
    u"Log-on Refused because the account (username/password) did not pass the authentication.";
const WCHAR* const kLogOnBadName =
    u"Log-on Refused because the user name is empty, too long or holds one of the characters { } , :";
const WCHAR* const kLogOnNoRoom =
    u"Log-on Refused because the server has no room for more users now; please try again later.";
const WCHAR* const kGroupAdded = u"A new game group has been added in the game server.";
const WCHAR* const kGroupNotAdded = u"Failed to create new game group, the possible reason:\n (1) There is already a "
                                    u"group with the same name.\n (2) Group number exceeds the upper limit.";
const WCHAR* const kGroupEntered = u"You have entered the game group.";
const WCHAR* const kGroupNotEntered = u"Failed to enter game group, the possible reason:\n (1) There is no such "
                                      u"game group.\n (2) The game group is full.";

namespace {

void putHead(PacketWriter& out, int16_t command)
{
    out.putShort(kHead);
    out.putShort(command);
}

void putVec(PacketWriter& out, const Vec3& v)
{
    out.putFloat(v.x);
    out.putFloat(v.y);
    out.putFloat(v.z);
}

bool readVec(ByteReader& in, Vec3& v)
{
    return in.readFloat(v.x) && in.readFloat(v.y) && in.readFloat(v.z);
}

void putMatrix(PacketWriter& out, const std::array<float, 16>& m)
{
    for (float f : m)
        out.putFloat(f);
}

bool readMatrix(ByteReader& in, std::array<float, 16>& m)
{
    for (float& f : m)
    {
        if (!in.readFloat(f))
            return false;
    }
    return true;
}

bool contains(const std::u16string& text, const WCHAR* part)
{
    return text.find(part) != std::u16string::npos;
}

} // namespace

void StateBlock::write(PacketWriter& out) const
{
    putMatrix(out, orientation);
    for (const auto& m : missiles)
        putMatrix(out, m);
    for (int32_t s : missileStates)
        out.putInt(s);
    out.putFloat(speed);
    out.putFloat(heading);
    out.putFloat(bank);
    out.putFloat(pitch);
    out.putShort(state);
    out.putShort(damage);
    out.putInt(score);
    out.putInt(events);
}

bool StateBlock::read(ByteReader& in)
{
    if (!readMatrix(in, orientation))
        return false;
    for (auto& m : missiles)
    {
        if (!readMatrix(in, m))
            return false;
    }
    for (int32_t& s : missileStates)
    {
        if (!in.readInt(s))
            return false;
    }
    return in.readFloat(speed) && in.readFloat(heading) && in.readFloat(bank) && in.readFloat(pitch) &&
           in.readShort(state) && in.readShort(damage) && in.readInt(score) && in.readInt(events);
}

bool readClientMessage(ByteReader& in, ClientMessage& m)
{
    if (!in.readShort(m.command))
        return false;
    switch (m.command)
    {
    case CmdLogOn:
        return in.readString(m.user) && in.readString(m.password) && in.readString(m.gameId);
    case CmdLogOff:
    case CmdNotFlying:
        return true;
    case CmdGroupList:
        return in.readInt(m.scene);
    case CmdNewGroup:
        return in.readString(m.group) && in.readInt(m.scene);
    case CmdEnterGroup:
        return in.readString(m.group) && in.readString(m.user) && in.readShort(m.plane);
    case CmdMissilePositions:
        if (!in.readString(m.pilot))
            return false;
        for (Vec3& v : m.missilePositions)
        {
            if (!readVec(in, v))
                return false;
        }
        return true;
    case CmdControls:
        return in.readInt(m.controls.keyBits) && in.readInt(m.controls.keyCode) && in.readInt(m.controls.station) &&
               in.readInt(m.controls.flaresInAir) && in.readInt(m.controls.chaffInAir);
    default:
        return false; // fields unknown: the next message cannot be found
    }
}

bool readServerMessage(ByteReader& in, ServerMessage& m)
{
    if (!in.readShort(m.command))
        return false;
    switch (m.command)
    {
    case CmdLogOnAnswer:
    case CmdNewGroupAnswer:
        return in.readString(m.text);
    case CmdLogOffAnswer:
        return true;
    case CmdGroupListAnswer:
    {
        int32_t count = 0;
        if (!in.readInt(count) || count < 0 || count > kMaxListedGroups)
            return false;
        m.groups.resize(size_t(count));
        for (GroupEntry& g : m.groups)
        {
            if (!in.readString(g.name) || !in.readString(g.creator) || !in.readShort(g.members))
                return false;
        }
        return true;
    }
    case CmdEnterAnswer:
    {
        if (!in.readString(m.text))
            return false;
        m.members.clear();
        if (!contains(m.text, u"entered"))
            return true;
        int16_t count = 0;
        if (!in.readShort(count) || count < 0 || count > kMaxListedMembers)
            return false;
        m.members.resize(size_t(count));
        for (MemberEntry& e : m.members)
        {
            if (!in.readString(e.name) || !in.readShort(e.plane) || !readVec(in, e.position))
                return false;
        }
        return true;
    }
    case CmdStates:
    {
        int16_t count = 0;
        if (!in.readShort(count) || count < 0 || count > kMaxListedMembers)
            return false;
        m.states.resize(size_t(count));
        for (AircraftState& s : m.states)
        {
            if (!in.readString(s.pilot) || !s.block.read(in))
                return false;
        }
        return true;
    }
    case CmdPlayerEntering:
        return in.readString(m.name) && in.readShort(m.plane) && readVec(in, m.position);
    case CmdPlayerLeaving:
        return in.readString(m.name);
    default:
        return false;
    }
}

void writeLogOn(PacketWriter& out, const std::u16string& user, const std::u16string& password,
                const std::u16string& gameId)
{
    putHead(out, CmdLogOn);
    out.putString(user);
    out.putString(password);
    out.putString(gameId);
}

void writeLogOff(PacketWriter& out)
{
    putHead(out, CmdLogOff);
}

void writeGroupList(PacketWriter& out, int32_t scene)
{
    putHead(out, CmdGroupList);
    out.putInt(scene);
}

void writeNewGroup(PacketWriter& out, const std::u16string& name, int32_t scene)
{
    putHead(out, CmdNewGroup);
    out.putString(name);
    out.putInt(scene);
}

void writeEnterGroup(PacketWriter& out, const std::u16string& group, const std::u16string& user, int16_t plane)
{
    putHead(out, CmdEnterGroup);
    out.putString(group);
    out.putString(user);
    out.putShort(plane);
}

void writeMissilePositions(PacketWriter& out, const std::u16string& pilot, const std::array<Vec3, kStations>& at)
{
    putHead(out, CmdMissilePositions);
    out.putString(pilot);
    for (const Vec3& v : at)
        putVec(out, v);
}

void writeNotFlying(PacketWriter& out)
{
    putHead(out, CmdNotFlying);
}

void writeControls(PacketWriter& out, const Controls& c)
{
    putHead(out, CmdControls);
    out.putInt(c.keyBits);
    out.putInt(c.keyCode);
    out.putInt(c.station);
    out.putInt(c.flaresInAir);
    out.putInt(c.chaffInAir);
}

void writeTextAnswer(PacketWriter& out, int16_t command, const std::u16string& text)
{
    putHead(out, command);
    out.putString(text);
}

void writeLogOffAnswer(PacketWriter& out)
{
    putHead(out, CmdLogOffAnswer);
}

void writeGroupListAnswer(PacketWriter& out, const std::vector<GroupEntry>& groups)
{
    putHead(out, CmdGroupListAnswer);
    out.putInt(int32_t(groups.size()));
    for (const GroupEntry& g : groups)
    {
        out.putString(g.name);
        out.putString(g.creator);
        out.putShort(g.members);
    }
}

void writeEnterAnswer(PacketWriter& out, const std::u16string& text, const std::vector<MemberEntry>& members)
{
    putHead(out, CmdEnterAnswer);
    out.putString(text);
    if (!contains(text, u"entered"))
        return;
    out.putShort(int16_t(members.size()));
    for (const MemberEntry& e : members)
    {
        out.putString(e.name);
        out.putShort(e.plane);
        putVec(out, e.position);
    }
}

void writeStates(PacketWriter& out, const std::vector<AircraftState>& states)
{
    putHead(out, CmdStates);
    out.putShort(int16_t(states.size()));
    for (const AircraftState& s : states)
    {
        out.putString(s.pilot);
        s.block.write(out);
    }
}

void writePlayerEntering(PacketWriter& out, const std::u16string& name, int16_t plane, const Vec3& position)
{
    putHead(out, CmdPlayerEntering);
    out.putString(name);
    out.putShort(plane);
    putVec(out, position);
}

void writePlayerLeaving(PacketWriter& out, const std::u16string& name)
{
    putHead(out, CmdPlayerLeaving);
    out.putString(name);
}

} // namespace skyrend::mp
