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
#include <memory>
#include <string>
#include <vector>

#include "device/hid_linux.h"
#include "device/keypad_link.h"
#include "unit/hidraw_test_support.h"

namespace fs = std::filesystem;

namespace pm {
namespace {

using pmtest::DevRoot;
using pmtest::openFdCount;
using pmtest::readBytes;

const std::string kSys = std::string(PADMACRO_TEST_DATA) + "/hidraw/sys";

std::vector<uint8_t> descriptorOf(const std::string& node)
{
    return readBytes(fs::path(kSys) / "class/hidraw" / node / "device/report_descriptor");
}

std::optional<ReportDescriptorInfo> parse(const std::vector<uint8_t>& bytes)
{
    return parseReportDescriptor(bytes.data(), bytes.size());
}

TEST(ReportDescriptor, FixturesGiveEachTopLevelCollection)
{
    struct Case {
        const char* node;
        std::vector<HidCollection> collections;
    };
    const Case cases[] = {
        {"hidraw5", {{0x000C, 0x0001, 33}}}, // 32 data bytes, no report ID
        {"hidraw0", {{0x0001, 0x0006, 2}}},  // LED bits and padding
        // Reports 1 (7 bytes) and 2 (147 bits, in a nested collection) belong
        // to the first collection; the larger input report does not count and
        // report 4 is the second collection's.
        {"hidraw1", {{0xFF00, 0x0001, 20}, {0x000C, 0x0001, 4}}},
        {"hidraw3", {{0x000C, 0x0001, 33}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        const auto info = parse(descriptorOf(c.node));
        ASSERT_TRUE(info.has_value());
        ASSERT_EQ(info->collections.size(), c.collections.size());
        for (size_t i = 0; i < c.collections.size(); ++i) {
            EXPECT_EQ(info->collections[i].usagePage, c.collections[i].usagePage) << i;
            EXPECT_EQ(info->collections[i].usage, c.collections[i].usage) << i;
            EXPECT_EQ(info->collections[i].outputReportByteLength, c.collections[i].outputReportByteLength)
                << i;
        }
    }
}

TEST(ReportDescriptor, ItemForms)
{
    // Extended usage carries its own page; a long item is skipped whole.
    auto info
        = parse({0x05, 0x01, 0xFE, 0x02, 0x10, 0xA1, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(info);
    ASSERT_EQ(info->collections.size(), 1u);
    EXPECT_EQ(info->collections[0].usagePage, 0x000C);
    EXPECT_EQ(info->collections[0].usage, 0x0001);
    EXPECT_EQ(info->collections[0].outputReportByteLength, 0); // no output report at all

    // Push/Pop restore report size and count; the first Usage names the collection.
    info = parse({0x05, 0x0C, 0x09, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x04, 0xA4, 0x95, 0x40,
        0x81, 0x02, 0xB4, 0x91, 0x02, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->collections.at(0).usage, 0x0001);
    EXPECT_EQ(info->collections.at(0).outputReportByteLength, 5);

    // A main item ends the usages before it: they do not name the collection.
    info = parse({0x05, 0x0C, 0x09, 0x07, 0x81, 0x02, 0x09, 0x01, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->collections.at(0).usage, 0x0001);

    // The usage page in effect at the collection, not one set later.
    info = parse({0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x05, 0x01, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->collections.at(0).usagePage, 0x000C);
}

TEST(ReportDescriptor, BrokenDescriptorsAreRejected)
{
    EXPECT_FALSE(parse({}));
    EXPECT_FALSE(parse({0x05, 0x0C, 0x09, 0x01}));                         // no collection
    EXPECT_FALSE(parse({0x05, 0x0C, 0x09, 0x01, 0xA1}));                   // cut inside an item
    EXPECT_FALSE(parse({0x05, 0x0C, 0xA1, 0x01, 0xFE, 0x05, 0x00, 0x01})); // cut long item
    EXPECT_FALSE(parse({0xA1, 0x01, 0x27, 0x01, 0x02, 0x03}));             // 4-byte item cut
}

// Output report declaring count fields of size bits, with report ID id when given.
std::vector<uint8_t> consumerWithOutput(uint32_t size, uint32_t count, int id = -1)
{
    std::vector<uint8_t> d = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01};
    if (id >= 0) {
        d.insert(d.end(), {0x86, static_cast<uint8_t>(id & 0xFF), static_cast<uint8_t>(id >> 8)});
    }
    d.insert(d.end(), {0x76, static_cast<uint8_t>(size & 0xFF), static_cast<uint8_t>(size >> 8)});
    d.insert(d.end(), {0x96, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8)});
    d.insert(d.end(), {0x91, 0x02, 0xC0});
    return d;
}

std::optional<uint16_t> outputLength(const std::vector<uint8_t>& bytes)
{
    const auto info = parse(bytes);
    if (!info) {
        return std::nullopt;
    }
    return info->collections.at(0).outputReportByteLength;
}

TEST(ReportDescriptor, ValuesBeyondTheKernelsLimitsAreRefusedNotWrapped)
{
    // A field is at most 256 bits, a report at most 12288 fields.
    EXPECT_EQ(outputLength(consumerWithOutput(256, 1)), 33);
    EXPECT_FALSE(outputLength(consumerWithOutput(257, 1)));
    EXPECT_EQ(outputLength(consumerWithOutput(1, 12288)), 1 + 12288 / 8);
    EXPECT_FALSE(outputLength(consumerWithOutput(1, 12289)));
    // 4-byte counts that would wrap a 32-bit product.
    EXPECT_FALSE(parse({0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x77, 0x00, 0x00, 0x00, 0x01, 0x97, 0x00, 0x00,
        0x00, 0x01, 0x91, 0x02, 0xC0}));
    EXPECT_FALSE(parse(
        {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x91, 0x02, 0xC0}));

    // Report IDs run from 1 to 255.
    EXPECT_EQ(outputLength(consumerWithOutput(8, 32, 255)), 33);
    EXPECT_FALSE(outputLength(consumerWithOutput(8, 32, 0)));
    EXPECT_FALSE(outputLength(consumerWithOutput(8, 32, 256)));

    // A report is at most 16383 bytes, summed over all its items.
    EXPECT_EQ(outputLength(consumerWithOutput(256, 511)), 1 + 511 * 32);
    EXPECT_FALSE(outputLength(consumerWithOutput(256, 512)));
    std::vector<uint8_t> many = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x96, 0x00, 0x10};
    for (int i = 0; i < 3; ++i) {
        many.insert(many.end(), {0x91, 0x02}); // 3 x 4096 bytes
    }
    many.push_back(0xC0);
    EXPECT_EQ(outputLength(many), 1 + 3 * 4096);
    many.insert(many.end() - 1, {0x91, 0x02}); // the fourth makes 16384
    EXPECT_FALSE(outputLength(many));
    // The same bits under other report IDs are separate reports.
    std::vector<uint8_t> split = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x96, 0x00, 0x10};
    for (uint8_t id = 1; id <= 4; ++id) {
        split.insert(split.end(), {0x85, id, 0x91, 0x02});
    }
    split.push_back(0xC0);
    EXPECT_EQ(outputLength(split), 1 + 4096);
}

TEST(ReportDescriptor, CollectionsAndTheirOutputReports)
{
    // Nested collections belong to their top-level one; only top-level ones are listed.
    auto info = parse(
        {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x20, 0xA1, 0x02, 0x75, 0x08, 0x95, 0x04, 0x91, 0x02, 0xA1,
            0x00, 0x95, 0x08, 0x91, 0x02, 0xC0, 0xC0, 0xC0, 0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(info);
    ASSERT_EQ(info->collections.size(), 2u);
    EXPECT_EQ(info->collections[0].outputReportByteLength, 13); // 4 + 8 bytes in one report
    EXPECT_EQ(info->collections[1].usagePage, 0x0001);
    EXPECT_EQ(info->collections[1].usage, 0x0006);
    EXPECT_EQ(info->collections[1].outputReportByteLength, 0);

    // Each collection's longest report, with its own report IDs.
    info = parse({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x01, 0x95, 0x05, 0x91, 0x02, 0xC0,
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x75, 0x08, 0x95, 0x10, 0x91, 0x02, 0x85, 0x03, 0x95,
        0x20, 0x91, 0x02, 0xC0});
    ASSERT_TRUE(info);
    ASSERT_EQ(info->collections.size(), 2u);
    EXPECT_EQ(info->collections[0].outputReportByteLength, 2); // 5 bits round up to a byte
    EXPECT_EQ(info->collections[1].outputReportByteLength, 33);

    // An output item outside every collection belongs to none.
    EXPECT_EQ(
        outputLength({0x75, 0x08, 0x95, 0x40, 0x91, 0x02, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0xC0}), 0);
    // A long item's data is skipped whole, even when it looks like a collection.
    info = parse({0xFE, 0x02, 0x10, 0xA1, 0x01, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0xC0});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->collections.size(), 1u);
}

TEST(ReportDescriptor, UnbalancedStructureIsRefused)
{
    EXPECT_FALSE(parse({0xC0}));                                           // End Collection first
    EXPECT_FALSE(parse({0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01}));             // never closed
    EXPECT_FALSE(parse({0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0xC0, 0xC0})); // closed twice
    EXPECT_FALSE(parse({0xB4, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0xC0})); // Pop without Push
    std::vector<uint8_t> pushes(5, 0xA4);
    pushes.insert(pushes.end(), {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0xC0});
    EXPECT_FALSE(parse(pushes)); // deeper than the kernel's stack of 4
    pushes.erase(pushes.begin());
    EXPECT_TRUE(parse(pushes));
}

TEST(ReportDescriptor, EveryCutOrCorruptionIsSafe)
{
    // Whatever a device sends, parsing ends without reading past the data.
    const std::vector<uint8_t> good = consumerWithOutput(8, 32, 2);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(parse(part)) << cut;
    }
    uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = good;
        for (int flips = 0; flips < 4; ++flips) {
            seed = seed * 1103515245 + 12345;
            bytes[(seed >> 8) % bytes.size()] = static_cast<uint8_t>(seed >> 16);
        }
        // On the heap at its exact size, so a sanitizer catches any overread.
        const auto copy = std::make_unique<uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), copy.get());
        (void)parseReportDescriptor(copy.get(), bytes.size());
    }
    EXPECT_FALSE(parseReportDescriptor(nullptr, 5));
}

TEST(LinuxHidraw, EnumeratesPresentNodesByNumber)
{
    DevRoot dev({});
    LinuxHidraw hid(kSys, dev.path());
    EXPECT_FALSE(hid.describe(0).has_value()); // not before the enumeration
    ASSERT_TRUE(hid.beginEnumeration());
    // Nodes 0, 1, 3, 5 and 6 are present: the gaps do not take up indices.
    const int nodes[] = {0, 1, 3, 5, 6};
    for (int index = 0; index < 5; ++index) {
        const auto info = hid.describe(index);
        ASSERT_TRUE(info) << index;
        EXPECT_EQ(info->path, dev.node(nodes[index]).string());
    }
    EXPECT_FALSE(hid.describe(5).has_value());
    EXPECT_FALSE(hid.describe(-1).has_value());
    hid.endEnumeration();
    EXPECT_FALSE(hid.describe(0).has_value());

    LinuxHidraw none(dev.path() + "/no-sysfs", dev.path());
    EXPECT_FALSE(none.beginEnumeration());
}

TEST(LinuxHidraw, DescribesEachNodeFromSysfsWithoutOpeningIt)
{
    DevRoot dev({}); // no node in /dev at all: nothing is opened
    LinuxHidraw hid(kSys, dev.path());
    ASSERT_TRUE(hid.beginEnumeration());
    struct Case {
        int index;
        uint16_t bus, vendor, product, version, page;
        const char* identityEnd;
    };
    const Case cases[] = {
        {3, 0x0003, 0xFFFF, 0x0200, 0x0101, 0x000C, "/1-2_1.1/0003_FFFF_0200.0002"},
        {0, 0x0003, 0xFFFF, 0x0200, 0x0101, 0x0001, "/1-2_1.0/0003_FFFF_0200.0001"},
        {1, 0x0003, 0x1234, 0x5678, 0x0200, 0xFF00, "/0003_1234_5678.0003"},
        // not on USB: readable, but never the keypad's version
        {2, 0x0005, 0xFFFF, 0x0200, 0x0000, 0x000C, "/hidraw3/device"},
    };
    const size_t fds = openFdCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const auto info = hid.describe(c.index);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->bus, c.bus);
        EXPECT_EQ(info->vendorId, c.vendor);
        EXPECT_EQ(info->productId, c.product);
        EXPECT_EQ(info->versionNumber, c.version);
        ASSERT_FALSE(info->collections.empty());
        EXPECT_EQ(info->collections[0].usagePage, c.page);
        const std::string end = c.identityEnd;
        EXPECT_EQ(
            info->identity.substr(info->identity.size() - std::min(end.size(), info->identity.size())), end);
    }
    EXPECT_EQ(openFdCount(), fds);
    hid.endEnumeration();
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
    const HidHandle h = hid.open(dev.node(5).string(), OpenMode::Write);
    ASSERT_NE(h, kInvalidHandle);
    EXPECT_TRUE(hid.write(h, report, sizeof report));
    hid.close(h);
    EXPECT_FALSE(hid.write(h, report, sizeof report));
    EXPECT_EQ(readBytes(dev.node(5)), (std::vector<uint8_t>{0, 1, 2}));
    EXPECT_EQ(hid.open(dev.node(4).string(), OpenMode::Write), kInvalidHandle);
}

} // namespace
} // namespace pm

#endif // __linux__
