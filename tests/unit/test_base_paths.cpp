// Names whose letter case differs from the file's: the folder a lookup read
// is remembered, and the answer must follow files renamed, added and removed
// while the program runs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/paths.h"

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
