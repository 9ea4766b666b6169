// The simulated keypad the scenario runner plugs in: its enumeration, its
// failure modes and its acknowledgements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/hid_sim.h"

namespace pm {
namespace {

using Sim = SimulatedKeypad;

bool writeBytes(Sim& sim, HidHandle h, std::vector<uint8_t> bytes)
{
    return sim.write(h, bytes.data(), bytes.size());
}

HidHandle openAt(Sim& sim, int index, OpenMode mode = OpenMode::Write)
{
    const auto info = sim.describe(index);
    return info ? sim.open(info->path, mode) : kInvalidHandle;
}

TEST(SimulatedKeypad, AddFillsTheLowestFreeIndexAndReplaces)
{
    Sim sim;
    EXPECT_EQ(sim.add({}, 2), 2);
    EXPECT_EQ(sim.add({}), 0);
    EXPECT_EQ(sim.add({}), 1);
    EXPECT_EQ(sim.add({}), 3);
    EXPECT_FALSE(sim.describe(4).has_value());

    const HidHandle old = openAt(sim, 1);
    ASSERT_NE(old, kInvalidHandle);
    Sim::Interface other;
    other.vendorId = 0x1234;
    EXPECT_EQ(sim.add(other, 1), 1);
    // A replaced interface is gone for handles opened on it.
    EXPECT_FALSE(writeBytes(sim, old, {0, 1}));
    EXPECT_FALSE(sim.stillPresent(old));
    const HidHandle fresh = openAt(sim, 1);
    EXPECT_TRUE(sim.stillPresent(fresh));
    EXPECT_EQ(sim.describe(1)->vendorId, 0x1234);
}

TEST(SimulatedKeypad, DescribesItsMatchValuesWithoutOpening)
{
    Sim sim;
    Sim::Interface iface;
    iface.version = 0x0100;
    iface.usagePage = 0x0001;
    iface.usage = 0x0006;
    iface.outputReportLength = 9;
    sim.add(iface);
    const auto info = sim.describe(0);
    ASSERT_TRUE(info);
    EXPECT_EQ(sim.openHandleCount(), 0u);
    EXPECT_EQ(info->vendorId, 0xFFFF);
    EXPECT_EQ(info->productId, 0x0200);
    EXPECT_EQ(info->versionNumber, 0x0100);
    ASSERT_EQ(info->collections.size(), 1u);
    EXPECT_EQ(info->collections[0].usagePage, 0x0001);
    EXPECT_EQ(info->collections[0].usage, 0x0006);
    EXPECT_EQ(info->collections[0].outputReportByteLength, 9);

    // Every plug-in is a new identity, so a replug is told apart from the old one.
    sim.add(iface, 0);
    EXPECT_NE(sim.describe(0)->identity, info->identity);
}

TEST(SimulatedKeypad, OpenFailuresSayWhy)
{
    Sim sim;
    Sim::Interface iface;
    iface.open = Sim::OpenBehaviour::Denied;
    sim.add(iface, 0);
    iface.open = Sim::OpenBehaviour::Fail;
    sim.add(iface, 1);
    iface.open = Sim::OpenBehaviour::WriteFail;
    sim.add(iface, 2);
    const std::string denied = sim.describe(0)->path;
    const std::string failing = sim.describe(1)->path;
    const std::string writeFail = sim.describe(2)->path;

    OpenError why = OpenError::None;
    EXPECT_EQ(sim.open(denied, OpenMode::Query, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::AccessDenied);
    EXPECT_FALSE(sim.writableByUser(denied));
    EXPECT_EQ(sim.open(failing, OpenMode::Query, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::Other);
    EXPECT_TRUE(sim.writableByUser(failing)); // not a matter of permission
    EXPECT_NE(sim.open(writeFail, OpenMode::Query, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::None);
    EXPECT_EQ(sim.open(writeFail, OpenMode::Write, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::Other);

    sim.remove(0);
    EXPECT_EQ(sim.open(denied, OpenMode::Query, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::Gone);
    EXPECT_EQ(sim.openHandleCount(), 1u);
}

TEST(SimulatedKeypad, UnpluggingLeavesTheEnumerationAndFailsWrites)
{
    Sim sim;
    sim.add({}, 0);
    sim.add({}, 1);
    const HidHandle h0 = openAt(sim, 0);
    const HidHandle h1 = openAt(sim, 1);
    sim.remove(0);
    EXPECT_FALSE(sim.describe(0).has_value());
    EXPECT_FALSE(sim.stillPresent(h0));
    EXPECT_TRUE(sim.stillPresent(h1));
    EXPECT_FALSE(writeBytes(sim, h0, {0, 0x55}));
    EXPECT_TRUE(writeBytes(sim, h1, {0, 0x55}));
    sim.removeAll();
    EXPECT_FALSE(sim.describe(1).has_value());
    EXPECT_FALSE(writeBytes(sim, h1, {0, 0x55}));
    EXPECT_EQ(sim.takeAcks(), "a"); // only the write that reached the keypad answered
    // A closed handle writes nothing either.
    sim.add({}, 0);
    const HidHandle h = openAt(sim, 0);
    sim.close(h);
    EXPECT_FALSE(writeBytes(sim, h, {0, 0x55}));
    EXPECT_FALSE(sim.stillPresent(h));
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
