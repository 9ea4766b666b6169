// Names whose letter case differs from the file's: the folder a lookup read
// is remembered, and the answer must follow files renamed, added and removed
// while the program runs. Then replacing a file whole, reading one bounded,
// and text from files shown escaped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

class CaseLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path()
            / ("pm-paths-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(root_ / "BMP");
        touch("Key_A.gif");
        settle();
    }
    void TearDown() override { fs::remove_all(root_); }

    void touch(const std::string& name) { std::ofstream(root_ / "BMP" / name) << "x"; }
    // An unchanged folder, as a lookup sees the installed pictures.
    void settle() { fs::last_write_time(root_ / "BMP", fs::file_time_type::clock::now() - std::chrono::hours(1)); }
    std::string in(const std::string& name) const { return (root_ / "BMP" / name).string(); }

    fs::path root_;
};

TEST_F(CaseLookup, FollowsARenameAfterTheFolderWasRead)
{
    EXPECT_EQ(pm::findExisting(in("key_a.gif")), in("Key_A.gif"));
    fs::rename(root_ / "BMP" / "Key_A.gif", root_ / "BMP" / "KEY_A.GIF");
    EXPECT_EQ(pm::findExisting(in("key_a.gif")), in("KEY_A.GIF"));
    // Asked again from the remembered folder, once it has settled.
    settle();
    EXPECT_EQ(pm::findExisting(in("key_a.gif")), in("KEY_A.GIF"));
    EXPECT_EQ(pm::findExisting(in("key_a.gif")), in("KEY_A.GIF"));
}

TEST_F(CaseLookup, FindsAFileAddedAfterALookupFoundNothing)
{
    EXPECT_EQ(pm::findExisting(in("shift.gif")), in("shift.gif"));
    touch("Shift.GIF");
    EXPECT_EQ(pm::findExisting(in("shift.gif")), in("Shift.GIF"));
}

TEST_F(CaseLookup, ForgetsAFileRemovedAfterItWasFound)
{
    EXPECT_EQ(pm::findExisting(in("key_a.gif")), in("Key_A.gif"));
    fs::remove(root_ / "BMP" / "Key_A.gif");
    EXPECT_EQ(pm::findExisting(in("key_a.gif")), in("key_a.gif"));
    EXPECT_THROW(pm::readWholeFile(in("key_a.gif")), std::exception);
}

TEST_F(CaseLookup, AFolderNamedInAnotherCaseIsReadThroughToo)
{
    fs::rename(root_ / "BMP", root_ / "bmp");
    fs::last_write_time(root_, fs::file_time_type::clock::now() - std::chrono::hours(1));
    EXPECT_EQ(pm::findExisting(in("KEY_A.gif")), (root_ / "bmp" / "Key_A.gif").string());
    EXPECT_EQ(pm::readWholeFile(in("KEY_A.gif")), "x");
}

} // namespace

// Replacing a file whole: what a planted link, a device or a failure may not do.
#ifndef _WIN32
namespace {

class Replacing : public CaseLookup {
protected:
    std::string read(const std::string& name) const
    {
        std::ifstream f(root_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(root_))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    void TearDown() override
    {
        pm::setFileChangeHook(nullptr);
        CaseLookup::TearDown();
    }
};

TEST_F(Replacing, ALinkAtTheOldTemporaryNameOrAtTheFileItselfIsNotWrittenThrough)
{
    std::ofstream(root_ / "victim") << "victim";
    fs::permissions(root_ / "victim", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("victim", root_ / "out.txt.tmp");
    pm::replaceWholeFile((root_ / "out.txt").string(), "export");
    EXPECT_EQ(read("out.txt"), "export");
    EXPECT_FALSE(fs::is_symlink(root_ / "out.txt"));
    EXPECT_EQ(read("victim"), "victim");

    // A link where the file should be is replaced, the file it led to kept.
    fs::remove(root_ / "out.txt");
    fs::create_symlink("victim", root_ / "out.txt");
    pm::replaceWholeFile((root_ / "out.txt").string(), "again");
    EXPECT_FALSE(fs::is_symlink(root_ / "out.txt"));
    EXPECT_EQ(read("out.txt"), "again");
    EXPECT_EQ(read("victim"), "victim");
    EXPECT_EQ(fs::status(root_ / "victim").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(names(), (std::vector<std::string>{"BMP", "out.txt", "out.txt.tmp", "victim"}));

    // A device, or a link to one, is never replaced by a file.
    fs::create_symlink("/dev/null", root_ / "null");
    EXPECT_THROW(pm::replaceWholeFile((root_ / "null").string(), "x"), pm::UiError);
    EXPECT_TRUE(fs::is_symlink(root_ / "null"));
}

TEST_F(Replacing, KeepsTheModeAndLeavesNothingBehindWhenAnyCallFails)
{
    std::ofstream(root_ / "f.txt") << "old";
    fs::permissions(root_ / "f.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    pm::replaceWholeFile((root_ / "f.txt").string(), "new");
    EXPECT_EQ(fs::status(root_ / "f.txt").permissions(),
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const auto before = names();
    for (const char* failing : {"create", "write", "fchmod", "fsync", "rename"}) {
        pm::setFileChangeHook([failing](const char* call, const std::string&) {
            return std::string(call) == failing ? ENOSPC : 0;
        });
        std::string msg;
        try {
            pm::replaceWholeFile((root_ / "f.txt").string(), "newer");
        } catch (const pm::UiError& e) {
            msg = e.what();
        }
        pm::setFileChangeHook(nullptr);
        EXPECT_EQ(msg, "Cannot create file \"" + (root_ / "f.txt").string() + "\". No space left on device")
            << failing;
        EXPECT_EQ(read("f.txt"), "new") << failing;
        EXPECT_EQ(names(), before) << failing;
    }
}

TEST_F(Replacing, ABoundedReadRefusesWhatIsNotAFileWithoutWaiting)
{
    ASSERT_EQ(::mkfifo((root_ / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(pm::readRegularFile((root_ / "fifo").string(), 100).notRegular, "a named pipe");
    EXPECT_EQ(pm::readRegularFile((root_ / "BMP").string(), 100).notRegular, "a folder");
    EXPECT_EQ(pm::readRegularFile("/dev/zero", 100).notRegular, "a device");
    std::ofstream(root_ / "big") << std::string(101, 'x');
    const pm::BoundedRead big = pm::readRegularFile((root_ / "big").string(), 100);
    EXPECT_TRUE(big.tooLarge);
    EXPECT_EQ(big.bytes, "");
    const pm::BoundedRead fits = pm::readRegularFile((root_ / "big").string(), 101);
    EXPECT_FALSE(fits.tooLarge);
    EXPECT_EQ(fits.bytes.size(), 101u);
}

} // namespace
#endif

TEST(EscapedText, ControlsAndStrayBytesAreShownAsHexAndUtf8Stays)
{
    EXPECT_EQ(pm::escapedText("plain <b>text</b>\nnext"), "plain <b>text</b>\nnext");
    EXPECT_EQ(pm::escapedText("\x1B[2J\r\t\x7F"), "\\x1B[2J\\x0D\\x09\\x7F");
    // U+009B is a control in UTF-8 too; \xFF is no UTF-8 at all.
    EXPECT_EQ(pm::escapedText("\xC2\x9B\xFF\xC3"), "\\xC2\\x9B\\xFF\\xC3");
    EXPECT_EQ(pm::escapedText("caf\xC3\xA9 \xE2\x80\x9D"), "caf\xC3\xA9 \xE2\x80\x9D");
    EXPECT_EQ(pm::escapedText("Shift+\xA1\xA8"), "Shift+\xE2\x80\x9D");
    // Overlong and surrogate forms are not UTF-8 either.
    EXPECT_EQ(pm::escapedText("\xC0\xAF\xED\xA0\x80"), "\\xC0\\xAF\\xED\\xA0\\x80");
}
