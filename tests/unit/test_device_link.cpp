// Discovery, closing and the report writer, over the simulated keypad and a
// small fake backend for the failure paths the simulation does not have.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/hid_sim.h"
#include "device/keypad_link.h"

namespace pm {
namespace {

using Iface = SimulatedKeypad::Interface;

// An interface recognisable by its output report length.
Iface keypadWithLength(uint32_t length)
{
    Iface iface;
    iface.outputReportLength = length;
    return iface;
}

// The keypad, with a report length of 33, whose opening goes as given.
Iface keypadOpening(SimulatedKeypad::OpenBehaviour open)
{
    Iface iface = keypadWithLength(33);
    iface.open = open;
    return iface;
}

TEST(FindKeypad, NothingPresentTriesEveryIndexAndFindsNothing)
{
    SimulatedKeypad sim;
    KeypadLink link(sim);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(link.DeviceHandle, kInvalidHandle);
    EXPECT_EQ(link.WriteHandle, kInvalidHandle);
    EXPECT_EQ(link.OutputReportLength, 0u);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(link.discoveryAttempts, 2);
}

TEST(FindKeypad, SearchesIndicesZeroToThirtyNineAcrossGaps)
{
    {
        SimulatedKeypad sim;
        sim.add(keypadWithLength(33), 39);
        KeypadLink link(sim);
        EXPECT_EQ(link.FindKeypad(), 1);
        EXPECT_NE(link.DeviceHandle, kInvalidHandle);
        EXPECT_NE(link.WriteHandle, kInvalidHandle);
        EXPECT_EQ(link.OutputReportLength, 33u);
    }
    {
        SimulatedKeypad sim;
        sim.add(keypadWithLength(33), 40);
        sim.add(keypadWithLength(33), 41);
        KeypadLink link(sim);
        EXPECT_EQ(link.FindKeypad(), 0);
        EXPECT_EQ(sim.openHandleCount(), 0u);
    }
    {
        // Non-matching interfaces and holes before it do not end the search.
        SimulatedKeypad sim;
        Iface other;
        other.vendorId = 0x046D;
        sim.add(other, 0);
        sim.add(other, 3);
        sim.add(keypadWithLength(33), 17);
        KeypadLink link(sim);
        EXPECT_EQ(link.FindKeypad(), 1);
    }
}

TEST(FindKeypad, EveryMatchValueMustHold)
{
    struct Case {
        const char* what;
        Iface iface;
    };
    std::vector<Case> cases;
    auto variant = [&](const char* what, auto change) {
        Iface iface = keypadWithLength(21);
        change(iface);
        cases.push_back({what, iface});
    };
    variant("vendor", [](Iface& i) { i.vendorId = 0xFFFE; });
    variant("product", [](Iface& i) { i.productId = 0x0201; });
    variant("version 0100", [](Iface& i) { i.version = 0x0100; });
    variant("usage", [](Iface& i) { i.usage = 0x0006; });
    variant("usage page 0001", [](Iface& i) { i.usagePage = 0x0001; });

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimulatedKeypad sim;
        sim.add(c.iface, 0);
        KeypadLink link(sim);
        EXPECT_EQ(link.FindKeypad(), 0);
        EXPECT_EQ(link.DeviceHandle, kInvalidHandle);
        EXPECT_EQ(link.WriteHandle, kInvalidHandle);
        EXPECT_EQ(sim.openHandleCount(), 0u); // both openings of a rejected interface closed

        // The same device's proper interface behind it is taken.
        sim.add(keypadWithLength(33), 1);
        EXPECT_EQ(link.FindKeypad(), 1);
        EXPECT_EQ(link.OutputReportLength, 33u);
        EXPECT_EQ(sim.openHandleCount(), 2u);
    }
}

TEST(FindKeypad, FirstMatchInIndexOrderWins)
{
    SimulatedKeypad sim;
    sim.add(keypadWithLength(40), 12);
    sim.add(keypadWithLength(20), 5);
    KeypadLink link(sim);
    EXPECT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 20u); // the device's own value, not a fixed 33
    EXPECT_EQ(sim.openHandleCount(), 2u);    // the later match was never opened
}

TEST(FindKeypad, InterfaceThatCannotBeOpenedIsSkipped)
{
    SimulatedKeypad sim;
    sim.add(keypadOpening(SimulatedKeypad::OpenBehaviour::Fail), 0);
    sim.add(keypadWithLength(34), 1);
    KeypadLink link(sim);
    EXPECT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 34u);
}

TEST(FindKeypad, FailedSecondOpeningStillFindsTheKeypadButEveryWriteFails)
{
    SimulatedKeypad sim;
    sim.add(keypadOpening(SimulatedKeypad::OpenBehaviour::WriteFail));
    KeypadLink link(sim);
    ASSERT_EQ(link.FindKeypad(), 1);
    EXPECT_NE(link.DeviceHandle, kInvalidHandle);
    EXPECT_EQ(link.WriteHandle, kInvalidHandle);

    ReportImage image{};
    for (uint8_t ps : {1, 2}) {
        EXPECT_EQ(link.WriteReport(ps, image), KeypadLink::WriteResult::Failed);
    }
    const auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[0].ok);
    EXPECT_FALSE(reports[1].ok);
    EXPECT_EQ(sim.takeAcks(), "");
}

TEST(FindKeypad, ALockedKeypadIsReportedAndTheNextOneTaken)
{
    SimulatedKeypad sim;
    sim.add(keypadOpening(SimulatedKeypad::OpenBehaviour::Denied), 2);
    KeypadLink link(sim);
    EXPECT_EQ(link.FindKeypad(), 0);
    ASSERT_TRUE(link.deniedKeypad.has_value());
    EXPECT_EQ(link.deniedKeypad->path, sim.describe(2)->path);
    EXPECT_EQ(sim.openHandleCount(), 0u);

    // A second keypad that may be opened is taken; the locked one stays reported.
    sim.add(keypadWithLength(21), 7);
    EXPECT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 21u);
    ASSERT_TRUE(link.deniedKeypad.has_value());
    EXPECT_EQ(link.deniedKeypad->path, sim.describe(2)->path);
    link.CloseKeypad();

    // Once the user may open it, the next search forgets the refusal.
    sim.add(keypadWithLength(33), 2);
    EXPECT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 33u);
    EXPECT_FALSE(link.deniedKeypad.has_value());
}

TEST(FindKeypad, OtherOpenFailuresAreNotReportedAsPermission)
{
    SimulatedKeypad sim;
    sim.add(keypadOpening(SimulatedKeypad::OpenBehaviour::Fail), 0);
    KeypadLink link(sim);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_FALSE(link.deniedKeypad.has_value());
}

TEST(KeypadGone, FollowsTheDeviceBehindTheHandles)
{
    SimulatedKeypad sim;
    KeypadLink link(sim);
    EXPECT_FALSE(link.keypadGone()); // nothing open, nothing gone

    sim.add(keypadWithLength(33), 0);
    ASSERT_EQ(link.FindKeypad(), 1);
    EXPECT_FALSE(link.keypadGone());
    sim.remove(0);
    EXPECT_TRUE(link.keypadGone());
    link.CloseKeypad();
    EXPECT_FALSE(link.keypadGone());

    // Replugged at the same index: the old handles still point at the old device.
    sim.add(keypadWithLength(33), 0);
    ASSERT_EQ(link.FindKeypad(), 1);
    sim.add(keypadWithLength(33), 0);
    EXPECT_TRUE(link.keypadGone());
    link.CloseKeypad();

    // The write handle alone still tells.
    sim.add(keypadOpening(SimulatedKeypad::OpenBehaviour::WriteFail), 0);
    ASSERT_EQ(link.FindKeypad(), 1);
    EXPECT_FALSE(link.keypadGone());
    sim.removeAll();
    EXPECT_TRUE(link.keypadGone());
}

TEST(MatchKeypad, NamesEachValueThatDiffers)
{
    HidInterfaceInfo keypad;
    keypad.vendorId = kKeypadVendor;
    keypad.productId = kKeypadProduct;
    keypad.versionNumber = kKeypadVersion;
    keypad.collections = {{kKeypadUsagePage, kKeypadUsage, 33}};
    const KeypadMatch exact = matchKeypad(keypad);
    EXPECT_TRUE(exact.matches);
    EXPECT_EQ(exact.collection, 0);
    EXPECT_EQ(exact.mismatch, "");

    struct Case {
        const char* why;
        void (*change)(HidInterfaceInfo&);
    };
    const Case cases[] = {
        {"vendor FFFE, the keypad has FFFF", [](HidInterfaceInfo& i) { i.vendorId = 0xFFFE; }},
        {"product 0201, the keypad has 0200", [](HidInterfaceInfo& i) { i.productId = 0x0201; }},
        {"version 0100, the keypad has 0101", [](HidInterfaceInfo& i) { i.versionNumber = 0x0100; }},
        {"usage page 0001 usage 0006, the keypad's collection is 000C/0001",
            [](HidInterfaceInfo& i) {
                i.collections = {{0x0001, 0x0006, 2}};
            }},
        {"usage page 000C usage 0002, usage page FF00 usage 0001, the keypad's collection is 000C/0001",
            [](HidInterfaceInfo& i) {
                i.collections = {{0x000C, 0x0002, 33}, {0xFF00, 0x0001, 33}};
            }},
        {"no readable report descriptor, the keypad's collection is 000C/0001",
            [](HidInterfaceInfo& i) { i.collections.clear(); }},
        {"version 0000, the keypad has 0101; no readable report descriptor, the keypad's collection is "
         "000C/0001",
            [](HidInterfaceInfo& i) {
                i.versionNumber = 0;
                i.collections.clear();
            }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        HidInterfaceInfo info = keypad;
        c.change(info);
        const KeypadMatch m = matchKeypad(info);
        EXPECT_FALSE(m.matches);
        EXPECT_EQ(m.mismatch, c.why);
    }

    // One matching collection among several is enough, and it is the one named.
    HidInterfaceInfo composite = keypad;
    composite.collections = {{0x0001, 0x0006, 2}, {kKeypadUsagePage, kKeypadUsage, 33}};
    const KeypadMatch second = matchKeypad(composite);
    EXPECT_TRUE(second.matches);
    EXPECT_EQ(second.collection, 1);
}

// Records what discovery asks of it; each index can fail in one way.
class FakeBackend : public HidBackend {
public:
    enum class Fail { None, NoDescriptor, Denied, Gone };
    struct Entry {
        HidInterfaceInfo info;
        Fail fail = Fail::None;
    };

    bool beginOk = true;
    int begins = 0;
    int ends = 0;
    std::vector<int> described;
    std::vector<std::string> opened;
    std::map<int, Entry> entries;
    std::map<HidHandle, int> closes;

    // A keypad whose output length tells the index apart.
    Entry& keypadAt(int index)
    {
        Entry& e = entries[index];
        e.info.path = std::to_string(index);
        e.info.vendorId = kKeypadVendor;
        e.info.productId = kKeypadProduct;
        e.info.versionNumber = kKeypadVersion;
        e.info.collections = {{kKeypadUsagePage, kKeypadUsage, static_cast<uint16_t>(10 + index)}};
        return e;
    }

    bool beginEnumeration() override
    {
        ++begins;
        return beginOk;
    }
    void endEnumeration() override { ++ends; }
    std::optional<HidInterfaceInfo> describe(int index) override
    {
        described.push_back(index);
        const auto it = entries.find(index);
        if (it == entries.end()) {
            return std::nullopt;
        }
        HidInterfaceInfo info = it->second.info;
        if (it->second.fail == Fail::NoDescriptor) {
            info.collections.clear();
        }
        return info;
    }
    HidHandle open(const std::string& path, OpenMode, OpenError* why) override
    {
        opened.push_back(path);
        const Fail fail = entries.at(std::stoi(path)).fail;
        const OpenError error = fail == Fail::Denied ? OpenError::AccessDenied
            : fail == Fail::Gone                     ? OpenError::Gone
                                                     : OpenError::None;
        if (why != nullptr) {
            *why = error;
        }
        return error == OpenError::None ? next_++ : kInvalidHandle;
    }
    bool write(HidHandle h, const uint8_t*, size_t) override { return h != kInvalidHandle; }
    bool stillPresent(HidHandle h) override { return h != kInvalidHandle; }
    bool writableByUser(const std::string&) override { return true; }
    void close(HidHandle h) override { ++closes[h]; }

private:
    HidHandle next_ = 1;
};

TEST(FindKeypad, EnumerationIsAlwaysReleasedAndIndicesGoInAscendingOrder)
{
    FakeBackend fake;
    KeypadLink link(fake);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(fake.begins, 1);
    EXPECT_EQ(fake.ends, 1);
    ASSERT_EQ(fake.described.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(fake.described[i], i);
    }

    fake.keypadAt(2);
    fake.described.clear();
    EXPECT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(fake.ends, 2);
    EXPECT_EQ(fake.described, (std::vector<int>{0, 1, 2}));
}

TEST(FindKeypad, NoEnumerationMeansNotFoundAndNothingToRelease)
{
    FakeBackend fake;
    fake.beginOk = false;
    fake.keypadAt(0);
    KeypadLink link(fake);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(fake.ends, 0);
    EXPECT_TRUE(fake.described.empty());
    EXPECT_EQ(link.discoveryAttempts, 1);
}

TEST(FindKeypad, OnlyTheMatchingInterfaceIsEverOpened)
{
    FakeBackend fake;
    fake.keypadAt(0).info.versionNumber = 0x0100;
    fake.keypadAt(1).fail = FakeBackend::Fail::NoDescriptor;
    fake.keypadAt(2).fail = FakeBackend::Fail::Gone; // unplugged after it was described
    fake.keypadAt(3).fail = FakeBackend::Fail::Denied;
    fake.keypadAt(4);
    fake.keypadAt(5);
    KeypadLink link(fake);
    ASSERT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 14u);
    // Each matching interface twice, up to the one taken; the others never.
    EXPECT_EQ(fake.opened, (std::vector<std::string>{"2", "2", "3", "3", "4", "4"}));
    ASSERT_TRUE(link.deniedKeypad.has_value());
    EXPECT_EQ(link.deniedKeypad->path, "3");
    EXPECT_TRUE(fake.closes.empty()); // no failed opening left anything to close
}

TEST(CloseKeypad, ClosesEachOpenHandleOnce)
{
    FakeBackend fake;
    fake.keypadAt(0);
    KeypadLink link(fake);
    ASSERT_EQ(link.FindKeypad(), 1);
    const HidHandle device = link.DeviceHandle;
    const HidHandle writer = link.WriteHandle;
    link.CloseKeypad();
    link.CloseKeypad();
    EXPECT_EQ(fake.closes, (std::map<HidHandle, int>{{device, 1}, {writer, 1}}));
    EXPECT_EQ(link.DeviceHandle, kInvalidHandle);
    EXPECT_EQ(link.WriteHandle, kInvalidHandle);

    KeypadLink never(fake);
    never.CloseKeypad();
    EXPECT_EQ(fake.closes.size(), 2u);
}

// ---- the report writer --------------------------------------------------

class WriteReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image_ = std::make_unique<ReportImage>(); // on the heap, so ASan guards its end
        (*image_)[0] = 0xEE;                      // never part of a report
        for (int i = 1; i <= 64; ++i) {
            (*image_)[i] = static_cast<uint8_t>(i);
        }
        (*image_)[1] = 0x55;
    }

    std::vector<uint8_t> write(uint32_t length, uint8_t programState)
    {
        SimulatedKeypad sim;
        sim.add(keypadWithLength(length));
        KeypadLink link(sim);
        EXPECT_EQ(link.FindKeypad(), 1);
        EXPECT_EQ(link.WriteReport(programState, *image_), KeypadLink::WriteResult::Written);
        auto reports = sim.takeReports();
        EXPECT_EQ(reports.size(), 1u);
        if (reports.empty()) {
            return {};
        }
        EXPECT_TRUE(reports[0].ok);
        return reports[0].bytes;
    }

    std::vector<uint8_t> expected(uint32_t length, int firstImageByte, int count)
    {
        std::vector<uint8_t> out(length, 0);
        for (int i = 0; i < count; ++i) {
            out[1 + i] = (*image_)[firstImageByte + i];
        }
        return out;
    }

    std::unique_ptr<ReportImage> image_;
};

TEST_F(WriteReportTest, EachStateSendsItsHalf)
{
    EXPECT_EQ(write(33, 1), expected(33, 1, 32));
    EXPECT_EQ(write(33, 2), expected(33, 33, 32));
    EXPECT_EQ(write(33, 2).back(), 64); // last image byte, the checksum's place
    EXPECT_EQ(write(33, 3), std::vector<uint8_t>(33, 0));
    EXPECT_EQ(write(33, 0), std::vector<uint8_t>(33, 0)); // a zero report still reaches the keypad
}

TEST_F(WriteReportTest, ShortAndLongReportsStayWithinTheImage)
{
    EXPECT_EQ(write(9, 1), expected(9, 1, 8));
    EXPECT_EQ(write(9, 2), expected(9, 33, 8));
    EXPECT_EQ(write(1, 2), std::vector<uint8_t>(1, 0));
    // After its half a longer report carries zeros, never bytes past 64.
    EXPECT_EQ(write(65, 1), expected(65, 1, 32));
    EXPECT_EQ(write(65, 2), expected(65, 33, 32));
    EXPECT_EQ(write(200, 2), expected(200, 33, 32));
}

TEST_F(WriteReportTest, NoKeypadMeansNoWrite)
{
    SimulatedKeypad sim;
    KeypadLink link(sim);
    ASSERT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(link.WriteReport(1, *image_), KeypadLink::WriteResult::NoKeypad);
    EXPECT_TRUE(sim.takeReports().empty());
}

TEST_F(WriteReportTest, UnpluggedKeypadFailsEveryWrite)
{
    SimulatedKeypad sim;
    sim.add(keypadWithLength(33));
    KeypadLink link(sim);
    ASSERT_EQ(link.FindKeypad(), 1);
    sim.removeAll();
    sim.add(keypadWithLength(33)); // plugged in again: the old handles stay dead
    for (uint8_t ps : {1, 2}) {
        EXPECT_EQ(link.WriteReport(ps, *image_), KeypadLink::WriteResult::Failed);
    }
    const auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[0].ok);
    EXPECT_EQ(reports[0].bytes, expected(33, 1, 32)); // recorded whole even when it failed
    EXPECT_EQ(sim.takeAcks(), "");
}

} // namespace
} // namespace pm
