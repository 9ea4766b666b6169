#include "app/folder_lock.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pm {

std::string folderBusyText(const FolderLock& lock, const std::string& dir)
{
    if (lock.holder() == kWindowHolder)
        return "The keypad window (padmacro) is open on " + dir;
    if (!lock.holder().empty())
        return lock.holder() + " is working on " + dir;
    return "Another padmacro or padmacroctl is working on " + dir;
}

#ifdef _WIN32

// One window at a time is left to the user there.
FolderLock::FolderLock(const std::string& dir, const std::string&)
    : path_((std::filesystem::path(dir) / kFolderLockName).string())
    , why_("not supported on this system")
{
}

FolderLock::~FolderLock() = default;

#else

namespace {

std::string readHolder(int fd)
{
    char text[128];
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0)
        return {};
    std::string holder(text, static_cast<size_t>(got));
    holder = holder.substr(0, holder.find('\n'));
    // Only the names the programs write are repeated to the user: ASCII
    // letters, digits, blanks and hyphens, whatever the locale.
    for (const char c : holder)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' '
                || c == '-'))
            return {};
    return holder;
}

} // namespace

FolderLock::FolderLock(const std::string& dir, const std::string& who)
    : path_((std::filesystem::path(dir) / kFolderLockName).string())
{
    // Never through a link, and never a terminal or a FIFO that would block.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | flags, 0644);
    if (fd_ < 0 && errno == EACCES)
        fd_ = ::open(path_.c_str(), O_RDONLY | flags); // made by another user of a shared folder
    if (fd_ < 0) {
        why_ = std::strerror(errno);
        return;
    }
    struct stat st { };
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        why_ = "it is not an ordinary file";
        ::close(fd_);
        fd_ = -1;
        return;
    }
    int taken = -1;
    do {
        taken = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (taken != 0 && errno == EINTR);
    if (taken != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            state_ = State::Busy;
            holder_ = readHolder(fd_);
        } else {
            why_ = std::strerror(error);
        }
        ::close(fd_);
        fd_ = -1;
        return;
    }
    state_ = State::Held;
    const std::string line = who + "\n";
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, line.data(), line.size(), 0) < 0) {
        // The name is only a courtesy to the one refused.
    }
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        ::close(fd_); // lets the lock go
}

#endif

} // namespace pm
