#pragma once
// What the handlers ask of the toolkit beyond their own state: the two
// windows, the keyboard focus, the keypad window's keystroke memo and plain
// message boxes.
#include <string>

namespace pm {

class Shell {
public:
    virtual ~Shell() = default;
    virtual void showKeypad() = 0;
    virtual void hideKeypad() = 0;
    virtual void showEditor() = 0;
    virtual void hideEditor() = 0;
    virtual void focusMemo1() = 0;
    virtual void clearMemo1() = 0;
    // A message box that is not an error.
    virtual void message(const std::string& text) = 0;
    // A message that does not hold up the program (no modal box): the
    // keypad's acknowledgements must still reach Memo1.
    virtual void notice(const std::string& text) = 0;
};

} // namespace pm
