// Which folder the program works on, and the per-user folder it makes:
// every case in its own temporary tree.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "app/app_dir.h"
#include "app/command_line.h"
#include "base/paths.h"

namespace fs = std::filesystem;

namespace {

// A scratch tree with a fake installation: prefix/bin/padmacro and the
// pictures at prefix/share/padmacro/BMP.
class AppDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("padmacro-dir-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root_ / "cwd");
        fs::create_directories(root_ / "home");
        fs::create_directories(root_ / "usr" / "bin");
        fs::create_directories(root_ / "usr" / "share" / "padmacro" / "BMP");
        in_.currentDir = (root_ / "cwd").string();
        in_.home = (root_ / "home").string();
        in_.executable = (root_ / "usr" / "bin" / "padmacro").string();
    }
    void TearDown() override
    {
        pm::setFileChangeHook(nullptr);
        std::error_code ec;
        fs::permissions(userDir(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root_, ec);
    }

    std::string userDir() const { return (root_ / "home" / ".local" / "share" / "padmacro").string(); }
    std::string installedPictures() const { return (root_ / "usr" / "share" / "padmacro" / "BMP").string(); }

    static std::string errorOf(const pm::AppDirInputs& in)
    {
        try {
            pm::chooseAppDir(in);
        } catch (const pm::AppDirError& e) {
            return e.what();
        }
        return {};
    }

    fs::path root_;
    pm::AppDirInputs in_;
};

TEST_F(AppDirTest, AnExplicitFolderWinsAndMustExist)
{
    fs::create_directories(root_ / "cwd" / "log");
    in_.explicitDir = (root_ / "mine").string();
    fs::create_directories(in_.explicitDir);
    EXPECT_EQ(pm::chooseAppDir(in_), in_.explicitDir);
    EXPECT_FALSE(fs::exists(userDir()));

    in_.explicitDir = (root_ / "missing").string();
    const std::string error = errorOf(in_);
    EXPECT_NE(error.find(in_.explicitDir), std::string::npos) << error;
    EXPECT_NE(error.find("--dir"), std::string::npos) << error;
}

TEST_F(AppDirTest, ACurrentFolderWithPicturesOrMacroFilesIsUsedAsItIs)
{
    const fs::path pictures = root_ / "cwd-pictures";
    fs::create_directories(pictures / "BMP");
    std::ofstream(pictures / "BMP" / "1.bmp") << "BM";
    std::ofstream(pictures / "BMP" / "2.bmp") << "BM";
    const fs::path macros = root_ / "cwd-macros";
    fs::create_directories(macros / "log");
    std::ofstream(macros / "log" / "LineBuf13.txt") << "";
    for (const fs::path& cwd : {pictures, macros}) {
        in_.currentDir = cwd.string();
        const pm::AppDirChoice choice = pm::resolveAppDir(in_);
        EXPECT_EQ(choice.dir, cwd.string());
        EXPECT_EQ(choice.reason, pm::AppDirReason::CurrentFolder);
        // Nothing is added to a folder the user chose by starting there.
        EXPECT_EQ(std::distance(fs::directory_iterator(cwd), fs::directory_iterator()), 1) << cwd;
    }
    EXPECT_FALSE(fs::exists(userDir()));
}

TEST_F(AppDirTest, AnUnrelatedLogOrBmpFolderIsLeftAlone)
{
    // A home folder with server logs and a folder of other pictures.
    const fs::path cwd = root_ / "cwd";
    fs::create_directories(cwd / "log");
    std::ofstream(cwd / "log" / "server.log") << "line 1\n";
    std::ofstream(cwd / "log" / "KeyNum99.txt") << "not a key of the keypad\n";
    fs::create_directories(cwd / "BMP");
    std::ofstream(cwd / "BMP" / "1.bmp") << "BM"; // 2.bmp missing
    const pm::AppDirChoice choice = pm::resolveAppDir(in_);
    EXPECT_EQ(choice.dir, userDir());
    EXPECT_EQ(choice.reason, pm::AppDirReason::PerUser);
    EXPECT_EQ(std::distance(fs::directory_iterator(cwd / "log"), fs::directory_iterator()), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(cwd / "BMP"), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(fs::path(userDir()) / "log" / "KeyCode40.txt"));

    // The same goes for a folder that is an application folder when the
    // desktop entry asks for the per-user folder.
    std::ofstream(cwd / "log" / "KeyCode40.txt") << "";
    EXPECT_EQ(pm::resolveAppDir(in_).reason, pm::AppDirReason::CurrentFolder);
    in_.perUserOnly = true;
    EXPECT_EQ(pm::chooseAppDir(in_), userDir());
}

TEST_F(AppDirTest, TheNoteSaysWhichFolderWhyAndNamesDir)
{
    for (const auto reason :
        {pm::AppDirReason::Given, pm::AppDirReason::CurrentFolder, pm::AppDirReason::PerUser}) {
        const std::string note = pm::appDirNote({"/some/where", reason});
        EXPECT_NE(note.find("/some/where"), std::string::npos) << note;
        EXPECT_NE(note.find("--dir"), std::string::npos) << note;
    }
    EXPECT_NE(
        pm::appDirNote({"/x", pm::AppDirReason::CurrentFolder}).find("current folder"), std::string::npos);
    EXPECT_NE(pm::appDirNote({"/x", pm::AppDirReason::PerUser}).find("per-user"), std::string::npos);
    // A per-user folder that cannot be made says which one it was.
    std::ofstream(root_ / "home" / ".local") << "a file in the way";
    const std::string error = errorOf(in_);
    EXPECT_NE(error.find("per-user folder"), std::string::npos) << error;
    EXPECT_NE(error.find(userDir()), std::string::npos) << error;
}

TEST_F(AppDirTest, ElsewhereThePerUserFolderIsMadeWithEveryMacroFileAndThePictures)
{
    EXPECT_EQ(pm::chooseAppDir(in_), userDir());
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(userDir()) / "log")) {
        names.insert(entry.path().filename().string());
        EXPECT_EQ(fs::file_size(entry.path()), 0u);
    }
    EXPECT_EQ(names.size(), 78u);
    for (const char* name : {"KeyNum0.txt", "KeyCode43.txt", "LineBuf13.txt", "KeyNum36.txt"})
        EXPECT_TRUE(names.count(name)) << name;
    EXPECT_TRUE(fs::is_symlink(fs::path(userDir()) / "BMP"));
    EXPECT_TRUE(fs::equivalent(fs::path(userDir()) / "BMP", installedPictures()));
    // The folder made is the one started in the next time: the current
    // folder rule must not pick up anything else.
    in_.currentDir = userDir();
    EXPECT_EQ(pm::chooseAppDir(in_), userDir());
}

TEST_F(AppDirTest, StoredMacrosSurviveTheNextStart)
{
    pm::chooseAppDir(in_);
    const fs::path stroke = fs::path(userDir()) / "log" / "KeyNum40.txt";
    std::ofstream(stroke, std::ios::binary) << "2,20\r\n";
    fs::remove(fs::path(userDir()) / "log" / "KeyCode40.txt");
    pm::chooseAppDir(in_);
    std::ifstream in(stroke, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "2,20\r\n");
    EXPECT_TRUE(fs::exists(fs::path(userDir()) / "log" / "KeyCode40.txt"));
}

TEST_F(AppDirTest, AnEmptyMacroFileIsNeverCreatedThroughALink)
{
    const fs::path log = fs::path(userDir()) / "log";
    fs::create_directories(log);
    fs::create_symlink(root_ / "victim", log / "KeyNum0.txt"); // dangling: a plain create would make it
    pm::chooseAppDir(in_);
    EXPECT_FALSE(fs::exists(root_ / "victim"));
    EXPECT_TRUE(fs::is_symlink(log / "KeyNum0.txt"));
    EXPECT_TRUE(fs::is_regular_file(log / "KeyCode0.txt"));
}

TEST_F(AppDirTest, AMacroFileThatCannotBeMadeIsReportedWithTheSystemsReason)
{
    pm::setFileChangeHook([](const char* call, const std::string& path) {
        return std::string(call) == "create" && path.ends_with("KeyCode40.txt") ? EROFS : 0;
    });
    const std::string error = errorOf(in_);
    pm::setFileChangeHook(nullptr);
    EXPECT_NE(error.find((fs::path(userDir()) / "log" / "KeyCode40.txt").string()), std::string::npos)
        << error;
    EXPECT_NE(error.find(std::strerror(EROFS)), std::string::npos) << error;
    EXPECT_EQ(error.find(std::strerror(EACCES)), std::string::npos) << error;
    EXPECT_NE(error.find("per-user folder"), std::string::npos) << error;
}

// Named as such, not as a link that cannot be made because the name is taken.
TEST_F(AppDirTest, AStalePictureLinkThatCannotBeRemovedIsReportedWithTheSystemsReason)
{
    EXPECT_EQ(pm::chooseAppDir(in_), userDir());
    const fs::path link = fs::path(userDir()) / "BMP";
    fs::remove(link);
    fs::create_directory_symlink(root_ / "gone" / "BMP", link);
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may remove a link from a read-only folder";
    fs::permissions(userDir(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
        fs::perm_options::remove);
    const std::string error = errorOf(in_);
    EXPECT_NE(error.find("Cannot replace " + link.string() + ": " + std::strerror(EACCES)), std::string::npos)
        << error;
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(AppDirTest, XdgDataHomeIsHonouredWhenAbsolute)
{
    in_.dataHome = (root_ / "data").string();
    EXPECT_EQ(pm::chooseAppDir(in_), (root_ / "data" / "padmacro").string());
    in_.dataHome = "relative/data";
    EXPECT_EQ(pm::perUserDir(in_), userDir());
    in_.dataHome.clear();
    in_.home.clear();
    EXPECT_NE(errorOf(in_).find("HOME"), std::string::npos);
}

TEST_F(AppDirTest, ThePictureLinkFollowsTheInstallation)
{
    // A build tree: bin/../app/BMP.
    fs::create_directories(root_ / "build" / "bin");
    std::ofstream(root_ / "build" / "bin" / "padmacroctl") << "";
    fs::create_directories(root_ / "build" / "app" / "BMP");
    in_.executable = (root_ / "build" / "bin" / "padmacro").string();
    pm::chooseAppDir(in_);
    EXPECT_TRUE(fs::equivalent(fs::path(userDir()) / "BMP", root_ / "build" / "app" / "BMP"));

    // The installed program re-points it.
    in_.executable = (root_ / "usr" / "bin" / "padmacro").string();
    pm::chooseAppDir(in_);
    EXPECT_TRUE(fs::equivalent(fs::path(userDir()) / "BMP", installedPictures()));

    // A link left dangling by an upgrade that moved the pictures is mended.
    fs::rename(root_ / "usr", root_ / "usr2");
    in_.executable = (root_ / "usr2" / "bin" / "padmacro").string();
    pm::chooseAppDir(in_);
    EXPECT_TRUE(fs::equivalent(fs::path(userDir()) / "BMP", root_ / "usr2" / "share" / "padmacro" / "BMP"));
}

TEST_F(AppDirTest, PicturesOfTheUsersOwnAreKept)
{
    fs::create_directories(fs::path(userDir()) / "BMP");
    std::ofstream(fs::path(userDir()) / "BMP" / "1.bmp") << "mine";
    pm::chooseAppDir(in_);
    EXPECT_FALSE(fs::is_symlink(fs::path(userDir()) / "BMP"));
    EXPECT_TRUE(fs::exists(fs::path(userDir()) / "BMP" / "1.bmp"));
}

TEST_F(AppDirTest, APictureLinkOfTheUsersOwnIsKept)
{
    // Pictures of their own, and a folder shaped like an installation's
    // that has no program beside it: neither was linked by the program.
    for (const fs::path& own :
        {root_ / "mine" / "pictures", root_ / "other" / "share" / "padmacro" / "BMP"}) {
        fs::create_directories(own);
        fs::create_directories(userDir());
        fs::remove(fs::path(userDir()) / "BMP");
        fs::create_directory_symlink(own, fs::path(userDir()) / "BMP");
        pm::chooseAppDir(in_);
        EXPECT_EQ(fs::read_symlink(fs::path(userDir()) / "BMP"), own);
    }
    // Once that folder is gone the link is dangling and is set again.
    fs::remove_all(root_ / "other");
    pm::chooseAppDir(in_);
    EXPECT_TRUE(fs::equivalent(fs::path(userDir()) / "BMP", installedPictures()));
}

TEST_F(AppDirTest, MissingPicturesAreReportedWithWhereItLooked)
{
    fs::remove_all(root_ / "usr" / "share");
    const std::string error = errorOf(in_);
    EXPECT_NE(error.find(installedPictures()), std::string::npos) << error;
    EXPECT_NE(error.find("Reinstall"), std::string::npos) << error;
}

pm::CommandLine parse(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"padmacro"};
    argv.insert(argv.end(), args);
    return pm::parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, OptionsOfTheProgram)
{
    using Action = pm::CommandLine::Action;
    EXPECT_EQ(parse({}).action, Action::Run);
    EXPECT_TRUE(parse({"--demo"}).demo);
    EXPECT_EQ(parse({"--dir", "/x"}).dir, "/x");
    EXPECT_EQ(parse({"--dir=/y", "--demo"}).dir, "/y");
    EXPECT_EQ(parse({"--demo", "--help"}).action, Action::Help);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    EXPECT_TRUE(parse({"--user-dir"}).userDir);
    EXPECT_EQ(parse({"--user-dir", "--dir", "/x"}).action, Action::UsageError);
}

TEST(CommandLine, MistakesAreUsageErrorsButToolkitOptionsPass)
{
    using Action = pm::CommandLine::Action;
    for (auto args : {std::vector<const char*>{"--bogus"}, {"--dir"}, {"--dir="}, {"stray"}, {"-platform"}}) {
        std::vector<const char*> argv{"padmacro"};
        argv.insert(argv.end(), args.begin(), args.end());
        const pm::CommandLine cl = pm::parseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(cl.action, Action::UsageError) << args[0];
        EXPECT_FALSE(cl.error.empty());
    }
    EXPECT_EQ(parse({"-platform", "offscreen", "--demo"}).action, Action::Run);
    EXPECT_EQ(parse({"--style=fusion", "-reverse"}).action, Action::Run);
}

} // namespace
