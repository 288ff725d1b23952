// level.cpp -- a level file read into native records, every offset checked
#include "ravenor/game/world/level.h"

#include "ravenor/engine/core/bytes.h"

#include <cstring>
#include <map>

namespace {

constexpr uint32_t kHeaderWords = 12;
constexpr uint32_t kNodeBytes = 160;
constexpr uint32_t kObjectWords = 11;
constexpr uint32_t kRuleWords = 3;
constexpr uint32_t kTriggerWords = 27;
constexpr uint32_t kSection7Words = 4;
constexpr uint32_t kSection8Words = 11;
// Bounds on what one file may hold
constexpr size_t kMaxRecords = 4096;

class Reader
{
public:
    Reader(LevelBlock& block, std::string& error) : m_block(block), m_error(error) {}

    bool Read();

private:
    uint32_t Word(uint32_t offset) const
    {
        return GetU32(m_block.bytes.data() + offset);
    }

    bool Fail(const std::string& what, uint32_t offset)
    {
        if (m_error.empty())
            m_error = what + " at byte " + std::to_string(offset);
        return false;
    }

    // A record of 'bytes' at 'offset' lies inside the block, aligned, clear
    // of the header's first word
    bool CheckRecord(uint32_t offset, uint32_t bytes, const char* kind)
    {
        if (offset < 4 || offset % 4 != 0 || offset > m_block.bytes.size() || m_block.bytes.size() - offset < bytes)
            return Fail(std::string(kind) + " outside the file or misaligned", offset);
        return true;
    }

    bool Text(uint32_t word, const char*& out, uint32_t at);
    bool List(uint32_t offset, CoordList*& out);
    bool Node(uint32_t offset, Behaviour*& out);
    // A link word: 0..3 stay values, anything else must be a node record
    bool NodeLink(uint32_t word, Link& out);
    bool Section(uint32_t offset, uint32_t words, bool endsAtZero, const char* kind, std::vector<uint32_t>& records);
    bool FillNode(Behaviour& node);

    LevelBlock& m_block;
    std::string& m_error;
    std::map<uint32_t, Behaviour*> m_nodes;
    std::map<uint32_t, CoordList*> m_lists;
    std::vector<Behaviour*> m_pending;
};

bool Reader::Text(uint32_t word, const char*& out, uint32_t at)
{
    out = nullptr;
    if (word == 0)
        return true;
    if (word >= m_block.bytes.size())
        return Fail("text outside the file", at);
    const void* end = std::memchr(m_block.bytes.data() + word, 0, m_block.bytes.size() - word);
    if (end == nullptr)
        return Fail("text without an end", word);
    out = reinterpret_cast<const char*>(m_block.bytes.data() + word);
    return true;
}

bool Reader::List(uint32_t offset, CoordList*& out)
{
    if (auto found = m_lists.find(offset); found != m_lists.end())
    {
        out = found->second;
        return true;
    }
    if (!CheckRecord(offset, 8, "coordinate list"))
        return false;
    auto list = std::make_unique<CoordList>();
    uint32_t at = offset;
    for (;;)
    {
        if (m_block.bytes.size() - at < 4)
            return Fail("coordinate list without an end", offset);
        const int32_t x = static_cast<int32_t>(Word(at));
        if (x == kLevelEnd)
        {
            if (m_block.bytes.size() - at < 8)
                return Fail("coordinate list without its converted word", offset);
            break;
        }
        if (m_block.bytes.size() - at < 12)
            return Fail("coordinate list without an end", offset);
        list->words.push_back(x);
        list->words.push_back(static_cast<int32_t>(Word(at + 4)));
        list->words.push_back(static_cast<int32_t>(Word(at + 8)));
        at += 12;
    }
    if (list->words.size() < 6)
        return Fail("coordinate list of fewer than two points", offset);
    list->words.insert(list->words.end(), {kLevelEnd, 0, 0});
    out = list.get();
    m_lists[offset] = out;
    m_block.lists.push_back(std::move(list));
    return true;
}

bool Reader::Node(uint32_t offset, Behaviour*& out)
{
    if (auto found = m_nodes.find(offset); found != m_nodes.end())
    {
        out = found->second;
        return true;
    }
    if (!CheckRecord(offset, kNodeBytes, "node record"))
        return false;
    if (m_block.nodes.size() >= kMaxRecords)
        return Fail("too many node records", offset);
    auto node = std::make_unique<Behaviour>();
    node->offset = offset;
    out = node.get();
    m_nodes[offset] = out;
    m_pending.push_back(out);
    m_block.nodes.push_back(std::move(node));
    return true;
}

bool Reader::NodeLink(uint32_t word, Link& out)
{
    out = Link{};
    out.value = static_cast<int32_t>(word);
    if (word <= 3)
        return true;
    return Node(word, out.node);
}

bool Reader::FillNode(Behaviour& n)
{
    const uint32_t o = n.offset;
    auto w = [&](uint32_t byte) { return Word(o + byte); };
    auto i = [&](uint32_t byte) { return static_cast<int32_t>(Word(o + byte)); };
    n.disabled = m_block.bytes[o + 10];
    n.stopped = m_block.bytes[o + 11];
    n.startDelay = i(24);
    n.secondDelay = i(40);
    n.classNumber = i(44);
    n.behaviourNumber = i(48);
    n.word52 = i(52);
    n.startValue = i(56);
    n.mode = i(68);
    n.count = i(72);
    n.word76 = i(76);
    n.value = i(84);
    n.speed = i(88);
    n.word92 = i(92);
    n.endDelays[0] = i(96);
    n.endDelays[1] = i(112);
    n.endDelays[2] = i(128);
    for (int k = 0; k < 3; ++k)
    {
        if (!Text(w(28 + 4 * k), n.startLines[k], o + 28 + 4 * k) ||
            !Text(w(100 + 4 * k), n.endLines[0][k], o + 100 + 4 * k) ||
            !Text(w(116 + 4 * k), n.endLines[1][k], o + 116 + 4 * k))
            return false;
    }
    const uint32_t path = w(60);
    if (path == 0xFFFFFFFF)
    {
        n.followLeader = true;
        if (!NodeLink(w(64), n.leader))
            return false;
    }
    else
    {
        if (path > 3 && !List(path, n.path))
            return false;
        if (w(64) > 3 && !List(w(64), n.secondPath))
            return false;
    }
    if (!NodeLink(w(80), n.companion) || !NodeLink(w(132), n.next) || !NodeLink(w(136), n.child))
        return false;
    for (int k = 0; k < 5; ++k)
        if (!NodeLink(w(140 + 4 * k), n.links[k]))
            return false;
    return true;
}

bool Reader::Section(uint32_t offset, uint32_t words, bool endsAtZero, const char* kind,
                     std::vector<uint32_t>& records)
{
    for (uint32_t at = offset;; at += words * 4)
    {
        if (!CheckRecord(at, 4, kind))
            return false;
        const uint32_t first = Word(at);
        if (endsAtZero ? first == 0 : first == static_cast<uint32_t>(kLevelEnd))
            return true;
        if (!CheckRecord(at, words * 4, kind))
            return false;
        if (records.size() >= kMaxRecords)
            return Fail(std::string("too many records in ") + kind, at);
        records.push_back(at);
    }
}

bool Reader::Read()
{
    if (m_block.bytes.size() < kHeaderWords * 4)
        return Fail("file shorter than its header", 0);
    uint32_t header[kHeaderWords];
    for (uint32_t k = 0; k < kHeaderWords; ++k)
        header[k] = Word(4 * k);
    if (!Node(header[1], m_block.root))
        return false;
    // The node table: offsets ended by a 0 word
    for (uint32_t at = header[2];; at += 4)
    {
        if (!CheckRecord(at, 4, "node table"))
            return false;
        const uint32_t entry = Word(at);
        if (entry == 0)
            break;
        Behaviour* node = nullptr;
        if (!Node(entry, node))
            return false;
        m_block.nodeTable.push_back(node);
    }
    // Section 0: objects
    std::vector<uint32_t> records;
    if (!Section(header[3], kObjectWords, true, "object list", records))
        return false;
    for (uint32_t at : records)
    {
        ObjectEntry entry;
        for (uint32_t k = 0; k < kObjectWords; ++k)
            entry.words[k] = static_cast<int32_t>(Word(at + 4 * k));
        if (!List(Word(at), entry.list))
            return false;
        m_block.objects.push_back(entry);
    }
    // Sections 1 to 4: rules whose two words are records
    for (int s = 0; s < 4; ++s)
    {
        records.clear();
        if (!Section(header[4 + s], kRuleWords, false, "rule section", records))
            return false;
        for (uint32_t at : records)
        {
            RuleRecord rule;
            if (!Node(Word(at), rule.condition) || !Node(Word(at + 4), rule.target))
                return false;
            m_block.rules[s].push_back(rule);
        }
    }
    // Sections 5 and 6: triggers; conditions and target keep 0..3 as values
    for (int s = 0; s < 2; ++s)
    {
        records.clear();
        if (!Section(header[8 + s], kTriggerWords, false, "trigger section", records))
            return false;
        for (uint32_t at : records)
        {
            TriggerRecord trigger;
            for (int k = 0; k < 25; ++k)
                if (!NodeLink(Word(at + 4 * k), trigger.conditions[k]))
                    return false;
            if (!NodeLink(Word(at + 100), trigger.target))
                return false;
            m_block.triggers[s].push_back(trigger);
        }
    }
    records.clear();
    if (!Section(header[10], kSection7Words, false, "section 7", records))
        return false;
    for (uint32_t at : records)
    {
        Section7Record r;
        for (int k = 0; k < 3; ++k)
            if (!NodeLink(Word(at + 4 * k), r.words[k]))
                return false;
        m_block.section7.push_back(r);
    }
    records.clear();
    if (!Section(header[11], kSection8Words, false, "section 8", records))
        return false;
    for (uint32_t at : records)
    {
        Section8Record r;
        for (int k = 0; k < 10; ++k)
            if (!NodeLink(Word(at + 4 * k), r.pairs[k]))
                return false;
        m_block.section8.push_back(r);
    }
    // Every node reached so far, and those they reach
    while (!m_pending.empty())
    {
        Behaviour* node = m_pending.back();
        m_pending.pop_back();
        if (!FillNode(*node))
            return false;
    }
    return true;
}

} // namespace

Behaviour* LevelBlock::NodeAt(uint32_t offset) const
{
    for (const auto& node : nodes)
        if (node->offset == offset)
            return node.get();
    return nullptr;
}

std::unique_ptr<LevelBlock> ReadLevel(std::vector<uint8_t> bytes, std::string& error)
{
    auto block = std::make_unique<LevelBlock>();
    block->bytes = std::move(bytes);
    Reader reader(*block, error);
    if (!reader.Read())
        return nullptr;
    return block;
}

void ScaleObjectCoords(CoordList& list)
{
    if (list.converted)
        return;
    for (int32_t i = 0; i < list.PointCount(); ++i)
    {
        int32_t* p = &list.words[static_cast<size_t>(i) * 3];
        const int32_t x = p[0];
        const int32_t y = p[1];
        const int32_t z = p[2];
        p[0] = static_cast<int32_t>(static_cast<uint32_t>(x) << 3);
        p[1] = -static_cast<int32_t>(static_cast<uint32_t>(z) << 3);
        p[2] = static_cast<int32_t>(static_cast<uint32_t>(y) << 3);
    }
    list.converted = true;
}
