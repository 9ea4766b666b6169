// The hidraw backend over the fixture sysfs tree in data/hidraw/sys:
//   hidraw0  the keypad's keyboard interface (usage page 01, usage 06)
//   hidraw1  a vendor device with numbered output reports
//   hidraw3  a bluetooth look-alike of the keypad, nothing USB above it
//   hidraw5  the keypad's consumer interface
//   hidraw6  a second keypad
// The dev root is a temporary directory of plain files standing in for nodes.
#ifdef __linux__

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "device/hid_linux.h"
#include "device/keypad_link.h"

namespace fs = std::filesystem;

namespace pm {
namespace {

const std::string kSys = std::string(PADMACRO_TEST_DATA) + "/hidraw/sys";

std::vector<uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> descriptorOf(const std::string& node)
{
    return readBytes(fs::path(kSys) / "class/hidraw" / node / "device/report_descriptor");
}

std::optional<ReportDescriptorInfo> parse(const std::vector<uint8_t>& bytes)
{
    return parseReportDescriptor(bytes.data(), bytes.size());
}

size_t openFdCount()
{
    return static_cast<size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

class DevRoot {
public:
    explicit DevRoot(std::initializer_list<int> nodes)
    {
        char pattern[] = "/tmp/padmacro-dev-XXXXXX";
        path_ = mkdtemp(pattern);
        for (int n : nodes) {
            std::ofstream(node(n));
        }
    }
    ~DevRoot() { fs::remove_all(path_); }
    DevRoot(const DevRoot&) = delete;
    DevRoot& operator=(const DevRoot&) = delete;

    std::string path() const { return path_; }
    fs::path node(int n) const { return fs::path(path_) / ("hidraw" + std::to_string(n)); }

private:
    std::string path_;
};

TEST(ReportDescriptor, FixturesGiveTheirTopLevelUsageAndOutputLength)
{
    struct Case {
        const char* node;
        uint16_t page, usage, outLen;
    };
    for (const Case& c : {Case{"hidraw5", 0x000C, 0x0001, 33}, // 32 data bytes, no report ID
             Case{"hidraw0", 0x0001, 0x0006, 2},               // LED bits and padding
             // reports 1 (7 bytes) and 2 (147 bits); the larger
             // input report and the later collections do not count
             Case{"hidraw1", 0xFF00, 0x0001, 20}, Case{"hidraw3", 0x000C, 0x0001, 33}}) {
        SCOPED_TRACE(c.node);
        const auto info = parse(descriptorOf(c.node));
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->usagePage, c.page);
        EXPECT_EQ(info->usage, c.usage);
        EXPECT_EQ(info->outputReportByteLength, c.outLen);
    }
}

TEST(ReportDescriptor, ItemForms)
{
    // Extended usage carries its own page; a long item is skipped whole.
    auto info
        = parse({0x05, 0x01, 0xFE, 0x02, 0x10, 0xA1, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->usagePage, 0x000C);
    EXPECT_EQ(info->usage, 0x0001);
    EXPECT_EQ(info->outputReportByteLength, 0); // no output report at all

    // Push/Pop restore report size and count; the first Usage names the collection.
    info = parse({0x05, 0x0C, 0x09, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x04, 0xA4, 0x95, 0x40,
        0x81, 0x02, 0xB4, 0x91, 0x02, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->usage, 0x0001);
    EXPECT_EQ(info->outputReportByteLength, 5);

    // A main item ends the usages before it: they do not name the collection.
    info = parse({0x05, 0x0C, 0x09, 0x07, 0x81, 0x02, 0x09, 0x01, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->usage, 0x0001);

    // The usage page in effect at the collection, not one set later.
    info = parse({0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x05, 0x01, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->usagePage, 0x000C);
}

TEST(ReportDescriptor, BrokenDescriptorsAreRejected)
{
    EXPECT_FALSE(parse({}));
    EXPECT_FALSE(parse({0x05, 0x0C, 0x09, 0x01}));                         // no collection
    EXPECT_FALSE(parse({0x05, 0x0C, 0x09, 0x01, 0xA1}));                   // cut inside an item
    EXPECT_FALSE(parse({0x05, 0x0C, 0xA1, 0x01, 0xFE, 0x05, 0x00, 0x01})); // cut long item
    EXPECT_FALSE(parse({0xA1, 0x01, 0x27, 0x01, 0x02, 0x03}));             // 4-byte item cut
}

TEST(LinuxHidraw, EnumeratesNodesByNumber)
{
    DevRoot dev({});
    LinuxHidraw hid(kSys, dev.path());
    EXPECT_FALSE(hid.interfacePath(0).has_value()); // not before the enumeration
    ASSERT_TRUE(hid.beginEnumeration());
    EXPECT_EQ(hid.interfacePath(0), dev.node(0).string());
    EXPECT_EQ(hid.interfacePath(5), dev.node(5).string());
    EXPECT_FALSE(hid.interfacePath(2).has_value());
    EXPECT_FALSE(hid.interfacePath(7).has_value());
    EXPECT_FALSE(hid.interfacePath(-1).has_value());
    hid.endEnumeration();

    LinuxHidraw none(dev.path() + "/no-sysfs", dev.path());
    EXPECT_FALSE(none.beginEnumeration());
}

TEST(LinuxHidraw, AttributesAndCapsPerNode)
{
    DevRoot dev({0, 1, 3, 5});
    LinuxHidraw hid(kSys, dev.path());
    struct Case {
        int node;
        uint16_t vendor, product, version, page;
    };
    for (const Case& c : {Case{5, 0xFFFF, 0x0200, 0x0101, 0x000C}, Case{0, 0xFFFF, 0x0200, 0x0101, 0x0001},
             Case{1, 0x1234, 0x5678, 0x0200, 0xFF00},
             // not on USB: readable, but never the keypad's version
             Case{3, 0xFFFF, 0x0200, 0x0000, 0x000C}}) {
        SCOPED_TRACE(c.node);
        const HidHandle h = hid.open(dev.node(c.node).string(), OpenMode::Overlapped);
        ASSERT_NE(h, kInvalidHandle);
        HidAttributes attr;
        HidCaps caps;
        ASSERT_TRUE(hid.getAttributes(h, attr));
        ASSERT_TRUE(hid.getCaps(h, caps));
        EXPECT_EQ(attr.vendorId, c.vendor);
        EXPECT_EQ(attr.productId, c.product);
        EXPECT_EQ(attr.versionNumber, c.version);
        EXPECT_EQ(caps.status, kHidpStatusSuccess);
        EXPECT_EQ(caps.usagePage, c.page);
        hid.close(h);
        EXPECT_FALSE(hid.getAttributes(h, attr)); // closed handles know nothing
        EXPECT_FALSE(hid.getCaps(h, caps));
    }
    // A node in /dev with no sysfs entry behind it.
    std::ofstream(dev.node(9));
    const HidHandle stray = hid.open(dev.node(9).string(), OpenMode::Overlapped);
    ASSERT_NE(stray, kInvalidHandle);
    HidAttributes attr;
    HidCaps caps;
    EXPECT_FALSE(hid.getAttributes(stray, attr));
    EXPECT_FALSE(hid.getCaps(stray, caps));
    hid.close(stray);
}

TEST(LinuxHidraw, FindsTheKeypadEndToEndAndWritesToItsNode)
{
    const size_t fdsBefore = openFdCount();
    {
        DevRoot dev({0, 1, 3, 5, 6});
        LinuxHidraw hid(kSys, dev.path());
        KeypadLink link(hid);
        ASSERT_EQ(link.FindKeypad(), 1);
        EXPECT_EQ(link.OutputReportLength, 33u);
        EXPECT_EQ(openFdCount(), fdsBefore + 2); // the rejected nodes were closed

        ReportImage image{};
        for (int i = 1; i <= 64; ++i) {
            image[i] = static_cast<uint8_t>(0x80 + i);
        }
        EXPECT_EQ(link.WriteReport(2, image), KeypadLink::WriteResult::Written);

        std::vector<uint8_t> expected(33, 0);
        for (int i = 1; i <= 32; ++i) {
            expected[i] = image[32 + i];
        }
        EXPECT_EQ(readBytes(dev.node(5)), expected);
        EXPECT_TRUE(readBytes(dev.node(6)).empty());
        link.CloseKeypad();
        EXPECT_EQ(openFdCount(), fdsBefore);
    }
    {
        // The first keypad's node cannot be opened: the second one is taken.
        DevRoot dev({0, 1, 3, 6});
        LinuxHidraw hid(kSys, dev.path());
        KeypadLink link(hid);
        ASSERT_EQ(link.FindKeypad(), 1);
        EXPECT_EQ(link.WriteReport(3, ReportImage{}), KeypadLink::WriteResult::Written);
        EXPECT_EQ(readBytes(dev.node(6)), std::vector<uint8_t>(33, 0));
        link.CloseKeypad();
    }
    {
        // Only the look-alikes are there.
        DevRoot dev({0, 1, 3});
        LinuxHidraw hid(kSys, dev.path());
        KeypadLink link(hid);
        EXPECT_EQ(link.FindKeypad(), 0);
        EXPECT_EQ(openFdCount(), fdsBefore);
    }
}

TEST(LinuxHidraw, WriteNeedsAnOpenHandle)
{
    DevRoot dev({5});
    LinuxHidraw hid(kSys, dev.path());
    const uint8_t report[3] = {0, 1, 2};
    EXPECT_FALSE(hid.write(kInvalidHandle, report, sizeof report));
    const HidHandle h = hid.open(dev.node(5).string(), OpenMode::Synchronous);
    ASSERT_NE(h, kInvalidHandle);
    EXPECT_TRUE(hid.write(h, report, sizeof report));
    hid.close(h);
    EXPECT_FALSE(hid.write(h, report, sizeof report));
    EXPECT_EQ(readBytes(dev.node(5)), (std::vector<uint8_t>{0, 1, 2}));
    EXPECT_EQ(hid.open(dev.node(4).string(), OpenMode::Synchronous), kInvalidHandle);
}

} // namespace
} // namespace pm

#endif // __linux__
