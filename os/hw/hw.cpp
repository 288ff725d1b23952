// hw.cpp -- the simulated device address space, mappings and registers
#include <os/hw.h>

#include <map>
#include <set>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace os::hw {

namespace {

struct Block
{
    uint32_t bytes = 0;
    uint8_t* host = nullptr;   // first byte of the block
    void* mapping = nullptr;   // the whole mmap, guards included
    size_t mappingBytes = 0;
};

struct Machine
{
    std::mutex lock;
    std::map<uint32_t, Block> blocks;   // by device address
    std::map<uint32_t, std::function<uint32_t()>> readers;
    uint32_t processorId = 0;
    std::multiset<const void*> mappings;   // live, by host address
    int reads = 0;
};

Machine& machine()
{
    static auto* m = new Machine;
    return *m;
}

size_t PageSize()
{
    return static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The block holding [address, address + bytes), or nullptr.
const Block* Find(Machine& m, uint32_t address, uint32_t bytes, uint32_t* start = nullptr)
{
    auto it = m.blocks.upper_bound(address);
    if (it == m.blocks.begin())
        return nullptr;
    --it;
    const uint64_t offset = uint64_t(address) - it->first;
    if (offset + bytes > it->second.bytes)
        return nullptr;
    if (start)
        *start = it->first;
    return &it->second;
}

bool Overlaps(Machine& m, uint32_t address, uint32_t bytes)
{
    const uint64_t end = uint64_t(address) + bytes;
    for (const auto& [start, block] : m.blocks)
    {
        if (start < end && address < uint64_t(start) + block.bytes)
            return true;
    }
    return false;
}

} // namespace

uint32_t ReadProcessorId()
{
    std::lock_guard<std::mutex> guard(machine().lock);
    return machine().processorId;
}

uint32_t Read32(const volatile uint32_t* reg)
{
    std::function<uint32_t()> reader;
    {
        Machine& m = machine();
        std::lock_guard<std::mutex> guard(m.lock);
        ++m.reads;
        for (const auto& [start, block] : m.blocks)
        {
            const auto* p = reinterpret_cast<const volatile uint8_t*>(reg);
            if (p >= block.host && p < block.host + block.bytes)
            {
                auto it = m.readers.find(start + uint32_t(p - block.host));
                if (it != m.readers.end())
                    reader = it->second;
                break;
            }
        }
    }
    return reader ? reader() : *reg;
}

void* DeviceToHost(uint32_t address, uint32_t bytes)
{
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    uint32_t start = 0;
    const Block* block = Find(m, address, bytes, &start);
    return block ? block->host + (address - start) : nullptr;
}

uint32_t HostToDevice(const void* pointer)
{
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    const auto* p = static_cast<const uint8_t*>(pointer);
    for (const auto& [start, block] : m.blocks)
    {
        if (p >= block.host && p < block.host + block.bytes)
            return start + uint32_t(p - block.host);
    }
    return 0;
}

void* MapPhysical(uint32_t physical, uint32_t bytes)
{
    void* host = DeviceToHost(physical, bytes);
    if (host)
    {
        std::lock_guard<std::mutex> guard(machine().lock);
        machine().mappings.insert(host);
    }
    return host;
}

void UnmapPhysical(void* mapping)
{
    std::lock_guard<std::mutex> guard(machine().lock);
    auto it = machine().mappings.find(mapping);
    if (it != machine().mappings.end())
        machine().mappings.erase(it);   // anything else was never mapped: ignored
}

void* add_device_memory(uint32_t address, uint32_t bytes)
{
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    if (bytes == 0 || uint64_t(address) + bytes > 0x100000000ull || Overlaps(m, address, bytes))
        return nullptr;
    const size_t page = PageSize();
    const size_t body = (bytes + page - 1) / page * page;
    const size_t total = body + 2 * page;
    void* mapping = mmap(nullptr, total, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return nullptr;
    auto* base = static_cast<uint8_t*>(mapping);
    if (mprotect(base + page, body, PROT_READ | PROT_WRITE) != 0)
    {
        munmap(mapping, total);
        return nullptr;
    }
    // The end of the block touches the upper guard page; word alignment kept.
    uint8_t* host = base + page + (body - ((bytes + 3u) & ~3u));
    m.blocks[address] = Block{bytes, host, mapping, total};
    return host;
}

void set_register_reader(uint32_t address, std::function<uint32_t()> reader)
{
    std::lock_guard<std::mutex> guard(machine().lock);
    machine().readers[address] = std::move(reader);
}

void set_processor_id(uint32_t id)
{
    std::lock_guard<std::mutex> guard(machine().lock);
    machine().processorId = id;
}

int live_mappings()
{
    std::lock_guard<std::mutex> guard(machine().lock);
    return static_cast<int>(machine().mappings.size());
}

int register_reads()
{
    std::lock_guard<std::mutex> guard(machine().lock);
    return machine().reads;
}

void reset()
{
    Machine& m = machine();
    std::lock_guard<std::mutex> guard(m.lock);
    for (auto& [start, block] : m.blocks)
        munmap(block.mapping, block.mappingBytes);
    m.blocks.clear();
    m.readers.clear();
    m.processorId = 0;
    m.mappings.clear();
    m.reads = 0;
}

} // namespace os::hw
