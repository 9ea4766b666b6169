#include "base/paths.h"

#include "base/errors.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
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

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

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

void replaceWholeFile(const std::string& path, const std::string& bytes)
{
    const std::string target = findExisting(path);
    std::error_code ec;
    const fs::file_status old = fs::status(target, ec);
    const bool exists = fs::exists(old);
    // Renaming over a read-only file would succeed; refuse it, as writing
    // the file in place would.
    if (exists && fs::is_directory(old))
        throwCannotCreate(path, EISDIR);
    errno = 0;
    if (exists && !mayWrite(target))
        throwCannotCreate(path, errno ? errno : EACCES);

    const std::string temp = target + ".tmp";
    errno = 0;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        throwCannotCreate(path, errno ? errno : EACCES);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int err = errno;
    if (std::fflush(f) != 0) {
        ok = false;
        err = errno;
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && exists) {
        // The replacement keeps the permissions of the file it replaces.
        fs::permissions(temp, old.permissions(), ec);
        ec.clear();
    }
    if (ok) {
        fs::rename(temp, target, ec);
        if (!ec)
            return;
        err = ec.value();
    }
    fs::remove(temp, ec);
    throwCannotCreate(path, err ? err : EIO);
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
