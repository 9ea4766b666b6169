#include "storage/macro_set.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "base/errors.h"
#include "base/paths.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#if defined(__linux__) && !defined(RENAME_EXCHANGE)
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace fs = std::filesystem;

namespace pm {

namespace {

constexpr std::array<MacroFile, 3> kFiles = {MacroFile::strokes, MacroFile::text, MacroFile::lines};

template <typename Files>
auto& bytesOf(Files& f, MacroFile file)
{
    return file == MacroFile::strokes ? f.strokes : file == MacroFile::text ? f.text : f.lines;
}

std::string join(const std::string& dir, const std::string& name)
{
    return (fs::path(dir) / name).string();
}

// The path as given without trailing separators, so that its name and
// parent are the folder's own.
std::string trimmed(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return path;
}

std::string parentOf(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::string backupStamp(std::time_t t)
{
    std::tm tm{};
#ifdef _WIN32
    tm = *std::localtime(&t);
#else
    localtime_r(&t, &tm);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

// The files' exact bytes. For the backup a missing file reads as the empty
// file of a key without a macro, so an import can mend a set with a hole.
MacroSet readSet(const std::string& logDir, const std::vector<int>& keys, bool missingIsEmpty)
{
    MacroSet set;
    for (const int key : keys)
        for (const MacroFile f : kFiles) {
            const std::string path = join(logDir, macroFileName(f, key));
            std::error_code ec;
            if (!missingIsEmpty || fs::exists(findExisting(path), ec))
                bytesOf(set[key], f) = readWholeFile(path);
            else
                set[key];
        }
    return set;
}

MacroSet readPrevious(const std::string& logDir, const std::vector<int>& keys)
{
    return readSet(logDir, keys, true);
}

void step(const ReplaceHooks& hooks, const std::string& name)
{
    if (hooks.beforeStep)
        hooks.beforeStep(name);
}

#ifndef _WIN32

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd;
    explicit Fd(int f)
        : fd(f)
    {
    }
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

void syncDirectory(const std::string& dir)
{
    Fd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.fd < 0 || ::fsync(d.fd) != 0)
        throwCannotCreate(dir, errno);
}

// Writes a new file (never an existing one) and flushes it to the disk.
void writeSynced(const std::string& path, const std::string& bytes, const struct stat* like)
{
    Fd f(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (f.fd < 0)
        throwCannotCreate(path, errno);
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(f.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throwCannotCreate(path, n < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(n);
    }
    if (like) {
        // A superuser keeps the owner too, so the user can still program the key.
        if (::geteuid() == 0 && ::fchown(f.fd, like->st_uid, like->st_gid) != 0) { }
        if (::fchmod(f.fd, like->st_mode & 07777) != 0)
            throwCannotCreate(path, errno);
    }
    if (::fsync(f.fd) != 0)
        throwCannotCreate(path, errno);
    const int fd = f.fd;
    f.fd = -1;
    if (::close(fd) != 0)
        throwCannotCreate(path, errno);
}

int systemExchange(const std::string& a, const std::string& b)
{
#if defined(__linux__) && defined(SYS_renameat2)
    if (::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0)
        return 0;
    return errno;
#else
    (void)a, (void)b;
    return ENOSYS;
#endif
}

// Gives bytes the first free name base-N.txt in dir without ever replacing a
// file: written under a temporary name, then linked to the final one.
std::string writeBackup(
    const std::string& dir, const std::string& base, const std::string& bytes, const struct stat& like)
{
    const std::string temp = join(dir, "." + base + ".tmp-" + std::to_string(::getpid()));
    ::unlink(temp.c_str()); // a leftover of this process id from an earlier crash
    try {
        writeSynced(temp, bytes, nullptr);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    for (int n = 1;; ++n) {
        const std::string path = join(dir, base + (n > 1 ? "-" + std::to_string(n) : "") + ".txt");
        int err = ::link(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
        if (err == EPERM || err == ENOTSUP || err == ENOSYS) {
            // No hard links here: rename, looking first so as not to replace a file.
            struct stat st;
            err = ::lstat(path.c_str(), &st) == 0 ? EEXIST
                                                  : (::rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno);
        }
        if (err == EEXIST)
            continue;
        ::unlink(temp.c_str());
        if (err != 0)
            throwCannotCreate(path, err);
        if (::geteuid() == 0 && ::chown(path.c_str(), like.st_uid, like.st_gid) != 0) { }
        ::chmod(path.c_str(), like.st_mode & 0666);
        syncDirectory(dir);
        return path;
    }
}

#endif

} // namespace

MacroSet readMacroSet(const std::string& logDir, const std::vector<int>& keys)
{
    return readSet(logDir, keys, false);
}

#ifdef _WIN32

ReplaceOutcome replaceMacroSet(const std::string& logDirGiven, const MacroSet& next,
    const std::vector<int>& keys, const ExportNotes& backupNotes, const ReplaceHooks& hooks)
{
    validateMacroSet(next, keys);
    const std::string logDir = trimmed(logDirGiven);
    const MacroSet previous = readPrevious(logDir, keys);
    for (const int key : keys)
        for (const MacroFile f : kFiles) {
            const std::string path = join(logDir, macroFileName(f, key));
            const bool mayWrite = hooks.mayWrite ? hooks.mayWrite(path) : pm::mayWrite(path);
            std::error_code ec;
            if (fs::exists(path, ec) && !mayWrite)
                throwCannotCreate(path, EACCES);
        }

    ReplaceOutcome out;
    const std::string stamp = backupStamp(hooks.now ? hooks.now() : std::time(nullptr));
    const std::string base = fs::path(logDir).filename().string() + "-before-import-" + stamp;
    step(hooks, "backup");
    for (int n = 1;; ++n) {
        out.backupPath = join(parentOf(logDir), base + (n > 1 ? "-" + std::to_string(n) : "") + ".txt");
        std::error_code ec;
        if (!fs::exists(out.backupPath, ec))
            break;
    }
    replaceWholeFile(out.backupPath, exportMacros(previous, backupNotes));
    // One file after the other: each stays whole, the set does not.
    for (const int key : keys)
        for (const MacroFile f : kFiles) {
            step(hooks, "replace " + macroFileName(f, key));
            replaceWholeFile(join(logDir, macroFileName(f, key)), bytesOf(next.at(key), f));
        }
    return out;
}

#else

ReplaceOutcome replaceMacroSet(const std::string& logDirGiven, const MacroSet& next,
    const std::vector<int>& keys, const ExportNotes& backupNotes, const ReplaceHooks& hooks)
{
    validateMacroSet(next, keys);

    // Messages name the files under the folder as given; the work happens
    // beside the folder itself.
    const std::string logDir = trimmed(logDirGiven);
    std::error_code ec;
    const std::string target = fs::is_symlink(logDir, ec) ? fs::canonical(logDir, ec).string() : logDir;
    struct stat logStat;
    if (ec)
        throwCannotOpen(logDir, ec.value());
    if (::stat(target.c_str(), &logStat) != 0)
        throwCannotOpen(logDir, errno);
    if (!S_ISDIR(logStat.st_mode))
        throwCannotOpen(logDir, ENOTDIR);
    const std::string stage = target + ".importing";

    // Which entries of the folder are macro files (in any letter case, as the
    // program finds them) and which are kept as they are.
    std::vector<std::string> names;
    for (const int key : keys)
        for (const MacroFile f : kFiles)
            names.push_back(macroFileName(f, key));
    auto macroName = [&](const std::string& name) {
        for (const auto& n : names)
            if (n.size() == name.size()
                && std::equal(n.begin(), n.end(), name.begin(),
                    [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); }))
                return true;
        return false;
    };
    std::vector<std::string> kept;
    for (fs::directory_iterator it(target, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (macroName(name))
            continue;
        if (!it->is_regular_file())
            throw UiError("Cannot replace the macros: \"" + join(logDir, name)
                + "\" is not a file; move it out of the folder and try again");
        kept.push_back(name);
    }
    if (ec)
        throwCannotOpen(logDir, ec.value());

    const MacroSet previous = readPrevious(logDir, keys);
    std::vector<std::optional<struct stat>> modes;
    for (const auto& name : names) {
        const std::string path = join(logDir, name);
        const std::string actual = findExisting(path);
        struct stat st;
        if (::stat(actual.c_str(), &st) != 0) {
            modes.emplace_back();
            continue;
        }
        errno = 0;
        const bool mayWrite = hooks.mayWrite ? hooks.mayWrite(path) : pm::mayWrite(actual);
        if (!mayWrite)
            throwCannotCreate(path, errno ? errno : EACCES);
        modes.emplace_back(st);
    }

    ReplaceOutcome out;
    step(hooks, "stage");
    if (::mkdir(stage.c_str(), 0700) != 0) {
        const int err = errno;
        if (err != EEXIST)
            throwCannotCreate(stage, err);
        throw UiError("Cannot create file \"" + stage + "\". " + osReason(err)
            + ". An earlier import may have stopped there; nothing was changed. Remove it and try again.");
    }
    try {
        size_t i = 0;
        for (const int key : keys)
            for (const MacroFile f : kFiles) {
                step(hooks, "stage " + names[i]);
                writeSynced(join(stage, names[i]), bytesOf(next.at(key), f), modes[i] ? &*modes[i] : nullptr);
                ++i;
            }
        for (const auto& name : kept) {
            struct stat st;
            const std::string from = join(target, name);
            if (::stat(from.c_str(), &st) != 0)
                throwCannotOpen(join(logDir, name), errno);
            writeSynced(join(stage, name), readWholeFile(from), &st);
        }
        if (::geteuid() == 0 && ::chown(stage.c_str(), logStat.st_uid, logStat.st_gid) != 0) { }
        if (::chmod(stage.c_str(), logStat.st_mode & 07777) != 0)
            throwCannotCreate(stage, errno);
        syncDirectory(stage);
    } catch (...) {
        fs::remove_all(stage, ec);
        throw;
    }

    const std::string parent = parentOf(target);
    bool changed = false; // once true, the backup must stay
    bool exchanged = false;
    try {
        step(hooks, "backup");
        const std::string base = fs::path(logDir).filename().string() + "-before-import-"
            + backupStamp(hooks.now ? hooks.now() : std::time(nullptr));
        out.backupPath = writeBackup(parentOf(logDir), base, exportMacros(previous, backupNotes), logStat);
        step(hooks, "exchange");
        const int err = hooks.exchange ? hooks.exchange(stage, target) : systemExchange(stage, target);
        if (err != 0 && err != EINVAL && err != ENOSYS)
            throwCannotCreate(target, err);
        exchanged = changed = err == 0;
        if (!exchanged) {
            // No atomic exchange here: each file is renamed over its old
            // self, whole, but a crash in between leaves a mix of both sets.
            for (const auto& name : names) {
                step(hooks, "replace " + name);
                const std::string old = findExisting(join(target, name));
                if (::rename(join(stage, name).c_str(), join(target, name).c_str()) != 0)
                    throw UiError("Cannot create file \"" + join(logDir, name) + "\". " + osReason(errno)
                        + ". The macro files are now partly replaced; the previous ones are in \""
                        + out.backupPath + "\"");
                changed = true;
                if (old != join(target, name))
                    ::unlink(old.c_str()); // the same file under another letter case
            }
            syncDirectory(target);
        }
    } catch (...) {
        fs::remove_all(stage, ec);
        if (!changed && !out.backupPath.empty())
            fs::remove(out.backupPath, ec);
        throw;
    }

    // The exchange is done and cannot be undone; what fails from here on
    // leaves the new set in place, at worst with the old one beside it.
    try {
        if (exchanged)
            syncDirectory(parent);
        step(hooks, "remove old");
        fs::remove_all(stage);
        syncDirectory(parent);
    } catch (...) {
        std::error_code gone;
        if (fs::exists(stage, gone))
            out.leftover = stage;
    }
    return out;
}

#endif

} // namespace pm
