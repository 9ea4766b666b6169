#pragma once
// One program at a time changes an application folder: an advisory lock on
// DIR/.padmacro.lock, held by the keypad window for its whole run and by
// padmacroctl's import and send while they work. The file also names the
// holder, so the one refused can say who is at work.
#include <string>

namespace pm {

inline constexpr const char* kFolderLockName = ".padmacro.lock";

class FolderLock {
public:
    enum class State {
        Held,        // this process holds the lock
        Busy,        // another process holds it; holder() says which
        Unavailable, // the lock file cannot be had (a read-only folder, ...); why() says so
    };

    // Tries once, without waiting. who names this process to the others,
    // e.g. "padmacro" or "padmacroctl import".
    FolderLock(const std::string& dir, const std::string& who);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State state() const { return state_; }
    // With Busy: what the holder wrote ("padmacro", "padmacroctl send"), or
    // empty when it had not written yet.
    const std::string& holder() const { return holder_; }
    const std::string& why() const { return why_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    State state_ = State::Unavailable;
    std::string holder_;
    std::string why_;
};

// The keypad window's holder name.
inline constexpr const char* kWindowHolder = "padmacro";

// "The keypad window (padmacro) is open on DIR" or "padmacroctl import is
// working on DIR", from a Busy lock.
std::string folderBusyText(const FolderLock& lock, const std::string& dir);

} // namespace pm
