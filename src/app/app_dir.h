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
    std::string currentDir;
    std::string dataHome;   // $XDG_DATA_HOME, may be empty
    std::string home;       // $HOME, may be empty
    std::string executable; // the running program's file
};

// --dir DIR wins; else the current folder when it holds BMP/ or log/ (a
// copied or built application folder); else the per-user folder, made
// ready on first use. Throws AppDirError.
std::string chooseAppDir(const AppDirInputs& in);

// $XDG_DATA_HOME/padmacro, or ~/.local/share/padmacro.
std::string perUserDir(const AppDirInputs& in);

// Where the pictures of this installation lie, relative to the program:
// bin/../share/padmacro/BMP when installed, bin/../app/BMP in a build tree.
std::vector<std::string> pictureCandidates(const std::string& executable);

// Creates dir/log with every missing empty macro file (existing ones are
// kept) and points dir/BMP at pictures unless dir/BMP is a real folder.
void preparePerUserDir(const std::string& dir, const std::string& executable);

// The inputs of this process: its environment, current folder and program file.
AppDirInputs processAppDirInputs(const std::string& explicitDir);

} // namespace pm
