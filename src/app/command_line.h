#pragma once
// padmacro's options, read before the toolkit starts so that --help and
// --version need no display.
#include <string>

namespace pm {

struct CommandLine {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    bool demo = false;
    std::string dir;   // --dir DIR
    bool userDir = false; // --user-dir: the per-user folder, wherever it is started
    std::string error; // with UsageError: what was wrong
};

// Options of the toolkit (-platform NAME, -style NAME, ...) are let through.
CommandLine parseCommandLine(int argc, const char* const* argv);

const char* usageText();

// "--dir DIR" or "--dir=DIR" at argv[i], shared by both programs: false when
// argv[i] is another word; else dir is set and i moved past it, or error
// says what was wrong.
bool readDirOption(int argc, const char* const* argv, int& i, std::string& dir, std::string& error);
const char* versionText();

} // namespace pm
