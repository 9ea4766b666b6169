#pragma once
// Whether this system already grants the user at the seat write access to
// the keypad through padmacro's udev rule, and if not, how this
// installation installs the rule. Shared by padmacro and padmacroctl.
#include <string>

namespace pm {

// Left empty (nothing looked at, as in the scenario runner), the advice
// names both installers.
struct UdevSetup {
    std::string rule;      // the rule udev reads, as the system names it; empty when none
    std::string installer; // this installation's installer script; empty when not found
};

// Looks for the rule below root ("/" on a running system): a copy in
// /etc/udev/rules.d (which overrides, or masks, the packaged one), else
// /usr/lib/udev/rules.d or /lib/udev/rules.d. The installer is looked for
// beside the program: bin/../share/padmacro/install-udev-rule when installed
// (the package or make install), the source tree's
// packaging/linux/install-udev-rule when run from a build folder in it.
UdevSetup findUdevSetup(const std::string& root, const std::string& executable);

// The running program's setup.
UdevSetup thisUdevSetup();

// What the user has to do to get write access, one step a line.
std::string udevAdvice(const UdevSetup& setup);

} // namespace pm
