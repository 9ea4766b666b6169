#include "storage/macro_set.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"

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

// Marks a staged set as whole (found in the log folder once exchanged);
// then, moved into the stage, marks the old set there as done with. Both
// hold the backup's path.
constexpr const char* kCompleteMark = ".import-complete";
constexpr const char* kOldMark = ".import-old";

void step(const ReplaceHooks& hooks, const std::string& name)
{
    if (hooks.beforeStep)
        hooks.beforeStep(name);
}

#ifndef _WIN32

// Files of the log folder that an import carries over: not its own marks,
// journals or temporary files.
bool keptName(const std::string& name)
{
    return name != kCompleteMark && name != kOldMark && !isStoreJournalName(name) && !isTemporaryName(name);
}

void unlinkIfThere(const std::string& path)
{
    if (beforeFileChange("unlink", path) == 0 && ::unlink(path.c_str()) != 0 && errno != ENOENT)
        throwCannotCreate(path, errno);
}

// Removes a folder of files (a stage); false with errno when it stays.
bool removeFolder(const std::string& dir)
{
    std::error_code ec;
    std::vector<std::string> entries;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        entries.push_back(it->path().string());
    // The marks go last: a stage half removed still says what it was.
    std::stable_partition(entries.begin(), entries.end(), [](const std::string& path) {
        const std::string name = fs::path(path).filename().string();
        return name != kCompleteMark && name != kOldMark;
    });
    if (ec && ec.value() != ENOENT) {
        errno = ec.value();
        return false;
    }
    for (const auto& path : entries)
        if (beforeFileChange("unlink", path) != 0 || (::unlink(path.c_str()) != 0 && errno != ENOENT))
            return false;
    if (const int err = beforeFileChange("rmdir", dir)) {
        errno = err;
        return false;
    }
    return ::rmdir(dir.c_str()) == 0 || errno == ENOENT;
}

// Renames stage/name over target/name, dropping the same file under another
// letter case; false with errno when it failed.
bool moveOver(const std::string& stage, const std::string& target, const std::string& name)
{
    const std::string old = findExisting(join(target, name));
    if (const int err = beforeFileChange("rename", join(target, name))) {
        errno = err;
        return false;
    }
    if (::rename(join(stage, name).c_str(), join(target, name).c_str()) != 0)
        return false;
    if (old != join(target, name)) {
        // Should it stay, the old name is never read again: the exact one is found first.
        (void)beforeFileChange("unlink", old);
        ::unlink(old.c_str());
    }
    return true;
}

void renameFile(const std::string& from, const std::string& to)
{
    int err = beforeFileChange("rename", to);
    if (err == 0 && ::rename(from.c_str(), to.c_str()) != 0)
        err = errno;
    if (err != 0)
        throwCannotCreate(to, err);
}

int systemExchange(const std::string& a, const std::string& b)
{
    if (const int err = beforeFileChange("exchange", b))
        return err;
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
    const std::string temp = temporaryNameFor(join(dir, base + ".txt"));
    FileOwnership mode = ownershipOf(like);
    mode.mode &= 0666;
    writeNewFile(temp, bytes, &mode);
    for (int n = 1;; ++n) {
        const std::string path = join(dir, base + (n > 1 ? "-" + std::to_string(n) : "") + ".txt");
        int err = beforeFileChange("link", path);
        if (err == 0)
            err = ::link(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
        if (err == EPERM || err == ENOTSUP || err == ENOSYS) {
            // No hard links here: rename, looking first so as not to replace a file.
            struct stat st;
            err = ::lstat(path.c_str(), &st) == 0 ? EEXIST
                                                  : (::rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno);
        }
        if (err == EEXIST)
            continue;
        // A temporary file that stays is removed at the next start.
        (void)beforeFileChange("unlink", temp);
        ::unlink(temp.c_str());
        if (err != 0)
            throwCannotCreate(path, err);
        syncFolder(dir);
        return path;
    }
}

// The folder itself: where a link at logDir leads, else logDir.
std::string placeOf(const std::string& logDir, std::error_code& ec)
{
    return fs::is_symlink(logDir, ec) ? fs::canonical(logDir, ec).string() : logDir;
}

std::string stageOf(const std::string& target)
{
    return target + ".importing";
}

// The macro files of keys, in the order of keys and of kFiles.
std::vector<std::string> macroFileNames(const std::vector<int>& keys)
{
    std::vector<std::string> names;
    for (const int key : keys)
        for (const MacroFile f : kFiles)
            names.push_back(macroFileName(f, key));
    return names;
}

// The log folder an import replaces. Messages name the files under the
// folder as given; the work happens beside the folder itself.
struct LogFolder {
    std::string shown;
    std::string target;
    std::string stage;
    struct stat st;
};

LogFolder logFolderOf(const std::string& logDirGiven)
{
    LogFolder log;
    log.shown = trimmed(logDirGiven);
    std::error_code ec;
    log.target = placeOf(log.shown, ec);
    if (ec)
        throwCannotOpen(log.shown, ec.value());
    if (::stat(log.target.c_str(), &log.st) != 0)
        throwCannotOpen(log.shown, errno);
    if (!S_ISDIR(log.st.st_mode))
        throwCannotOpen(log.shown, ENOTDIR);
    log.stage = stageOf(log.target);
    return log;
}

// What an import writes, worked out before anything is changed.
struct ImportPlan {
    std::vector<std::string> names; // the macro files (see macroFileNames)
    // Per macro file: the permissions its replacement keeps; none for a missing file.
    std::vector<std::optional<FileOwnership>> modes;
    std::vector<std::string> kept; // the folder's other files, carried over as they are
    MacroSet previous;
};

// The entries of the folder that are not macro files (in any letter case, as
// the program finds them) and are kept as they are.
std::vector<std::string> keptFiles(const LogFolder& log, const std::vector<std::string>& names)
{
    auto macroName = [&](const std::string& name) {
        return std::any_of(
            names.begin(), names.end(), [&](const std::string& n) { return sameIgnoringCase(n, name); });
    };
    std::vector<std::string> kept;
    std::error_code ec;
    for (fs::directory_iterator it(log.target, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (macroName(name) || !keptName(name))
            continue;
        if (!it->is_regular_file())
            throw UiError("Cannot replace the macros: \"" + join(log.shown, name)
                + "\" is not a file; move it out of the folder and try again");
        kept.push_back(name);
    }
    if (ec)
        throwCannotOpen(log.shown, ec.value());
    return kept;
}

// The permissions of each macro file there is; refuses one this user may not write.
std::vector<std::optional<FileOwnership>> modesToKeep(
    const LogFolder& log, const std::vector<std::string>& names, const ReplaceHooks& hooks)
{
    std::vector<std::optional<FileOwnership>> modes;
    for (const auto& name : names) {
        const std::string path = join(log.shown, name);
        const std::string actual = findExisting(path);
        struct stat st;
        if (::lstat(actual.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            modes.emplace_back();
            continue;
        }
        errno = 0;
        const bool mayWrite = hooks.mayWrite ? hooks.mayWrite(path) : pm::mayWrite(actual);
        if (!mayWrite)
            throwCannotCreate(path, errno ? errno : EACCES);
        modes.emplace_back(ownershipOf(st));
    }
    return modes;
}

ImportPlan planImport(const LogFolder& log, const std::vector<int>& keys, const ReplaceHooks& hooks)
{
    ImportPlan plan;
    plan.names = macroFileNames(keys);
    plan.kept = keptFiles(log, plan.names);
    plan.previous = readPrevious(log.shown, keys);
    plan.modes = modesToKeep(log, plan.names, hooks);
    return plan;
}

// Makes the empty stage; one already there stops the import.
void makeStage(const std::string& stage, const ReplaceHooks& hooks)
{
    step(hooks, "stage");
    int made = beforeFileChange("mkdir", stage);
    if (made == 0 && ::mkdir(stage.c_str(), 0700) != 0)
        made = errno;
    if (made == 0)
        return;
    if (made != EEXIST)
        throwCannotCreate(stage, made);
    struct stat there;
    const bool folder = ::lstat(stage.c_str(), &there) == 0 && S_ISDIR(there.st_mode);
    throw UiError("Cannot create file \"" + stage + "\". " + osReason(made)
        + (folder ? ". Another import may be under way; nothing was changed."
                  : ". It is not a folder an import made; move it away and try again. Nothing was changed."));
}

// Writes the new set and the kept files into the stage and gives it the log
// folder's owner and permissions; a failure removes the stage again.
void fillStage(const LogFolder& log, const ImportPlan& plan, const MacroSet& next,
    const std::vector<int>& keys, const ReplaceHooks& hooks)
{
    const std::string& stage = log.stage;
    try {
        size_t i = 0;
        for (const int key : keys)
            for (const MacroFile f : kFiles) {
                step(hooks, "stage " + plan.names[i]);
                writeNewFile(join(stage, plan.names[i]), bytesOf(next.at(key), f),
                    plan.modes[i] ? &*plan.modes[i] : nullptr);
                ++i;
            }
        for (const auto& name : plan.kept) {
            struct stat st;
            const std::string from = join(log.target, name);
            if (::stat(from.c_str(), &st) != 0)
                throwCannotOpen(join(log.shown, name), errno);
            const FileOwnership mode = ownershipOf(st);
            writeNewFile(join(stage, name), readWholeFile(from), &mode);
        }
        if (const int err = beforeFileChange("chmod", stage))
            throwCannotCreate(stage, err);
        // As for files: a file system without owners keeps its own.
        if (::geteuid() == 0 && ::chown(stage.c_str(), log.st.st_uid, log.st.st_gid) != 0 && errno != EPERM
            && errno != EINVAL)
            throwCannotCreate(stage, errno);
        if (::chmod(stage.c_str(), log.st.st_mode & 07777) != 0)
            throwCannotCreate(stage, errno);
        syncFolder(stage);
    } catch (...) {
        // A stage that stays is rolled back at the next start.
        removeFolder(stage);
        throw;
    }
}

// Where the system cannot exchange folders: each file is renamed over its
// old self, whole; a crash in between is finished at the next start.
void moveStagedFiles(const LogFolder& log, const ImportPlan& plan, const ReplaceHooks& hooks,
    const std::string& backupPath, bool& changed)
{
    for (const auto& name : plan.names) {
        step(hooks, "replace " + name);
        if (!moveOver(log.stage, log.target, name))
            throw UiError("Cannot create file \"" + join(log.shown, name) + "\". " + osReason(errno)
                + ". The macro files are now partly replaced; the previous ones are in \"" + backupPath
                + "\"");
        changed = true;
    }
    syncFolder(log.target);
    renameFile(join(log.stage, kCompleteMark), join(log.stage, kOldMark));
}

// Writes the backup and puts the staged set in place; returns whether the
// folders were exchanged. A failure removes the stage, and the backup too
// while nothing was changed.
bool putInPlace(const LogFolder& log, const ImportPlan& plan, const ExportNotes& backupNotes,
    const ReplaceHooks& hooks, ReplaceOutcome& out)
{
    bool changed = false; // once true, the backup must stay
    try {
        step(hooks, "backup");
        const std::string base = fs::path(log.shown).filename().string() + "-before-import-"
            + backupStamp(hooks.now ? hooks.now() : std::time(nullptr));
        out.backupPath
            = writeBackup(folderOf(log.shown), base, exportMacros(plan.previous, backupNotes), log.st);
        // From here on the staged set is whole: a crash is finished, not undone.
        replaceWholeFile(join(log.stage, kCompleteMark), out.backupPath + "\n");
        step(hooks, "exchange");
        const int err
            = hooks.exchange ? hooks.exchange(log.stage, log.target) : systemExchange(log.stage, log.target);
        if (err != 0 && err != EINVAL && err != ENOSYS)
            throwCannotCreate(log.target, err);
        if (err == 0)
            return true;
        moveStagedFiles(log, plan, hooks, out.backupPath, changed);
        return false;
    } catch (...) {
        if (!changed) {
            // Told that nothing changed, the user must not have the next
            // start finish it: the stage loses its mark before its files.
            const std::string mark = join(log.stage, kCompleteMark);
            if (beforeFileChange("unlink", mark) == 0)
                ::unlink(mark.c_str());
        }
        removeFolder(log.stage);
        if (!changed && !out.backupPath.empty()) {
            // A backup that stays is only one export too many.
            (void)beforeFileChange("unlink", out.backupPath);
            std::error_code ec;
            fs::remove(out.backupPath, ec);
        }
        throw;
    }
}

// The new set is in place and stays; what fails here leaves the old set
// beside it, named in out.leftover.
void removeOldSet(const LogFolder& log, bool exchanged, const ReplaceHooks& hooks, ReplaceOutcome& out)
{
    const std::string parent = folderOf(log.target);
    try {
        if (exchanged) {
            syncFolder(parent);
            // The old set, now in the stage, is marked as done with.
            renameFile(join(log.target, kCompleteMark), join(log.stage, kOldMark));
            syncFolder(log.target);
        }
        step(hooks, "remove old");
        if (removeFolder(log.stage)) {
            syncFolder(parent);
            return;
        }
    } catch (...) {
        // Told below, if the old set stayed.
    }
    std::error_code gone;
    if (fs::exists(log.stage, gone))
        out.leftover = log.stage;
}

// Marks are files this program made: a link of that name is none.
bool isMark(const std::string& path)
{
    struct stat m;
    return ::lstat(path.c_str(), &m) == 0 && S_ISREG(m.st_mode);
}

// The backup's path as a mark holds it, or empty.
std::string backupNamedIn(const std::string& mark)
{
    std::string text;
    try {
        text = readRegularFile(mark, 4096).bytes;
    } catch (const UiError&) {
        // The import is finished all the same; the message then names no backup.
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string finishedMessage(const std::string& backup)
{
    return "An import that had been interrupted was finished: the macros are the imported ones"
        + (backup.empty() ? std::string(".") : "; the previous ones are in " + escapedText(backup) + ".");
}

// Exchanged: the new set is in place; what is left is the old one.
std::string finishExchangedSet(const std::string& target, const std::string& stage, bool staged)
{
    const std::string inLog = join(target, kCompleteMark);
    const bool inLogNow = isMark(inLog);
    const std::string backup = backupNamedIn(inLogNow ? inLog : join(stage, kOldMark));
    if (staged && !removeFolder(stage))
        throwCannotCreate(stage, errno);
    syncFolder(folderOf(target));
    if (inLogNow)
        unlinkIfThere(inLog);
    syncFolder(target);
    return finishedMessage(backup);
}

// The staged set is whole: put it in place, as the import would have.
std::string finishStagedSet(const std::string& logDir, const std::string& target, const std::string& stage,
    const std::vector<std::string>& names)
{
    const std::string inStage = join(stage, kCompleteMark);
    const std::string oldInStage = join(stage, kOldMark);
    const std::string backup = backupNamedIn(inStage);
    struct stat st;
    bool all = true;
    for (const auto& name : names)
        all = all && ::lstat(join(stage, name).c_str(), &st) == 0;
    if (all && systemExchange(stage, target) == 0) {
        syncFolder(folderOf(target));
        renameFile(join(target, kCompleteMark), oldInStage);
    } else {
        for (const auto& name : names)
            if (::lstat(join(stage, name).c_str(), &st) == 0 && !moveOver(stage, target, name))
                throwCannotCreate(join(logDir, name), errno);
        renameFile(inStage, oldInStage);
    }
    syncFolder(target);
    if (!removeFolder(stage))
        throwCannotCreate(stage, errno);
    syncFolder(folderOf(target));
    return finishedMessage(backup);
}

// Stopped while the new set was being written: nothing was changed. An
// empty stage may also be an old set just removed: either way the set in
// place is whole, and there is nothing to tell.
std::optional<std::string> rollBackStage(const std::string& target, const std::string& stage)
{
    std::error_code ec;
    const bool empty = fs::is_empty(stage, ec);
    if (!removeFolder(stage))
        throwCannotCreate(stage, errno);
    syncFolder(folderOf(target));
    if (empty)
        return std::nullopt;
    return "An import that had been interrupted was rolled back: the macros are those from before it.";
}

// Temporary files of replacements that never finished.
void removeTemporaryFiles(const std::string& logDir, const std::string& target)
{
    bool removed = false;
    std::error_code ec;
    std::vector<std::string> dirs = {target, folderOf(target)};
    // The folder beside the log folder is that of its target unless the log folder is a link.
    if (folderOf(logDir) != dirs.back())
        dirs.push_back(folderOf(logDir));
    for (const std::string& dir : dirs)
        for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (isTemporaryName(name) && it->is_regular_file(ec) && !it->is_symlink(ec)) {
                unlinkIfThere(it->path().string());
                removed = true;
            }
        }
    if (removed)
        syncFolder(target);
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
        out.backupPath = join(folderOf(logDir), base + (n > 1 ? "-" + std::to_string(n) : "") + ".txt");
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

std::vector<std::string> recoverMacroSet(const std::string&, const std::vector<int>&)
{
    return {};
}

#else

ReplaceOutcome replaceMacroSet(const std::string& logDirGiven, const MacroSet& next,
    const std::vector<int>& keys, const ExportNotes& backupNotes, const ReplaceHooks& hooks)
{
    validateMacroSet(next, keys);
    const LogFolder log = logFolderOf(logDirGiven);
    const ImportPlan plan = planImport(log, keys, hooks);
    makeStage(log.stage, hooks);
    fillStage(log, plan, next, keys, hooks);
    ReplaceOutcome out;
    const bool exchanged = putInPlace(log, plan, backupNotes, hooks, out);
    removeOldSet(log, exchanged, hooks, out);
    return out;
}

std::vector<std::string> recoverMacroSet(const std::string& logDirGiven, const std::vector<int>& keys)
{
    std::vector<std::string> done;
    const std::string logDir = trimmed(logDirGiven);
    std::error_code ec;
    const std::string target = placeOf(logDir, ec);
    if (ec || !fs::is_directory(target, ec))
        return done;
    const std::string stage = stageOf(target);

    struct stat st;
    const bool staged = ::lstat(stage.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (isMark(join(target, kCompleteMark)) || (staged && isMark(join(stage, kOldMark))))
        done.push_back(finishExchangedSet(target, stage, staged));
    else if (staged && isMark(join(stage, kCompleteMark)))
        done.push_back(finishStagedSet(logDir, target, stage, macroFileNames(keys)));
    else if (staged)
        if (auto message = rollBackStage(target, stage))
            done.push_back(*message);

    removeTemporaryFiles(logDir, target);
    return done;
}

#endif

} // namespace pm
