// One program at a time on an application folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/folder_lock.h"
#include "unit/keypad_test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(FolderLock, ASecondHolderIsToldWhoHasTheFolder)
{
    pmtest::TempAppDir dir;
    {
        const pm::FolderLock first(dir.path(), pm::kWindowHolder);
        ASSERT_EQ(first.state(), pm::FolderLock::State::Held);
        const pm::FolderLock second(dir.path(), "padmacroctl import");
        EXPECT_EQ(second.state(), pm::FolderLock::State::Busy);
        EXPECT_EQ(second.holder(), "padmacro");
        EXPECT_EQ(
            pm::folderBusyText(second, dir.path()), "The keypad window (padmacro) is open on " + dir.path());
    }
    const pm::FolderLock ctl(dir.path(), "padmacroctl send");
    ASSERT_EQ(ctl.state(), pm::FolderLock::State::Held);
    const pm::FolderLock window(dir.path(), pm::kWindowHolder);
    EXPECT_EQ(pm::folderBusyText(window, dir.path()), "padmacroctl send is working on " + dir.path());
}

TEST(FolderLock, APlantedLinkIsNeitherFollowedNorWritten)
{
    pmtest::TempAppDir dir;
    const fs::path victim = fs::path(dir.path()) / "victim";
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, fs::path(dir.path()) / pm::kFolderLockName);
    const pm::FolderLock lock(dir.path(), pm::kWindowHolder);
    EXPECT_EQ(lock.state(), pm::FolderLock::State::Unavailable);
    EXPECT_FALSE(lock.why().empty());
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
}

TEST(FolderLock, WhatAHolderWroteIsOnlyRepeatedWhenItIsAName)
{
    pmtest::TempAppDir dir;
    const pm::FolderLock first(dir.path(), "\x1b]0;evil\x07");
    const pm::FolderLock second(dir.path(), pm::kWindowHolder);
    ASSERT_EQ(second.state(), pm::FolderLock::State::Busy);
    EXPECT_EQ(second.holder(), "");
    EXPECT_EQ(pm::folderBusyText(second, "/d"), "Another padmacro or padmacroctl is working on /d");
}

} // namespace
