#pragma once
// What every front-end shows the user, with or without windows: message
// boxes and notices. The window verbs are declared by the layers that ask
// for them (EditorShell, KeypadShell, SchedulerShell).
#include <string>

namespace pm {

class Shell {
public:
    virtual ~Shell() = default;
    // A message box that is not an error.
    virtual void message(const std::string& text) = 0;
    // A message that does not hold up the program (no modal box): the
    // keypad's acknowledgements must still reach Memo1.
    virtual void notice(const std::string& text) = 0;
};

} // namespace pm
