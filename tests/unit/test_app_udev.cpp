// The advice for a keypad this user may not write to, against fake
// installations: what it says must work on the system it runs on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>

#include "app/scheduler.h"
#include "app/udev_access.h"

namespace fs = std::filesystem;

namespace {

using pm::findUdevSetup;
using pm::UdevSetup;

class UdevAdviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("padmacro-udev-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // A file below the fake root, with content.
    fs::path put(const std::string& relative, const std::string& content = "KERNEL==\"hidraw*\"\n")
    {
        const fs::path file = root_ / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << content;
        return file;
    }
    std::string exe(const std::string& relative) const { return (root_ / relative).string(); }
    // What the program installed at relative finds in this root.
    UdevSetup setupOf(const std::string& relative) const { return findUdevSetup(root_.string(), exe(relative)); }
    std::string notice(const UdevSetup& setup) const { return pm::accessDeniedNotice("/dev/hidraw3", setup); }
    // The installer and the rule an installation below prefix brings.
    void install(const std::string& prefix)
    {
        put(prefix + "/share/padmacro/install-udev-rule");
        put(prefix + "/lib/udev/rules.d/70-padmacro.rules");
    }
    // The notice names each of says and none of never.
    void expectAdvice(const UdevSetup& setup, std::initializer_list<std::string> says,
        std::initializer_list<std::string> never) const
    {
        const std::string text = notice(setup);
        for (const std::string& s : says)
            EXPECT_NE(text.find(s), std::string::npos) << text;
        for (const std::string& s : never)
            EXPECT_EQ(text.find(s), std::string::npos) << text;
    }

    fs::path root_;
};

TEST_F(UdevAdviceTest, WithTheRuleInPlaceTheAdviceIsToReplugAtTheSeatNotToInstall)
{
    install("usr");
    const UdevSetup packaged = setupOf("usr/bin/padmacro");
    EXPECT_EQ(packaged.rule, "/usr/lib/udev/rules.d/70-padmacro.rules");
    const std::string text = notice(packaged);
    EXPECT_EQ(text.rfind("The keypad is at /dev/hidraw3, but this user may not write to it.\n", 0), 0u) << text;
    expectAdvice(packaged, {"replug", "local seat"}, {"install-udev-rule"});

    // Without merged /usr the package's rule lies in /lib.
    fs::remove_all(root_ / "usr" / "lib");
    put("lib/udev/rules.d/70-padmacro.rules");
    EXPECT_EQ(setupOf("usr/bin/padmacro").rule, "/lib/udev/rules.d/70-padmacro.rules");

    // A copy the installer put in /etc counts as well, and is the one in force.
    put("usr/lib/udev/rules.d/70-padmacro.rules");
    put("etc/udev/rules.d/70-padmacro.rules");
    const UdevSetup copied = setupOf("usr/bin/padmacro");
    EXPECT_EQ(copied.rule, "/etc/udev/rules.d/70-padmacro.rules");
    expectAdvice(copied, {}, {"install-udev-rule"});
}

TEST_F(UdevAdviceTest, ARuleMaskedInEtcIsNoRule)
{
    install("usr");
    fs::create_directories(root_ / "etc" / "udev" / "rules.d");
    fs::create_symlink("/dev/null", root_ / "etc" / "udev" / "rules.d" / "70-padmacro.rules");
    UdevSetup setup = setupOf("usr/bin/padmacro");
    EXPECT_EQ(setup.rule, "");
    expectAdvice(setup, {"sudo " + exe("usr/share/padmacro/install-udev-rule")}, {});

    fs::remove(root_ / "etc" / "udev" / "rules.d" / "70-padmacro.rules");
    put("etc/udev/rules.d/70-padmacro.rules", "");
    EXPECT_EQ(setupOf("usr/bin/padmacro").rule, "");
}

TEST_F(UdevAdviceTest, WithoutARuleTheAdviceNamesTheInstallerOfThisInstallation)
{
    // make install to another prefix: udev does not read its lib/udev.
    install("opt/pm");
    const UdevSetup prefix = setupOf("opt/pm/bin/padmacroctl");
    EXPECT_EQ(prefix.rule, "");
    expectAdvice(prefix, {"\n  sudo " + exe("opt/pm/share/padmacro/install-udev-rule"), "replug"},
        {"source tree", "/usr/share/padmacro"});

    // A build folder inside the source tree.
    put("src/packaging/linux/install-udev-rule");
    const UdevSetup tree = setupOf("src/build-release/bin/padmacro");
    EXPECT_EQ(tree.installer, exe("src/packaging/linux/install-udev-rule"));
    expectAdvice(tree, {"sudo " + tree.installer}, {});
}

TEST_F(UdevAdviceTest, WhenNothingIsFoundBothInstallersAreNamed)
{
    const UdevSetup none = setupOf("elsewhere/bin/padmacro");
    EXPECT_EQ(none.rule, "");
    EXPECT_EQ(none.installer, "");
    EXPECT_EQ(notice(none), notice(UdevSetup{}));
    expectAdvice(
        none, {"sudo packaging/linux/install-udev-rule", "sudo /usr/share/padmacro/install-udev-rule"}, {});
}

} // namespace
