#pragma once
// The command lines of padmacro and padmacroctl: what they share, and
// padmacro's own options, read before the toolkit starts so that --help and
// --version need no display.
#include <string>
#include <string_view>
#include <utility>

namespace pm {

// What a command line asks for.
enum class CommandAction { Run, Help, Version, UsageError };

// The options both programs take, and what the command line asks for.
struct SharedOptions {
    using Action = CommandAction;
    Action action = Action::Run;
    bool demo = false;
    std::string dir;   // --dir DIR
    std::string error; // with UsageError: what was wrong
};

// A command line that stops at a mistake: nothing else of it counts.
template <class Options>
Options usageError(std::string what)
{
    Options options;
    options.action = CommandAction::UsageError;
    options.error = std::move(what);
    return options;
}

// Reads argv[i] when it is an option both programs take: --help or -h,
// --version, --demo, --dir DIR or --dir=DIR (i then moves past DIR). False
// for any other word. Help, Version and a mistake set the action (and the
// error); the caller reads no further then.
bool readSharedOption(int argc, const char* const* argv, int& i, SharedOptions& options);

// What --version prints for program.
std::string versionText(std::string_view program);

struct CommandLine : SharedOptions {
    bool userDir = false; // --user-dir: the per-user folder, wherever it is started
};

// Options of the toolkit (-platform NAME, -style NAME, ...) are let through.
CommandLine parseCommandLine(int argc, const char* const* argv);

const char* usageText();

} // namespace pm
