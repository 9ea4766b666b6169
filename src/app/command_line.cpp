#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#ifndef PADMACRO_VERSION
#define PADMACRO_VERSION "0"
#endif

namespace pm {

namespace {

// The toolkit's own options, written with one dash (it takes two as well).
constexpr std::array<std::string_view, 15> kToolkitWithValue = {"platform", "platformpluginpath",
    "platformtheme", "plugin", "style", "stylesheet", "session", "display", "geometry", "name", "title",
    "qwindowgeometry", "qwindowtitle", "qwindowicon", "qwindowstylesheet"};
constexpr std::array<std::string_view, 5> kToolkitFlags
    = {"reverse", "widgetcount", "sync", "nograb", "dograb"};

template <size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

bool readSharedOption(int argc, const char* const* argv, int& i, SharedOptions& options)
{
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
        options.action = CommandAction::Help;
    } else if (arg == "--version") {
        options.action = CommandAction::Version;
    } else if (arg == "--demo") {
        options.demo = true;
    } else if (arg == "--dir" || arg.starts_with("--dir=")) {
        if (arg != "--dir")
            options.dir = std::string(arg.substr(6));
        else if (i + 1 < argc)
            options.dir = argv[++i];
        else
            options.dir.clear();
        if (options.dir.empty()) {
            options.action = CommandAction::UsageError;
            options.error = "--dir needs a folder";
        }
    } else {
        return false;
    }
    return true;
}

CommandLine parseCommandLine(int argc, const char* const* argv)
{
    CommandLine cl;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (readSharedOption(argc, argv, i, cl)) {
            if (cl.action != CommandAction::Run)
                return cl;
        } else if (arg == "--user-dir") {
            cl.userDir = true;
        } else {
            std::string_view name = arg;
            if (name.starts_with("--"))
                name.remove_prefix(2);
            else if (name.starts_with("-"))
                name.remove_prefix(1);
            else
                return usageError<CommandLine>("unexpected argument '" + std::string(arg) + "'");
            const size_t eq = name.find('=');
            const std::string_view bare = name.substr(0, eq);
            if (among(kToolkitFlags, bare) && eq == std::string_view::npos)
                continue;
            if (!among(kToolkitWithValue, bare))
                return usageError<CommandLine>("unknown option '" + std::string(arg) + "'");
            if (eq == std::string_view::npos && ++i >= argc)
                return usageError<CommandLine>("'" + std::string(arg) + "' needs a value");
        }
    }
    if (cl.userDir && !cl.dir.empty())
        return usageError<CommandLine>("--dir and --user-dir choose two different folders: give one");
    return cl;
}

const char* usageText()
{
    return "Usage: padmacro [--demo] [--dir DIR | --user-dir]\n"
           "       padmacro --help | --version\n"
           "Configures the programmable USB numeric keypad.\n"
           "\n"
           "  --demo      work with a simulated keypad instead of the real one\n"
           "  --dir DIR   keep the pictures (BMP/) and macros (log/) in DIR\n"
           "  --user-dir  use the per-user folder, whatever the current folder holds\n"
           "              (the desktop menu starts padmacro so)\n"
           "  --help      print this help and exit\n"
           "  --version   print the version and exit\n"
           "\n"
           "Without either, the current folder is used when it holds the keypad\n"
           "pictures (BMP/1.bmp and BMP/2.bmp) or macro files in log/, else\n"
           "$XDG_DATA_HOME/padmacro (~/.local/share/padmacro), made on first use.\n"
           "\n"
           "Without a mouse: in the keypad window the arrow keys or Tab reach the keys\n"
           "and the layout button, Space or Enter chooses, the Menu key or Shift+F10\n"
           "opens Export, Import and Restore keypad. In the macro editor every key\n"
           "typed records; hold Esc for a second to reach the buttons and keys with\n"
           "Tab or the arrows, press them with Space or Enter, and press Esc to type again.\n";
}

std::string versionText(std::string_view program)
{
    return std::string(program) + " " PADMACRO_VERSION "\n";
}

} // namespace pm
