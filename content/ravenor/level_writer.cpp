// level_writer.cpp -- a level description turned into the level file's words
#include "content/ravenor/level_writer.h"

#include <map>
#include <sstream>

#include "content/ravenor/le_bytes.h"

namespace ravenor_content {

namespace {

constexpr int32_t kEnd = 30271;
constexpr uint32_t kNodeBytes = 160;

struct NodeSpec
{
    std::map<uint32_t, int32_t> numbers;            // byte -> value
    std::map<uint32_t, std::string> nodeRefs;       // byte -> node name (or "1", "2")
    std::map<uint32_t, std::string> listRefs;       // byte -> list name
    std::map<uint32_t, std::string> texts;          // byte -> text
    bool disabled = false;
};

struct RouteSpec
{
    std::string list;
    int32_t words[11] = {};
};

struct RuleSpec
{
    int section = 0;
    std::string condition;
    std::string target;
};

struct TriggerSpec
{
    int section = 0;
    std::string target;
    std::vector<std::string> groups[5];
};

struct PairsSpec   // section 8: up to five (condition, target) pairs
{
    std::vector<std::pair<std::string, std::string>> pairs;
};

struct Description
{
    std::vector<std::pair<std::string, std::vector<int32_t>>> lists;
    std::vector<std::pair<std::string, NodeSpec>> nodes;
    std::string root;
    std::vector<RouteSpec> routes;
    std::vector<RuleSpec> rules;
    std::vector<TriggerSpec> triggers;
    std::vector<PairsSpec> pairs;
};

// Words of a line; a double-quoted word may hold blanks.
bool SplitLine(const std::string& line, std::vector<std::string>& words, std::string& error)
{
    size_t i = 0;
    while (i < line.size())
    {
        if (line[i] == '#')
            break;
        if (isspace(static_cast<unsigned char>(line[i])))
        {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"')
        {
            const size_t close = line.find('"', i + 1);
            if (close == std::string::npos)
            {
                error = "text without its closing quote";
                return false;
            }
            word = "\"" + line.substr(i + 1, close - i - 1);
            i = close + 1;
        }
        else
        {
            while (i < line.size() && !isspace(static_cast<unsigned char>(line[i])) && line[i] != '#')
                word += line[i++];
        }
        words.push_back(word);
    }
    return true;
}

bool Number(const std::string& word, int32_t& out)
{
    try
    {
        size_t used = 0;
        const long long v = std::stoll(word, &used, 0);
        if (used != word.size() || v < INT32_MIN || v > UINT32_MAX)
            return false;
        out = static_cast<int32_t>(v);
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool ParseNode(const std::vector<std::string>& w, NodeSpec& node, std::string& error)
{
    static const std::map<std::string, uint32_t> numbers = {
        {"delay", 24},  {"delay2", 40},     {"class", 44},   {"behaviour", 48},    {"word52", 52},
        {"startvalue", 56}, {"mode", 68},   {"count", 72},   {"value", 84},        {"speed", 88},
        {"enddelay1", 96}, {"enddelay2", 112}, {"enddelay3", 128}};
    static const std::map<std::string, uint32_t> nodeKeys = {{"companion", 80}, {"next", 132}, {"child", 136}};
    int startLines = 0;
    int endLines[2] = {0, 0};
    int links = 0;
    for (size_t i = 2; i < w.size(); ++i)
    {
        const std::string& key = w[i];
        if (key == "disabled")
        {
            node.disabled = true;
            continue;
        }
        if (i + 1 >= w.size())
        {
            error = "'" + key + "' without a value";
            return false;
        }
        const std::string& value = w[++i];
        if (auto n = numbers.find(key); n != numbers.end())
        {
            if (!Number(value, node.numbers[n->second]))
            {
                error = "'" + key + "' needs a number";
                return false;
            }
        }
        else if (auto r = nodeKeys.find(key); r != nodeKeys.end())
        {
            node.nodeRefs[r->second] = value;
        }
        else if (key == "path")
        {
            node.listRefs[60] = value;
        }
        else if (key == "second")
        {
            node.listRefs[64] = value;
        }
        else if (key == "follow")
        {
            node.numbers[60] = -1;
            node.nodeRefs[64] = value;
        }
        else if (key == "link")
        {
            if (links == 5)
            {
                error = "more than five links";
                return false;
            }
            node.nodeRefs[140 + 4 * links++] = value;
        }
        else if (key == "start" || key == "end1" || key == "end2")
        {
            if (value.empty() || value[0] != '"')
            {
                error = "'" + key + "' needs a quoted line";
                return false;
            }
            int& count = key == "start" ? startLines : endLines[key == "end1" ? 0 : 1];
            if (count == 3)
            {
                error = "more than three lines for '" + key + "'";
                return false;
            }
            const uint32_t base = key == "start" ? 28 : key == "end1" ? 100 : 116;
            node.texts[base + 4 * count++] = value.substr(1);
        }
        else
        {
            error = "unknown node key '" + key + "'";
            return false;
        }
    }
    return true;
}

bool ParseLine(const std::vector<std::string>& w, Description& d, std::string& error)
{
    const std::string& kind = w[0];
    if (kind == "list")
    {
        if (w.size() < 2 || (w.size() - 2) % 3 != 0 || w.size() < 8)
        {
            error = "a list needs a name and at least two points of three numbers";
            return false;
        }
        std::vector<int32_t> values;
        for (size_t i = 2; i < w.size(); ++i)
        {
            int32_t v = 0;
            if (!Number(w[i], v) || ((i - 2) % 3 == 0 && (v >= kEnd || v <= -kEnd)))
            {
                error = "bad coordinate '" + w[i] + "'";
                return false;
            }
            values.push_back(v);
        }
        d.lists.emplace_back(w[1], values);
        return true;
    }
    if (kind == "node")
    {
        if (w.size() < 2)
        {
            error = "a node needs a name";
            return false;
        }
        NodeSpec node;
        if (!ParseNode(w, node, error))
            return false;
        d.nodes.emplace_back(w[1], node);
        return true;
    }
    if (kind == "root" && w.size() == 2)
    {
        d.root = w[1];
        return true;
    }
    if (kind == "route" && w.size() >= 3)
    {
        RouteSpec route;
        route.list = w[1];
        int classes = 0;
        for (size_t i = 2; i < w.size(); ++i)
        {
            int32_t v = 0;
            if ((w[i] == "speed" || w[i] == "spacing") && i + 1 < w.size() && Number(w[i + 1], v))
            {
                route.words[w[i] == "speed" ? 1 : 2] = v;
                ++i;
            }
            else if (Number(w[i], v) && classes < 6)
            {
                route.words[3 + classes++] = v;
            }
            else
            {
                error = "bad route word '" + w[i] + "'";
                return false;
            }
        }
        // Fewer than six classes are used in turn: the words repeat them.
        for (int i = classes; classes > 0 && i < 6; ++i)
            route.words[3 + i] = route.words[3 + i % classes];
        d.routes.push_back(route);
        return true;
    }
    if (kind == "rule" && w.size() == 4)
    {
        RuleSpec rule;
        if (!Number(w[1], rule.section) || rule.section < 1 || rule.section > 4)
        {
            error = "rule sections are 1 to 4";
            return false;
        }
        rule.condition = w[2];
        rule.target = w[3];
        d.rules.push_back(rule);
        return true;
    }
    if (kind == "trigger" && w.size() >= 4 && w.size() <= 8)
    {
        TriggerSpec trigger;
        if (!Number(w[1], trigger.section) || trigger.section < 5 || trigger.section > 6)
        {
            error = "trigger sections are 5 and 6";
            return false;
        }
        trigger.target = w[2];
        for (size_t g = 3; g < w.size(); ++g)
        {
            std::stringstream group(w[g]);
            std::string word;
            while (std::getline(group, word, ','))
                trigger.groups[g - 3].push_back(word);
            if (trigger.groups[g - 3].empty() || trigger.groups[g - 3].size() > 5)
            {
                error = "a trigger group holds one to five words";
                return false;
            }
        }
        d.triggers.push_back(trigger);
        return true;
    }
    if (kind == "pairs" && w.size() >= 3 && w.size() <= 11 && w.size() % 2 == 1)
    {
        PairsSpec spec;
        for (size_t k = 1; k + 1 < w.size(); k += 2)
            spec.pairs.emplace_back(w[k], w[k + 1]);
        d.pairs.push_back(spec);
        return true;
    }
    error = "unknown statement '" + kind + "'";
    return false;
}

class Builder
{
public:
    explicit Builder(const Description& d) : m_d(d) {}

    bool Build(std::vector<uint8_t>& out, std::string& error);

private:
    bool Resolve(const std::string& name, bool allowValues, uint32_t& out, std::string& error) const
    {
        int32_t v = 0;
        if (allowValues && Number(name, v) && v >= 0 && v <= 3)
        {
            out = static_cast<uint32_t>(v);
            return true;
        }
        if (auto n = m_nodeOffsets.find(name); n != m_nodeOffsets.end())
        {
            out = n->second;
            return true;
        }
        error = "no node named '" + name + "'";
        return false;
    }

    const Description& m_d;
    std::map<std::string, uint32_t> m_listOffsets;
    std::map<std::string, uint32_t> m_nodeOffsets;
};

bool Builder::Build(std::vector<uint8_t>& out, std::string& error)
{
    std::vector<uint8_t> file(48, 0);
    auto align = [&] {
        while (file.size() % 4 != 0)
            file.push_back(0);
    };
    for (const auto& [name, values] : m_d.lists)
    {
        if (m_listOffsets.count(name))
        {
            error = "list '" + name + "' named twice";
            return false;
        }
        m_listOffsets[name] = static_cast<uint32_t>(file.size());
        for (int32_t v : values)
            AppendU32(file, static_cast<uint32_t>(v));
        AppendU32(file, kEnd);
        AppendU32(file, 0);   // converted
        AppendU32(file, 0);
    }
    for (const auto& [name, node] : m_d.nodes)
    {
        if (m_nodeOffsets.count(name))
        {
            error = "node '" + name + "' named twice";
            return false;
        }
        m_nodeOffsets[name] = static_cast<uint32_t>(file.size());
        file.resize(file.size() + kNodeBytes, 0);
    }
    for (const auto& [name, node] : m_d.nodes)
    {
        const uint32_t base = m_nodeOffsets[name];
        for (const auto& [byte, value] : node.numbers)
            PutU32(file, base + byte, static_cast<uint32_t>(value));
        if (node.disabled)
            file[base + 10] = 1;
        for (const auto& [byte, list] : node.listRefs)
        {
            auto found = m_listOffsets.find(list);
            if (found == m_listOffsets.end())
            {
                error = "node '" + name + "': no list named '" + list + "'";
                return false;
            }
            PutU32(file, base + byte, found->second);
        }
        for (const auto& [byte, ref] : node.nodeRefs)
        {
            uint32_t offset = 0;
            if (!Resolve(ref, true, offset, error))
            {
                error = "node '" + name + "': " + error;
                return false;
            }
            PutU32(file, base + byte, offset);
        }
        for (const auto& [byte, text] : node.texts)
        {
            const uint32_t at = static_cast<uint32_t>(file.size());
            file.insert(file.end(), text.begin(), text.end());
            file.push_back(0);
            align();
            PutU32(file, base + byte, at);
        }
    }
    if (m_d.root.empty())
    {
        error = "no root node";
        return false;
    }
    uint32_t root = 0;
    if (!Resolve(m_d.root, false, root, error))
        return false;
    PutU32(file, 4, root);
    // Node table
    PutU32(file, 8, static_cast<uint32_t>(file.size()));
    for (const auto& [name, node] : m_d.nodes)
        AppendU32(file, m_nodeOffsets[name]);
    AppendU32(file, 0);
    // Section 0
    PutU32(file, 12, static_cast<uint32_t>(file.size()));
    for (const RouteSpec& route : m_d.routes)
    {
        auto found = m_listOffsets.find(route.list);
        if (found == m_listOffsets.end())
        {
            error = "route: no list named '" + route.list + "'";
            return false;
        }
        AppendU32(file, found->second);
        for (int k = 1; k < 11; ++k)
            AppendU32(file, static_cast<uint32_t>(route.words[k]));
    }
    for (int k = 0; k < 11; ++k)
        AppendU32(file, 0);
    auto terminator = [&](int words) {
        AppendU32(file, kEnd);
        for (int k = 1; k < words; ++k)
            AppendU32(file, 0);
    };
    // Sections 1 to 4
    for (int s = 1; s <= 4; ++s)
    {
        PutU32(file, 12 + 4 * s, static_cast<uint32_t>(file.size()));
        for (const RuleSpec& rule : m_d.rules)
        {
            if (rule.section != s)
                continue;
            uint32_t a = 0;
            uint32_t b = 0;
            if (!Resolve(rule.condition, false, a, error) || !Resolve(rule.target, false, b, error))
                return false;
            AppendU32(file, a);
            AppendU32(file, b);
            AppendU32(file, 0);
        }
        terminator(3);
    }
    // Sections 5 and 6
    for (int s = 5; s <= 6; ++s)
    {
        PutU32(file, 12 + 4 * s, static_cast<uint32_t>(file.size()));
        for (const TriggerSpec& trigger : m_d.triggers)
        {
            if (trigger.section != s)
                continue;
            for (const auto& group : trigger.groups)
            {
                for (size_t k = 0; k < 5; ++k)
                {
                    uint32_t word = group.empty() ? 0 : 1;
                    if (k < group.size() && !Resolve(group[k], true, word, error))
                        return false;
                    AppendU32(file, word);
                }
            }
            uint32_t target = 0;
            if (!Resolve(trigger.target, true, target, error))
                return false;
            AppendU32(file, target);
            AppendU32(file, 0);
        }
        terminator(27);
    }
    PutU32(file, 40, static_cast<uint32_t>(file.size()));
    terminator(4);
    PutU32(file, 44, static_cast<uint32_t>(file.size()));
    for (const PairsSpec& spec : m_d.pairs)
    {
        for (size_t k = 0; k < 5; ++k)
        {
            uint32_t condition = 0;
            uint32_t target = 0;
            if (k < spec.pairs.size() && (!Resolve(spec.pairs[k].first, true, condition, error) ||
                                          !Resolve(spec.pairs[k].second, true, target, error)))
                return false;
            AppendU32(file, condition);
            AppendU32(file, target);
        }
        AppendU32(file, 0);
    }
    terminator(11);
    PutU32(file, 0, static_cast<uint32_t>(file.size()));
    out = std::move(file);
    return true;
}

} // namespace

bool WriteLevel(const std::string& description, std::vector<uint8_t>& out, std::string& error)
{
    Description d;
    std::stringstream in(description);
    std::string line;
    int number = 0;
    while (std::getline(in, line))
    {
        ++number;
        std::vector<std::string> words;
        std::string reason;
        if (!SplitLine(line, words, reason) || (!words.empty() && !ParseLine(words, d, reason)))
        {
            error = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    Builder builder(d);
    return builder.Build(out, error);
}

} // namespace ravenor_content
