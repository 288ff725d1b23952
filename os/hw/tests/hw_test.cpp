// hw_test.cpp -- the simulated device address space
#include <os/hw.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class HwTest : public ::testing::Test
{
protected:
    void TearDown() override { os::hw::reset(); }
};

TEST_F(HwTest, DeviceRangesResolveOnlyInsideOneBlock)
{
    auto* host = static_cast<uint8_t*>(os::hw::add_device_memory(0x1000, 64));
    ASSERT_NE(host, nullptr);
    struct Case
    {
        uint32_t address, bytes;
        bool inside;
    } cases[] = {
        {0x1000, 64, true}, {0x1010, 48, true}, {0x1000, 65, false},
        {0x0FFF, 2, false}, {0x1040, 1, false}, {0x103F, 1, true},
    };
    for (const Case& c : cases)
    {
        void* p = os::hw::DeviceToHost(c.address, c.bytes);
        EXPECT_EQ(p != nullptr, c.inside) << std::hex << c.address << " " << c.bytes;
        if (p)
        {
            EXPECT_EQ(p, host + (c.address - 0x1000));
            EXPECT_EQ(os::hw::HostToDevice(p), c.address);
        }
    }
    EXPECT_EQ(os::hw::HostToDevice(&cases), 0u);
    EXPECT_EQ(os::hw::add_device_memory(0x1020, 64), nullptr) << "overlapping block";
}

TEST_F(HwTest, MappingsAreCountedAndUnknownHardwareFails)
{
    EXPECT_EQ(os::hw::MapPhysical(0xB0100000, 44), nullptr);
    os::hw::add_device_memory(0xB0100000, 44);
    void* regs = os::hw::MapPhysical(0xB0100000, 44);
    ASSERT_NE(regs, nullptr);
    EXPECT_EQ(os::hw::live_mappings(), 1);
    os::hw::UnmapPhysical(regs);
    EXPECT_EQ(os::hw::live_mappings(), 0);
    os::hw::UnmapPhysical(regs);   // given back twice
    os::hw::UnmapPhysical(nullptr);
    EXPECT_EQ(os::hw::live_mappings(), 0);
}

TEST_F(HwTest, RegisterReadersAnswerInsteadOfMemory)
{
    auto* regs = static_cast<uint32_t*>(os::hw::add_device_memory(0x44000000, 544));
    regs[1] = 7;
    uint32_t beam = 0;
    os::hw::set_register_reader(0x44000000 + 0x20C, [&] { return beam += 10; });
    EXPECT_EQ(os::hw::Read32(&regs[1]), 7u);
    EXPECT_EQ(os::hw::Read32(&regs[0x20C / 4]), 10u);
    EXPECT_EQ(os::hw::Read32(&regs[0x20C / 4]), 20u);
    EXPECT_EQ(os::hw::register_reads(), 3);
}

TEST_F(HwTest, ProcessorIdIsNoneUntilSet)
{
    EXPECT_EQ(os::hw::ReadProcessorId(), 0u);
    os::hw::set_processor_id(0x69052100);
    EXPECT_EQ(os::hw::ReadProcessorId(), 0x69052100u);
}

TEST_F(HwTest, WritesPastEitherEndStopTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto* host = static_cast<uint8_t*>(os::hw::add_device_memory(0x2000, 4096 + 64));
    std::memset(host, 1, 4096 + 64);   // the whole block is writable
    EXPECT_DEATH(host[4096 + 64] = 1, "");
    EXPECT_DEATH(host[-4096] = 1, "");
}

} // namespace
