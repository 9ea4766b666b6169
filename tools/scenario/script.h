#pragma once
// The toolkit-free half of the scenario runner: splitting a script into
// lines and words, the value formats of the output, and the options of the
// simulated keypad's commands.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid_sim.h"

namespace pm::scenario {

// A malformed line: the runner reports "script error: line N: WHY" and stops.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void fail(const std::string& why)
{
    throw ScriptError(why);
}

struct ScriptLine {
    int number = 0;                 // 1-based line number in the file
    std::vector<std::string> words; // split at blanks; never empty
    std::string rest;               // text after the first word, leading blanks dropped
};

// Every line that holds a command: blank lines and comments ('#' as the first
// character that is not a blank) are left out. A trailing CR is dropped.
std::vector<ScriptLine> parseScript(const std::string& text);

// The exit status a script expects, from a first line "# exit: N"; 0 without one.
int expectedExitStatus(const std::string& text);

// A string value: quoted, bytes 0x20..0x7E as themselves except '"' and '\',
// which get a backslash, every other byte as \xHH.
std::string quote(std::string_view bytes);

// "HH HH ..." in upper-case hex.
std::string hexBytes(const uint8_t* data, size_t length);

// Hexadecimal with or without 0x, at most max; nullopt when malformed.
std::optional<uint32_t> parseHex(std::string_view text, uint32_t max);
// Plain decimal digits, at most max; nullopt when malformed.
std::optional<uint32_t> parseDecimal(std::string_view text, uint32_t max);

struct DeviceAdd {
    int index = -1; // -1: the lowest free index
    SimulatedKeypad::Interface iface;
};
// The words after "device add"; throws ScriptError naming the bad word.
DeviceAdd parseDeviceAdd(const std::vector<std::string>& options);

// The word after "device remove" (none: every interface); -1 for all.
int parseDeviceRemove(const std::vector<std::string>& options);

SimulatedKeypad::AckMode parseAckMode(const std::vector<std::string>& options);

enum class Button { Left, Right, Middle };
// The optional button word at options[at]; no word means left.
Button parseButton(const std::vector<std::string>& words, size_t at);

// A repeat count such as the N of "tick N": none means 1.
int parseCount(const std::vector<std::string>& words, size_t at);
// A USB HID usage, in decimal.
unsigned parseUsage(const std::string& word);

} // namespace pm::scenario
