// The simulated keypad the scenario runner plugs in: its enumeration, its
// failure modes and its acknowledgements.
#include <gtest/gtest.h>

#include <vector>

#include "device/hid_sim.h"

namespace pm {
namespace {

using Sim = SimulatedKeypad;

bool writeBytes(Sim& sim, HidHandle h, std::vector<uint8_t> bytes)
{
    return sim.write(h, bytes.data(), bytes.size());
}

HidHandle openAt(Sim& sim, int index, OpenMode mode = OpenMode::Synchronous)
{
    const auto path = sim.interfacePath(index);
    return path ? sim.open(*path, mode) : kInvalidHandle;
}

TEST(SimulatedKeypad, AddFillsTheLowestFreeIndexAndReplaces)
{
    Sim sim;
    EXPECT_EQ(sim.add({}, 2), 2);
    EXPECT_EQ(sim.add({}), 0);
    EXPECT_EQ(sim.add({}), 1);
    EXPECT_EQ(sim.add({}), 3);
    EXPECT_FALSE(sim.interfacePath(4).has_value());

    const HidHandle old = openAt(sim, 1);
    ASSERT_NE(old, kInvalidHandle);
    Sim::Interface other;
    other.vendorId = 0x1234;
    EXPECT_EQ(sim.add(other, 1), 1);
    // A replaced interface is gone for handles opened on it.
    EXPECT_FALSE(writeBytes(sim, old, {0, 1}));
    HidAttributes attr;
    EXPECT_FALSE(sim.getAttributes(old, attr));
    const HidHandle fresh = openAt(sim, 1);
    ASSERT_TRUE(sim.getAttributes(fresh, attr));
    EXPECT_EQ(attr.vendorId, 0x1234);
}

TEST(SimulatedKeypad, ReportsItsMatchValues)
{
    Sim sim;
    Sim::Interface iface;
    iface.version = 0x0100;
    iface.usagePage = 0x0001;
    iface.usage = 0x0006;
    iface.outputReportLength = 9;
    sim.add(iface);
    const HidHandle h = openAt(sim, 0, OpenMode::Overlapped);
    HidAttributes attr;
    HidCaps caps;
    ASSERT_TRUE(sim.getAttributes(h, attr));
    ASSERT_TRUE(sim.getCaps(h, caps));
    EXPECT_EQ(attr.vendorId, 0xFFFF);
    EXPECT_EQ(attr.productId, 0x0200);
    EXPECT_EQ(attr.versionNumber, 0x0100);
    EXPECT_EQ(caps.status, kHidpStatusSuccess);
    EXPECT_EQ(caps.usagePage, 0x0001);
    EXPECT_EQ(caps.usage, 0x0006);
    EXPECT_EQ(caps.outputReportByteLength, 9);
}

TEST(SimulatedKeypad, UnpluggingLeavesTheEnumerationAndFailsWrites)
{
    Sim sim;
    sim.add({}, 0);
    sim.add({}, 1);
    const HidHandle h0 = openAt(sim, 0);
    const HidHandle h1 = openAt(sim, 1);
    sim.remove(0);
    EXPECT_FALSE(sim.interfacePath(0).has_value());
    EXPECT_FALSE(writeBytes(sim, h0, {0, 0x55}));
    EXPECT_TRUE(writeBytes(sim, h1, {0, 0x55}));
    sim.removeAll();
    EXPECT_FALSE(sim.interfacePath(1).has_value());
    EXPECT_FALSE(writeBytes(sim, h1, {0, 0x55}));
    EXPECT_EQ(sim.takeAcks(), "a"); // only the write that reached the keypad answered
    // A closed handle writes nothing either.
    sim.add({}, 0);
    const HidHandle h = openAt(sim, 0);
    sim.close(h);
    EXPECT_FALSE(writeBytes(sim, h, {0, 0x55}));
    EXPECT_FALSE(writeBytes(sim, kInvalidHandle, {0, 0x55}));
}

TEST(SimulatedKeypad, RecordsEveryWriteWhole)
{
    Sim sim;
    sim.add({});
    const HidHandle h = openAt(sim, 0);
    EXPECT_TRUE(writeBytes(sim, h, {0x00, 0x55, 0x07, 0xAA}));
    EXPECT_FALSE(writeBytes(sim, kInvalidHandle, {0x00, 0x01}));
    auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[0].ok);
    EXPECT_EQ(reports[0].bytes, (std::vector<uint8_t>{0x00, 0x55, 0x07, 0xAA}));
    EXPECT_FALSE(reports[1].ok);
    EXPECT_EQ(reports[1].bytes, (std::vector<uint8_t>{0x00, 0x01}));
    EXPECT_TRUE(sim.takeReports().empty());
}

TEST(SimulatedKeypad, AcknowledgesByMode)
{
    struct Case {
        Sim::AckMode mode;
        const char* acks;
    };
    for (const Case& c :
        {Case{Sim::AckMode::On, "aba"}, Case{Sim::AckMode::AOnly, "aa"}, Case{Sim::AckMode::Off, ""}}) {
        SCOPED_TRACE(c.acks);
        Sim sim;
        sim.setAck(c.mode);
        sim.add({});
        const HidHandle h = openAt(sim, 0);
        writeBytes(sim, h, {0x00, 0x55, 0x01});
        writeBytes(sim, h, {0x00, 0x00, 0x55}); // only the first data byte counts
        writeBytes(sim, h, {0x00, 0x55});
        EXPECT_EQ(sim.takeAcks(), c.acks);
        EXPECT_EQ(sim.takeAcks(), "");
    }
    Sim sim;
    sim.add({});
    writeBytes(sim, openAt(sim, 0), {0x00}); // no data byte at all
    EXPECT_EQ(sim.takeAcks(), "b");
}

} // namespace
} // namespace pm
