#pragma once
// Which folder the program works on: the one holding BMP/ (key pictures)
// and log/ (the 78 macro files). Shared by padmacro and padmacroctl.
#include <stdexcept>
#include <string>
#include <vector>

namespace pm {

// Names the folder and what to do about it.
class AppDirError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct AppDirInputs {
    std::string explicitDir; // --dir DIR, empty when not given
    bool perUserOnly = false; // --user-dir: the current folder is not looked at
    std::string currentDir;
    std::string dataHome;   // $XDG_DATA_HOME, may be empty
    std::string home;       // $HOME, may be empty
    std::string executable; // the running program's file
};

// Why a folder was taken, for messages that must say so.
enum class AppDirReason { Given, CurrentFolder, PerUser };

struct AppDirChoice {
    std::string dir;
    AppDirReason reason = AppDirReason::Given;
};

// --dir DIR wins; else the current folder when it is an application folder
// (isAppDir); else the per-user folder, made ready on first use. Throws
// AppDirError.
AppDirChoice resolveAppDir(const AppDirInputs& in);
std::string chooseAppDir(const AppDirInputs& in);

// A folder that really is one: BMP/ holding the keypad window's pictures,
// or log/ holding macro files. A log/ of anything else, or an empty BMP/,
// does not make one.
bool isAppDir(const std::string& dir);

// Which folder was used and why, and how to choose another: added to a
// failure on a file of that folder.
std::string appDirNote(const AppDirChoice& choice);

// $XDG_DATA_HOME/padmacro, or ~/.local/share/padmacro.
std::string perUserDir(const AppDirInputs& in);

// Where the pictures of this installation lie, relative to the program:
// bin/../share/padmacro/BMP when installed, bin/../app/BMP in a build tree.
std::vector<std::string> pictureCandidates(const std::string& executable);

// Creates dir/log with every missing empty macro file (existing ones are
// kept) and points dir/BMP at pictures unless dir/BMP is a real folder or
// a link of the user's own (one that leads somewhere other than the
// pictures of an installation).
void preparePerUserDir(const std::string& dir, const std::string& executable);

// The running program's file; empty when the system does not say.
std::string runningExecutable();

// The inputs of this process: its environment, current folder and program file.
AppDirInputs processAppDirInputs(const std::string& explicitDir, bool perUserOnly = false);

} // namespace pm
