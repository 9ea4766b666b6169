// The hidraw backend on a desktop-like tree, data/hidraw-desktop/sys:
//   hidraw2   a Bluetooth keypad look-alike below a USB Bluetooth adapter
//             whose bcdDevice is the keypad's version
//   hidraw7   another vendor's USB keyboard
//   hidraw45  the keypad: keyboard and consumer collections in one interface
// Unplugging, replugging and permissions work on a copy of the tree.
#ifdef __linux__

#include <fcntl.h>
#include <grp.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "device/hid_linux.h"
#include "device/keypad_link.h"
#include "unit/hidraw_test_support.h"

namespace fs = std::filesystem;

namespace pm {
namespace {

using pmtest::DevRoot;
using pmtest::openFdCount;

const std::string kDesktop = std::string(PADMACRO_TEST_DATA) + "/hidraw-desktop/sys";
const std::string kKeypadDir = "devices/pci0000_00/0000_00_14.0/usb1/1-3/1-3_1.0/0003_FFFF_0200.0009";

// The names of the files opened in dir since the watch began.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& dir)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        inotify_add_watch(fd_, dir.c_str(), IN_OPEN);
    }
    ~OpenWatch() { ::close(fd_); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    std::set<std::string> opened()
    {
        std::set<std::string> names;
        alignas(inotify_event) char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) {
                    names.insert(event->name);
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int fd_;
};

// A writable copy of the desktop tree.
class SysCopy {
public:
    SysCopy()
    {
        char pattern[] = "/tmp/padmacro-sys-XXXXXX";
        path_ = mkdtemp(pattern);
        fs::copy(kDesktop, path_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    ~SysCopy() { fs::remove_all(path_); }
    SysCopy(const SysCopy&) = delete;
    SysCopy& operator=(const SysCopy&) = delete;

    std::string path() const { return path_; }
    void unplug(int node)
    {
        fs::remove_all(fs::path(path_) / "class/hidraw" / ("hidraw" + std::to_string(node)));
    }
    // Plugs the keypad in again at node, as a new HID device (the kernel numbers it anew).
    void replugKeypad(int node, int sequence)
    {
        const fs::path old = fs::path(path_) / kKeypadDir;
        const fs::path fresh = old.parent_path() / ("0003_FFFF_0200.00" + std::to_string(sequence));
        if (!fs::exists(fresh)) {
            fs::copy(old, fresh, fs::copy_options::recursive);
        }
        const fs::path entry = fs::path(path_) / "class/hidraw" / ("hidraw" + std::to_string(node));
        fs::create_directories(entry);
        fs::create_directory_symlink(fs::relative(fresh, entry), entry / "device");
    }

private:
    std::string path_;
};

TEST(HidrawDesktop, FindsTheKeypadsSecondCollectionAtHidraw45AndOpensNothingElse)
{
    DevRoot dev({2, 7, 45});
    LinuxHidraw hid(kDesktop, dev.path());
    const size_t fds = openFdCount();
    OpenWatch watch(dev.path());
    KeypadLink link(hid);
    ASSERT_EQ(link.FindKeypad(), 1);
    EXPECT_EQ(link.OutputReportLength, 33u); // the consumer collection's, not the keyboard's 2
    EXPECT_EQ(watch.opened(), std::set<std::string>{"hidraw45"});
    EXPECT_FALSE(link.deniedKeypad);
    EXPECT_FALSE(link.keypadGone());
    EXPECT_EQ(link.WriteReport(1, ReportImage{}), KeypadLink::WriteResult::Written);
    EXPECT_EQ(pmtest::readBytes(dev.node(45)).size(), 33u);
    link.CloseKeypad();
    EXPECT_EQ(openFdCount(), fds + 1); // only the watch itself
}

TEST(HidrawDesktop, BluetoothLookAlikeDoesNotTakeItsAdaptersVersion)
{
    DevRoot dev({});
    LinuxHidraw hid(kDesktop, dev.path());
    ASSERT_TRUE(hid.beginEnumeration());
    const auto bt = hid.describe(0);
    ASSERT_TRUE(bt);
    EXPECT_EQ(bt->path, dev.node(2).string());
    EXPECT_EQ(bt->bus, 0x0005);
    EXPECT_EQ(bt->vendorId, kKeypadVendor);
    EXPECT_EQ(bt->productId, kKeypadProduct);
    EXPECT_EQ(bt->versionNumber, 0); // the adapter above says 0101
    EXPECT_EQ(matchKeypad(*bt).mismatch, "version 0000, the keypad has 0101");

    // The USB devices take the nearest usb_device's bcdDevice, not the root hub's.
    const auto keyboard = hid.describe(1);
    ASSERT_TRUE(keyboard);
    EXPECT_EQ(keyboard->versionNumber, 0x6400);
    const auto keypad = hid.describe(2);
    ASSERT_TRUE(keypad);
    EXPECT_EQ(keypad->path, dev.node(45).string());
    EXPECT_EQ(keypad->versionNumber, kKeypadVersion);
    ASSERT_EQ(keypad->collections.size(), 2u);
    EXPECT_EQ(matchKeypad(*keypad).collection, 1);
    EXPECT_FALSE(hid.describe(3));
    hid.endEnumeration();
}

TEST(HidrawDesktop, UnpluggedOrReplacedNodeIsNoLongerPresent)
{
    SysCopy sys;
    DevRoot dev({2, 7, 45});
    LinuxHidraw hid(sys.path(), dev.path());
    KeypadLink link(hid);
    ASSERT_EQ(link.FindKeypad(), 1);
    const HidHandle handle = link.DeviceHandle;
    sys.unplug(45);
    EXPECT_FALSE(hid.stillPresent(handle));
    EXPECT_TRUE(link.keypadGone());

    // Plugged in again under the same node number: a different device.
    sys.replugKeypad(45, 10);
    EXPECT_TRUE(link.keypadGone());
    link.CloseKeypad();
    EXPECT_FALSE(link.keypadGone());
    ASSERT_EQ(link.FindKeypad(), 1);
    EXPECT_FALSE(link.keypadGone());
    link.CloseKeypad();
    EXPECT_FALSE(hid.stillPresent(handle)); // closed handles are nothing
}

TEST(HidrawDesktop, HangUpOnTheNodeMeansGone)
{
    // A FIFO stands in for the node: when its reader goes, poll() reports
    // POLLERR, as hidraw does for an unplugged device.
    DevRoot dev({});
    ASSERT_EQ(mkfifo(dev.node(45).c_str(), 0600), 0);
    const int reader = ::open(dev.node(45).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    LinuxHidraw hid(kDesktop, dev.path());
    const HidHandle h = hid.open(dev.node(45).string(), OpenMode::Write);
    ASSERT_NE(h, kInvalidHandle);
    EXPECT_TRUE(hid.stillPresent(h));
    ::close(reader);
    EXPECT_FALSE(hid.stillPresent(h));
    hid.close(h);
}

// What a user without write permission on the keypad's node gets. The node
// is made read-only, which denies its owner too; root may write anyway, so
// as root the check runs in a child dropped to nobody, on a copy of the tree
// any user can read (the checkout may sit in a private folder).
struct AsUser {
    bool found = false;
    bool deniedReported = false;
    bool writable = true;
    bool openDenied = false;
};

AsUser runWithoutPermission(const std::string& sysRoot, const std::string& devRoot, const std::string& node)
{
    const auto check = [&]() {
        LinuxHidraw hid(sysRoot, devRoot);
        KeypadLink link(hid);
        AsUser r;
        r.found = link.FindKeypad() == 1;
        r.deniedReported = link.deniedKeypad && link.deniedKeypad->path == node;
        r.writable = hid.writableByUser(node);
        OpenError why = OpenError::None;
        r.openDenied
            = hid.open(node, OpenMode::Query, &why) == kInvalidHandle && why == OpenError::AccessDenied;
        return r;
    };
    if (geteuid() != 0) {
        return check();
    }
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(100);
        }
        const AsUser r = check();
        _exit((r.found ? 1 : 0) | (r.deniedReported ? 2 : 0) | (r.writable ? 4 : 0) | (r.openDenied ? 8 : 0));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    EXPECT_TRUE(WIFEXITED(status));
    const int bits = WEXITSTATUS(status);
    EXPECT_NE(bits, 100) << "could not drop to nobody";
    return {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
}

// Every folder of root searchable and every file readable by anyone.
void openToEveryone(const fs::path& root)
{
    const auto open = [](const fs::path& p) {
        const fs::file_status st = fs::symlink_status(p);
        if (fs::is_symlink(st)) {
            return;
        }
        const fs::perms read = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
        const fs::perms search = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
        fs::permissions(p, fs::is_directory(st) ? read | search : read, fs::perm_options::add);
    };
    open(root);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        open(entry.path());
    }
}

TEST(HidrawDesktop, KeypadNodeWithoutPermissionIsReportedNotOpened)
{
    SysCopy sys;
    openToEveryone(sys.path());
    DevRoot dev({2, 7, 45});
    fs::permissions(dev.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(dev.node(45), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const AsUser r = runWithoutPermission(sys.path(), dev.path(), dev.node(45).string());
    EXPECT_FALSE(r.found);
    EXPECT_TRUE(r.deniedReported);
    EXPECT_FALSE(r.writable);
    EXPECT_TRUE(r.openDenied);

    // A node that is missing or is not a node is no permission problem.
    LinuxHidraw hid(kDesktop, dev.path());
    OpenError why = OpenError::None;
    EXPECT_EQ(hid.open(dev.node(46).string(), OpenMode::Query, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::Gone);
    fs::create_directory(dev.node(47));
    EXPECT_EQ(hid.open(dev.node(47).string(), OpenMode::Query, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::Other);
}

TEST(HidrawDesktop, IdsWiderThanSixteenBitsAreNotTakenForTheKeypads)
{
    SysCopy sys;
    const fs::path uevent = fs::path(sys.path()) / kKeypadDir / "uevent";
    std::ofstream(uevent, std::ios::trunc) << "DRIVER=hid-generic\nHID_ID=0003:0001FFFF:7FFF0200\n";
    DevRoot dev({2, 7, 45});
    LinuxHidraw hid(sys.path(), dev.path());
    KeypadLink link(hid);
    EXPECT_EQ(link.FindKeypad(), 0);
    ASSERT_TRUE(hid.beginEnumeration());
    const auto info = hid.describe(2);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vendorId, 0x0001FFFFu);
    EXPECT_EQ(info->productId, 0x7FFF0200u);
    const KeypadMatch match = matchKeypad(*info);
    EXPECT_NE(match.mismatch.find("vendor 0001FFFF, the keypad has FFFF"), std::string::npos)
        << match.mismatch;
    EXPECT_NE(match.mismatch.find("product 7FFF0200"), std::string::npos) << match.mismatch;
    hid.endEnumeration();
}

TEST(HidrawDesktop, LinksAndOrdinaryFilesAreNoNodes)
{
    DevRoot dev({});
    const fs::path victim = fs::path(dev.path()) / "victim";
    std::ofstream(victim) << "kept";
    fs::create_symlink(victim, dev.node(45));
    LinuxHidraw hid(kDesktop, dev.path());
    OpenError why = OpenError::None;
    EXPECT_EQ(hid.open(dev.node(45).string(), OpenMode::Write, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::Other);
    KeypadLink link(hid);
    EXPECT_EQ(link.FindKeypad(), 0);
    EXPECT_EQ(pmtest::readBytes(victim).size(), 4u);

    // Below the real /dev only a character device is a node.
    LinuxHidraw real(kDesktop, "/dev");
    EXPECT_EQ(real.open(victim.string(), OpenMode::Write, &why), kInvalidHandle);
    EXPECT_EQ(why, OpenError::Other);
    const HidHandle null = real.open("/dev/null", OpenMode::Write, &why);
    EXPECT_NE(null, kInvalidHandle);
    real.close(null);
}

TEST(HidrawDesktop, RepeatedSearchesAndUnplugsLeaveNoDescriptorOpen)
{
    SysCopy sys;
    DevRoot dev({2, 7, 45});
    LinuxHidraw hid(sys.path(), dev.path());
    KeypadLink link(hid);
    const size_t fds = openFdCount();
    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_EQ(link.FindKeypad(), 1) << cycle;
        if (cycle % 2 == 0) {
            sys.unplug(45);
            ASSERT_TRUE(link.keypadGone()) << cycle;
            sys.replugKeypad(45, 10 + cycle % 4);
        }
        link.CloseKeypad();
    }
    EXPECT_EQ(openFdCount(), fds);
}

} // namespace
} // namespace pm

#endif // __linux__
