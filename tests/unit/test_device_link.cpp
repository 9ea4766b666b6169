// Discovery, closing and the report writer, over the simulated keypad and a
// small fake backend for the failure paths the simulation does not have.
#include <gtest/gtest.h>

#include <map>
#include <memory>
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
    Iface locked = keypadWithLength(33);
    locked.open = SimulatedKeypad::OpenBehaviour::Fail;
    sim.add(locked, 0);
    sim.add(keypadWithLength(34), 1);
    KeypadLink link(sim);
    EXPECT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 34u);
}

TEST(FindKeypad, FailedSecondOpeningStillFindsTheKeypadButEveryWriteFails)
{
    SimulatedKeypad sim;
    Iface iface = keypadWithLength(33);
    iface.open = SimulatedKeypad::OpenBehaviour::WriteFail;
    sim.add(iface);
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

// Records what discovery asks of it; each index can fail at one step.
class FakeBackend : public HidBackend {
public:
    enum class Fail { None, Attributes, Caps, CapsStatus };
    struct Entry {
        HidAttributes attr{kKeypadVendor, kKeypadProduct, kKeypadVersion};
        Fail fail = Fail::None;
    };

    bool beginOk = true;
    int begins = 0;
    int ends = 0;
    int capsCalls = 0;
    std::vector<int> pathsAsked;
    std::map<int, Entry> entries;
    std::map<HidHandle, int> closes;
    std::vector<HidHandle> writes;

    bool beginEnumeration() override
    {
        ++begins;
        return beginOk;
    }
    void endEnumeration() override { ++ends; }
    std::optional<std::string> interfacePath(int index) override
    {
        pathsAsked.push_back(index);
        if (entries.count(index) == 0) {
            return std::nullopt;
        }
        return std::to_string(index);
    }
    HidHandle open(const std::string& path, OpenMode mode) override
    {
        const HidHandle h = next_++;
        owner_[h] = std::stoi(path);
        (void)mode;
        return h;
    }
    bool getAttributes(HidHandle h, HidAttributes& out) override
    {
        const Entry& e = entries.at(owner_.at(h));
        out = e.attr;
        return e.fail != Fail::Attributes;
    }
    bool getCaps(HidHandle h, HidCaps& out) override
    {
        ++capsCalls;
        const Entry& e = entries.at(owner_.at(h));
        out.status = e.fail == Fail::CapsStatus ? 0xC0110001 : kHidpStatusSuccess;
        out.usage = kKeypadUsage;
        out.usagePage = kKeypadUsagePage;
        out.outputReportByteLength = static_cast<uint16_t>(10 + owner_.at(h));
        return e.fail != Fail::Caps;
    }
    bool write(HidHandle h, const uint8_t*, size_t) override
    {
        writes.push_back(h);
        return h != kInvalidHandle;
    }
    void close(HidHandle h) override { ++closes[h]; }

private:
    HidHandle next_ = 1;
    std::map<HidHandle, int> owner_;
};

TEST(FindKeypad, EnumerationIsAlwaysReleasedAndIndicesGoInAscendingOrder)
{
    FakeBackend fake;
    KeypadLink link(fake);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(fake.begins, 1);
    EXPECT_EQ(fake.ends, 1);
    ASSERT_EQ(fake.pathsAsked.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(fake.pathsAsked[i], i);
    }

    fake.entries[2] = {};
    fake.pathsAsked.clear();
    EXPECT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(fake.ends, 2);
    EXPECT_EQ(fake.pathsAsked, (std::vector<int>{0, 1, 2}));
}

TEST(FindKeypad, NoEnumerationMeansNotFoundAndNothingToRelease)
{
    FakeBackend fake;
    fake.beginOk = false;
    fake.entries[0] = {};
    KeypadLink link(fake);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(fake.ends, 0);
    EXPECT_TRUE(fake.pathsAsked.empty());
    EXPECT_EQ(link.discoveryAttempts, 1);
}

TEST(FindKeypad, UnreadableInterfacesAreSkippedAndClosed)
{
    FakeBackend fake;
    fake.entries[0].fail = FakeBackend::Fail::Attributes;
    fake.entries[1].fail = FakeBackend::Fail::Caps;
    fake.entries[2].fail = FakeBackend::Fail::CapsStatus;
    fake.entries[3] = {};
    KeypadLink link(fake);
    ASSERT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 13u);
    EXPECT_EQ(fake.capsCalls, 3); // not asked when the attributes already failed
    // Both openings of indices 0 to 2 closed once each; the keypad's stay open.
    EXPECT_EQ(fake.closes.size(), 6u);
    for (const auto& [handle, count] : fake.closes) {
        EXPECT_EQ(count, 1) << "handle " << handle;
        EXPECT_NE(handle, link.DeviceHandle);
        EXPECT_NE(handle, link.WriteHandle);
    }
}

TEST(CloseKeypad, ClosesEachOpenHandleOnce)
{
    FakeBackend fake;
    fake.entries[0] = {};
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
