#include "app/udev_access.h"

#include <filesystem>
#include <system_error>

#include "app/app_dir.h"

namespace fs = std::filesystem;

namespace pm {

namespace {

constexpr const char* kRuleName = "70-padmacro.rules";

// A rule file udev would read: a link to /dev/null or an empty file masks
// the rule of the same name further down.
bool readableRule(const fs::path& file)
{
    std::error_code ec;
    return fs::is_regular_file(file, ec) && fs::file_size(file, ec) > 0 && !ec;
}

bool present(const fs::path& file)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(file, ec));
}

} // namespace

UdevSetup findUdevSetup(const std::string& root, const std::string& executable)
{
    UdevSetup setup;
    const fs::path base(root.empty() ? "/" : root);
    const fs::path etcRule = fs::path("/etc/udev/rules.d") / kRuleName;
    if (present(base / etcRule.relative_path())) {
        if (readableRule(base / etcRule.relative_path()))
            setup.rule = etcRule.string();
    } else {
        for (const char* dir : {"/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
            const fs::path rule = fs::path(dir) / kRuleName;
            if (readableRule(base / rule.relative_path())) {
                setup.rule = rule.string();
                break;
            }
        }
    }

    if (!executable.empty()) {
        // Lexically, as the pictures are found: bin/.. is the prefix or the build folder.
        const fs::path prefix = fs::path(executable).parent_path().parent_path();
        for (const fs::path& candidate : {prefix / "share" / "padmacro" / "install-udev-rule",
                 prefix.parent_path() / "packaging" / "linux" / "install-udev-rule"}) {
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec)) {
                setup.installer = candidate.lexically_normal().string();
                break;
            }
        }
    }
    return setup;
}

UdevSetup thisUdevSetup()
{
    return findUdevSetup("/", runningExecutable());
}

std::string udevAdvice(const UdevSetup& setup)
{
    if (!setup.rule.empty())
        return "The udev rule " + setup.rule
            + " is installed; it applies when the keypad appears:\n  unplug and replug the keypad, and\n"
              "  be logged in at the local seat (the rule gives access to the user at the seat, not to a "
              "remote or su session).";
    if (!setup.installer.empty())
        return "Install the udev rule once, then unplug and replug the keypad:\n  sudo " + setup.installer;
    return "Install the udev rule once, then unplug and replug the keypad:\n  from the source tree: sudo "
           "packaging/linux/install-udev-rule\n  from an installed package: sudo "
           "/usr/share/padmacro/install-udev-rule";
}

} // namespace pm
