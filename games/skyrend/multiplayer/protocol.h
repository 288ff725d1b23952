// protocol.h -- the messages between the game and its game server
//
// Every message is the head 0x5858, a 16-bit command and the command's
// fields, little-endian, with no length: a reader that does not know a
// command cannot find the next message, so an unknown command ends the
// connection. The transport reads and checks the head; the readers here
// start at the command. Readers read every field in full and check what
// can be checked without the server's state (known command, string limits,
// counts); the server checks the rest (names, indexes, who may ask what).
#pragma once

#include "engine/platform/net_socket.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace skyrend::mp {

constexpr int16_t kHead = 0x5858;
constexpr const WCHAR* kGameId = u"Vasko-Skyrend";

enum Command : int16_t
{
    CmdLogOn = 1,
    CmdLogOnAnswer = 2,
    CmdLogOff = 3,
    CmdLogOffAnswer = 4,
    CmdGroupList = 5,
    CmdGroupListAnswer = 6,
    CmdNewGroup = 7,
    CmdNewGroupAnswer = 8,
    CmdEnterGroup = 9,
    CmdEnterAnswer = 10,
    CmdMissilePositions = 11,
    CmdNotFlying = 12,
    CmdControls = 13,
    CmdStates = 1000,
    CmdPlayerEntering = 1001,
    CmdPlayerLeaving = 1002,
};

// The texts of the answers.
extern const WCHAR* const kLogOnAccepted;
extern const WCHAR* const kLogOnWrongGame; // %s: the game id received
extern const WCHAR* const kLogOnDuplicate;
extern const WCHAR* const kLogOnNotAuthenticated;
extern const WCHAR* const kLogOnBadName;
// The server holds as many users as it can keep connections for.
extern const WCHAR* const kLogOnNoRoom;
extern const WCHAR* const kGroupAdded;
extern const WCHAR* const kGroupNotAdded;
extern const WCHAR* const kGroupEntered;
extern const WCHAR* const kGroupNotEntered;

constexpr int kStations = 8;
constexpr int kStateBlockSize = 636;

struct Vec3
{
    float x = 0, y = 0, z = 0;
    bool operator==(const Vec3&) const = default;
};

// One aircraft's state in a states message: 636 bytes on the wire.
struct StateBlock
{
    std::array<float, 16> orientation{};
    std::array<std::array<float, 16>, kStations> missiles{};
    std::array<int32_t, kStations> missileStates{};
    float speed = 0, heading = 0, bank = 0, pitch = 0;
    int16_t state = 0;
    int16_t damage = 0;
    int32_t score = 0;
    int32_t events = 0;
    bool operator==(const StateBlock&) const = default;

    void write(PacketWriter& out) const;
    bool read(ByteReader& in);
};
// Offset of the event bits inside a block.
constexpr int kStateEventsOffset = 632;

// The five words of a controls message.
struct Controls
{
    int32_t keyBits = 0;
    int32_t keyCode = 0;
    int32_t station = 0;
    int32_t flaresInAir = 0;
    int32_t chaffInAir = 0;
    bool operator==(const Controls&) const = default;
};

// A message from a client; the fields its command uses are set.
struct ClientMessage
{
    int16_t command = 0;
    std::u16string user, password, gameId; // 1
    int32_t scene = 0;                      // 5, 7
    std::u16string group;                   // 7, 9 (and user for 9)
    int16_t plane = 0;                      // 9
    std::u16string pilot;                   // 11
    std::array<Vec3, kStations> missilePositions{};
    Controls controls;                      // 13
};

// Reads one client message after its head; false when the connection must
// end (a failed read, an unknown command, a string over the limit).
bool readClientMessage(ByteReader& in, ClientMessage& message);

struct GroupEntry
{
    std::u16string name, creator;
    int16_t members = 0;
    bool operator==(const GroupEntry&) const = default;
};

struct MemberEntry
{
    std::u16string name;
    int16_t plane = 0;
    Vec3 position;
    bool operator==(const MemberEntry&) const = default;
};

struct AircraftState
{
    std::u16string pilot;
    StateBlock block;
    bool operator==(const AircraftState&) const = default;
};

// A message from the server.
struct ServerMessage
{
    int16_t command = 0;
    std::u16string text;              // 2, 8, 10
    std::vector<GroupEntry> groups;   // 6
    std::vector<MemberEntry> members; // 10 (when entered)
    std::vector<AircraftState> states; // 1000
    std::u16string name;              // 1001, 1002
    int16_t plane = 0;                // 1001
    Vec3 position;                    // 1001
};

// Upper bounds a reader accepts for counts (beyond them the stream is broken).
constexpr int kMaxListedGroups = 4096;
constexpr int kMaxListedMembers = 256;

bool readServerMessage(ByteReader& in, ServerMessage& message);

// Writers: each appends one whole message, head included.
void writeLogOn(PacketWriter& out, const std::u16string& user, const std::u16string& password,
                const std::u16string& gameId = kGameId);
void writeLogOff(PacketWriter& out);
void writeGroupList(PacketWriter& out, int32_t scene);
void writeNewGroup(PacketWriter& out, const std::u16string& name, int32_t scene);
void writeEnterGroup(PacketWriter& out, const std::u16string& group, const std::u16string& user, int16_t plane);
void writeMissilePositions(PacketWriter& out, const std::u16string& pilot, const std::array<Vec3, kStations>& at);
void writeNotFlying(PacketWriter& out);
void writeControls(PacketWriter& out, const Controls& controls);

void writeTextAnswer(PacketWriter& out, int16_t command, const std::u16string& text);
void writeLogOffAnswer(PacketWriter& out);
void writeGroupListAnswer(PacketWriter& out, const std::vector<GroupEntry>& groups);
void writeEnterAnswer(PacketWriter& out, const std::u16string& text, const std::vector<MemberEntry>& members);
void writeStates(PacketWriter& out, const std::vector<AircraftState>& states);
void writePlayerEntering(PacketWriter& out, const std::u16string& name, int16_t plane, const Vec3& position);
void writePlayerLeaving(PacketWriter& out, const std::u16string& name);

} // namespace skyrend::mp
