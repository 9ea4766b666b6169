#include "base/paths.h"

#include "base/errors.h"
#include "base/text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace pm {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

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
#endif

// The names in a directory, in the order the directory lists them.
struct Listing {
    fs::file_time_type stamp;
    std::vector<std::string> names;
};

// A listing stays good while the directory's modification time stands, but
// only when that time was at least one tick of the file system's clock in
// the past when it was read: two changes within one tick look alike. Stamps
// with a fraction of a second come from a clock that ticks every few
// milliseconds; whole seconds may come from one that ticks every 2 s (FAT).
std::chrono::milliseconds settleTime(fs::file_time_type stamp)
{
    const bool fineStamps = stamp.time_since_epoch() % std::chrono::seconds(1) != fs::file_time_type::duration::zero();
    return fineStamps ? std::chrono::milliseconds(50) : std::chrono::milliseconds(2000);
}

// The entry of dir whose name equals part ignoring case, or nothing. Pictures
// are looked up at every event; their folder is read again only when it changed.
std::optional<std::string> entryIgnoringCase(const fs::path& dir, const std::string& part)
{
    static std::mutex mutex;
    static std::map<std::string, Listing> listings;
    const std::lock_guard lock(mutex);

    std::error_code ec;
    const fs::file_time_type stamp = fs::last_write_time(dir, ec);
    const bool stampKnown = !ec;
    auto it = listings.find(dir.string());
    Listing fresh;
    const Listing* listing = it != listings.end() ? &it->second : nullptr;
    if (!stampKnown || !listing || listing->stamp != stamp) {
        const auto readAt = fs::file_time_type::clock::now();
        fresh.stamp = stamp;
        fs::directory_iterator entry(dir, ec);
        for (; !ec && entry != fs::directory_iterator(); entry.increment(ec))
            fresh.names.push_back(entry->path().filename().string());
        if (it != listings.end())
            listings.erase(it);
        const bool keep = stampKnown && !ec && dir.is_absolute() && stamp < readAt - settleTime(stamp);
        listing = keep ? &listings.emplace(dir.string(), std::move(fresh)).first->second : &fresh;
    }
    for (const std::string& name : listing->names)
        if (sameIgnoringCase(name, part))
            return name;
    return std::nullopt;
}

#ifndef _WIN32
// What a file that is not a regular one is, as messages name it.
const char* kindOf(mode_t mode)
{
    return S_ISDIR(mode)                   ? "a folder"
        : S_ISFIFO(mode)                   ? "a named pipe"
        : S_ISSOCK(mode)                   ? "a socket"
        : (S_ISCHR(mode) || S_ISBLK(mode)) ? "a device"
                                           : "not a regular file";
}

// The bytes of fd up to its end, or just past limit: the file may grow
// while it is read. Throws "Cannot open file ..." naming path.
std::string readPastLimit(int fd, size_t limit, const std::string& path)
{
    std::string bytes;
    char buf[65536];
    while (bytes.size() <= limit) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            throwCannotOpen(path, errno);
        if (n == 0)
            break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    return bytes;
}
#endif

} // namespace

bool mayWrite(const std::string& path)
{
#ifdef _WIN32
    return _access(path.c_str(), 2) == 0;
#else
    return access(path.c_str(), W_OK) == 0;
#endif
}

std::string platformPath(const std::string& appDir, const std::string& literal)
{
    std::string path = appDir + literal;
    std::replace(path.begin(), path.end(), '\\', kSeparator);
    return path;
}

std::string findExisting(const std::string& path)
{
    std::error_code ec;
    if (fs::exists(path, ec))
        return path;
    // Walk the components, taking the first case-insensitive match of any
    // component that does not exist as written.
    fs::path wanted(path);
    fs::path found = wanted.root_path();
    for (const auto& part : wanted.relative_path()) {
        fs::path exact = found / part;
        if (fs::exists(exact, ec)) {
            found = exact;
            continue;
        }
        const std::optional<std::string> name
            = entryIgnoringCase(found.empty() ? fs::path(".") : found, part.string());
        if (!name)
            return path;
        found /= *name;
    }
    return found.string();
}

std::string readWholeFile(const std::string& path)
{
    const std::string actual = findExisting(path);
    errno = 0;
    std::FILE* f = std::fopen(actual.c_str(), "rb");
    if (!f)
        throwCannotOpen(path, errno ? errno : ENOENT);
    std::string bytes;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool failed = std::ferror(f);
    const int err = errno;
    std::fclose(f);
    if (failed)
        throwCannotOpen(path, err ? err : EIO);
    return bytes;
}

BoundedRead readRegularFile(const std::string& path, size_t limit)
{
    BoundedRead out;
#ifdef _WIN32
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec)
        throwCannotOpen(path, ec.value());
    if (!fs::is_regular_file(st)) {
        out.notRegular = fs::is_directory(st) ? "a folder" : "not a regular file";
        return out;
    }
    if (fs::file_size(path, ec) > limit) {
        out.tooLarge = true;
        return out;
    }
    out.bytes = readWholeFile(path);
    out.tooLarge = out.bytes.size() > limit;
#else
    // Opened without waiting: a named pipe without a writer would block.
    Fd f(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (f.fd < 0)
        throwCannotOpen(path, errno);
    struct stat st;
    if (::fstat(f.fd, &st) != 0)
        throwCannotOpen(path, errno);
    if (!S_ISREG(st.st_mode)) {
        out.notRegular = kindOf(st.st_mode);
        return out;
    }
    if (st.st_size > static_cast<off_t>(limit)) {
        out.tooLarge = true;
        return out;
    }
    out.bytes = readPastLimit(f.fd, limit, path);
    if (out.bytes.size() > limit) {
        out.bytes.clear();
        out.tooLarge = true;
    }
#endif
    return out;
}

std::string requireReadable(const std::string& path)
{
    const std::string actual = findExisting(path);
    std::error_code ec;
    if (fs::is_directory(actual, ec))
        throwCannotOpen(path, EISDIR);
    errno = 0;
    std::FILE* f = std::fopen(actual.c_str(), "rb");
    if (!f)
        throwCannotOpen(path, errno ? errno : ENOENT);
    std::fclose(f);
    return actual;
}

std::string folderOf(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

namespace {

FileChangeHook& fileChangeHook()
{
    static FileChangeHook hook;
    return hook;
}

constexpr std::string_view kTempMark = ".pm";
constexpr std::string_view kTempEnd = ".tmp";
constexpr size_t kTempDigits = 16;

} // namespace

void setFileChangeHook(FileChangeHook hook)
{
    fileChangeHook() = std::move(hook);
}

int beforeFileChange(const char* call, const std::string& path)
{
    return fileChangeHook() ? fileChangeHook()(call, path) : 0;
}

std::string temporaryNameFor(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    static const uint64_t seed = [] {
        std::random_device device;
        return (uint64_t(device()) << 32) ^ device();
    }();
#ifdef _WIN32
    const uint64_t pid = static_cast<uint64_t>(_getpid());
#else
    const uint64_t pid = static_cast<uint64_t>(::getpid());
#endif
    const uint64_t unique = seed ^ (pid << 40) ^ (uint64_t(++counter) << 20)
        ^ uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    char digits[kTempDigits + 1];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(unique));
    const fs::path p(path);
    return (p.parent_path()
        / ("." + p.filename().string() + std::string(kTempMark) + digits + std::string(kTempEnd)))
        .string();
}

bool isTemporaryName(const std::string& name)
{
    const size_t tail = kTempMark.size() + kTempDigits + kTempEnd.size();
    if (name.size() < tail + 2 || name[0] != '.' || !name.ends_with(kTempEnd))
        return false;
    const std::string_view mark(name.data() + name.size() - tail, kTempMark.size());
    const std::string_view digits(name.data() + name.size() - tail + kTempMark.size(), kTempDigits);
    return mark == kTempMark && std::all_of(digits.begin(), digits.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

#ifndef _WIN32

FileOwnership ownershipOf(const struct stat& st)
{
    return {static_cast<unsigned>(st.st_mode), static_cast<unsigned>(st.st_uid),
        static_cast<unsigned>(st.st_gid)};
}

void syncFolder(const std::string& dir)
{
    if (const int err = beforeFileChange("fsync", dir))
        throwCannotCreate(dir, err);
    // A folder this user may not read, or a file system that cannot sync
    // folders, is left as it is: the renames in it are done either way.
    Fd d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.fd >= 0 && ::fsync(d.fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        throwCannotCreate(dir, errno);
}

namespace {

// writeNewFile's work: 0, or the errno value of the call that failed after
// removing what it made.
int writeNewFileOrErrno(const std::string& path, const std::string& bytes, const FileOwnership* like)
{
    if (const int err = beforeFileChange("create", path))
        return err;
    // O_EXCL also refuses a link at path rather than following it.
    Fd f(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (f.fd < 0)
        return errno;
    int err = 0;
    for (size_t done = 0; done < bytes.size() && err == 0;) {
        if ((err = beforeFileChange("write", path)) != 0)
            break;
        const ssize_t n = ::write(f.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            err = n < 0 ? errno : ENOSPC;
        else
            done += static_cast<size_t>(n);
    }
    if (err == 0 && like) {
        // A superuser keeps the owner too, so the user can still change the
        // file; a file system without owners (EPERM, EINVAL) keeps its own.
        err = beforeFileChange("fchmod", path);
        if (err == 0 && ::geteuid() == 0 && ::fchown(f.fd, like->uid, like->gid) != 0 && errno != EPERM
            && errno != EINVAL)
            err = errno;
        if (err == 0 && ::fchmod(f.fd, static_cast<mode_t>(like->mode & 07777)) != 0)
            err = errno;
    }
    if (err == 0) {
        err = beforeFileChange("fsync", path);
        if (err == 0 && ::fsync(f.fd) != 0)
            err = errno;
    }
    const int fd = f.fd;
    f.fd = -1;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0) {
        (void)beforeFileChange("unlink", path);
        ::unlink(path.c_str());
    }
    return err;
}

} // namespace

void writeNewFile(
    const std::string& path, const std::string& bytes, const FileOwnership* like, const std::string& shownAs)
{
    if (const int err = writeNewFileOrErrno(path, bytes, like))
        throwCannotCreate(shownAs.empty() ? path : shownAs, err);
}

std::string replaceWholeFileUnsynced(
    const std::string& pathGiven, const std::string& bytes, const std::string& shownAs)
{
    const std::string& path = shownAs.empty() ? pathGiven : shownAs;
    const std::string target = findExisting(pathGiven);
    struct stat old;
    const bool exists = ::lstat(target.c_str(), &old) == 0;
    const bool regular = exists && S_ISREG(old.st_mode);
    if (exists && S_ISDIR(old.st_mode))
        throwCannotCreate(path, EISDIR);
    // A device, a pipe, or a link to one, is never replaced by a file.
    struct stat final;
    if (exists && !regular
        && (!S_ISLNK(old.st_mode) || (::stat(target.c_str(), &final) == 0 && !S_ISREG(final.st_mode))))
        throw UiError("Cannot create file \"" + path + "\". It is not a regular file");
    // Renaming over a read-only file would succeed; refuse it, as writing
    // the file in place would.
    errno = 0;
    if (regular && !mayWrite(target))
        throwCannotCreate(path, errno ? errno : EACCES);
    // A link is replaced, not followed: the new file takes the default permissions.
    const FileOwnership like = ownershipOf(old);

    std::string temp;
    int err = EEXIST;
    // Should another file hold the name, another is taken.
    for (int attempt = 0; err == EEXIST && attempt < 8; ++attempt) {
        temp = temporaryNameFor(target);
        err = writeNewFileOrErrno(temp, bytes, regular ? &like : nullptr);
    }
    if (err != 0)
        throwCannotCreate(path, err);
    err = beforeFileChange("rename", target);
    if (err != 0 || ::rename(temp.c_str(), target.c_str()) != 0) {
        err = err ? err : errno;
        (void)beforeFileChange("unlink", temp);
        ::unlink(temp.c_str());
        throwCannotCreate(path, err);
    }
    return folderOf(target);
}

#else

void syncFolder(const std::string&) { }

void writeNewFile(
    const std::string& path, const std::string& bytes, const FileOwnership* like, const std::string& shownAs)
{
    const std::string& shown = shownAs.empty() ? path : shownAs;
    if (const int err = beforeFileChange("create", path))
        throwCannotCreate(shown, err);
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        throwCannotCreate(shown, errno);
    bool ok = true;
    int err = 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n <= 0) {
            ok = false;
            err = n < 0 ? errno : ENOSPC;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    if (ok && _commit(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (_close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && like && _chmod(path.c_str(), static_cast<int>(like->mode) & (_S_IREAD | _S_IWRITE)) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        beforeFileChange("unlink", path);
        _unlink(path.c_str());
        throwCannotCreate(shown, err ? err : EIO);
    }
}

std::string replaceWholeFileUnsynced(
    const std::string& pathGiven, const std::string& bytes, const std::string& shownAs)
{
    const std::string& path = shownAs.empty() ? pathGiven : shownAs;
    const std::string target = findExisting(pathGiven);
    std::error_code ec;
    const fs::file_status old = fs::status(target, ec);
    const bool exists = fs::exists(old);
    if (exists && fs::is_directory(old))
        throwCannotCreate(path, EISDIR);
    errno = 0;
    if (exists && !mayWrite(target))
        throwCannotCreate(path, errno ? errno : EACCES);
    const std::string temp = temporaryNameFor(target);
    writeNewFile(temp, bytes, nullptr, path);
    if (!MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD why = GetLastError();
        _unlink(temp.c_str());
        throwCannotCreate(path, why == ERROR_ACCESS_DENIED ? EACCES : EIO);
    }
    return folderOf(target);
}

#endif

void replaceWholeFile(const std::string& path, const std::string& bytes, const std::string& shownAs)
{
    syncFolder(replaceWholeFileUnsynced(path, bytes, shownAs));
}

std::string currentDirectory()
{
    std::error_code ec;
    std::string dir = fs::current_path(ec).string();
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\') && !(dir.size() == 3 && dir[1] == ':'))
        dir.pop_back();
    return dir;
}

} // namespace pm
