#include "app/app_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/errors.h"
#include "base/paths.h"
#include "keypad/key_table.h"
#include "storage/macro_files.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace pm {

namespace {

bool isDir(const fs::path& p)
{
    std::error_code ec;
    return fs::is_directory(p, ec);
}

[[noreturn]] void fail(
    const fs::path& where, const std::string& what, const std::error_code& ec, const std::string& remedy)
{
    throw AppDirError(
        "Cannot " + what + " " + where.string() + (ec ? ": " + ec.message() : "") + ". " + remedy);
}

const char* kDirRemedy = "Start padmacro with --dir DIR naming a folder that holds BMP/ and log/.";

void makeLogFiles(const fs::path& dir)
{
    const fs::path log = dir / "log";
    std::error_code ec;
    fs::create_directories(log, ec);
    if (ec)
        fail(log, "create", ec, kDirRemedy);
    for (const uint8_t n : kDeviceKeyNumbers)
        for (const std::string& literal : {strokeFileLiteral(n), textFileLiteral(n), lineFileLiteral(n)}) {
            const fs::path file = platformPath(dir.string(), literal);
            if (fs::exists(fs::symlink_status(file, ec)))
                continue;
            // Created exclusively: a name taken meanwhile, or a link, is left alone.
            try {
                writeNewFile(file.string(), {});
            } catch (const FileError& e) {
                if (!fs::exists(fs::symlink_status(file, ec)))
                    fail(file, "create", std::error_code(e.error(), std::generic_category()), kDirRemedy);
            }
        }
}

bool isFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// Whether target is where some installation of the program keeps its
// pictures, as this program would have linked it: the same shape beside a
// bin/ that holds one of the programs.
bool installedPictures(const fs::path& target)
{
    if (!target.is_absolute())
        return false;
    const fs::path normal = target.lexically_normal();
    for (const fs::path& tail : {fs::path("share") / "padmacro" / "BMP", fs::path("app") / "BMP"}) {
        fs::path prefix = normal;
        const auto parts = std::distance(tail.begin(), tail.end());
        for (auto i = 0; i < parts; ++i)
            prefix = prefix.parent_path();
        if ((prefix / tail).lexically_normal() != normal)
            continue;
        for (const char* program : {"padmacro", "padmacroctl"})
            if (isFile(prefix / "bin" / program))
                return true;
    }
    return false;
}

void linkPictures(const fs::path& dir, const std::string& executable)
{
    const fs::path link = dir / "BMP";
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(link, ec);
    // Pictures of the user's own are left alone.
    if (fs::is_directory(st))
        return;

    std::string pictures;
    for (const std::string& candidate : pictureCandidates(executable))
        if (isDir(candidate)) {
            pictures = candidate;
            break;
        }
    if (pictures.empty()) {
        std::string looked;
        for (const std::string& candidate : pictureCandidates(executable))
            looked += (looked.empty() ? "" : " or ") + candidate;
        throw AppDirError("Cannot find the key pictures (looked in " + looked
            + "). Reinstall padmacro, or start it with --dir DIR naming a folder that holds BMP/ and log/.");
    }

    if (fs::is_symlink(st)) {
        // Kept when it already leads here; a package upgrade or a move of
        // the build tree leaves it dangling or pointing at another
        // installation. A link the user set to pictures of their own stays.
        // Unreadable only if the link went meanwhile: then it is made again below.
        const fs::path target = fs::read_symlink(link, ec);
        if (target == fs::path(pictures) && isDir(link))
            return;
        if (isDir(link) && !installedPictures(target))
            return;
        if (!fs::remove(link, ec) && ec)
            fail(link, "replace", ec, kDirRemedy);
    } else if (fs::exists(st)) {
        fail(link, "use", {}, "It is not a folder: move it away and start padmacro again.");
    }
    fs::create_directory_symlink(pictures, link, ec);
    if (ec)
        fail(link, "create", ec, kDirRemedy);
}

} // namespace

std::string perUserDir(const AppDirInputs& in)
{
    // A relative XDG_DATA_HOME is invalid and ignored.
    if (!in.dataHome.empty() && fs::path(in.dataHome).is_absolute())
        return (fs::path(in.dataHome) / "padmacro").string();
    if (in.home.empty())
        throw AppDirError("Cannot find the home folder: HOME is not set. Set HOME or XDG_DATA_HOME, or "
                          "start padmacro with --dir DIR naming a folder that holds BMP/ and log/.");
    return (fs::path(in.home) / ".local" / "share" / "padmacro").string();
}

std::vector<std::string> pictureCandidates(const std::string& executable)
{
    const fs::path prefix = fs::path(executable).parent_path().parent_path();
    return {(prefix / "share" / "padmacro" / "BMP").lexically_normal().string(),
        (prefix / "app" / "BMP").lexically_normal().string()};
}

void preparePerUserDir(const std::string& dir, const std::string& executable)
{
    makeLogFiles(dir);
    linkPictures(dir, executable);
}

bool isAppDir(const std::string& dir)
{
    if (isFile(platformPath(dir, kReleasedPicture)) && isFile(platformPath(dir, kMarkedPicture)))
        return true;
    for (const uint8_t n : kDeviceKeyNumbers)
        for (const std::string& literal : {strokeFileLiteral(n), textFileLiteral(n), lineFileLiteral(n)})
            if (isFile(platformPath(dir, literal)))
                return true;
    return false;
}

AppDirChoice resolveAppDir(const AppDirInputs& in)
{
    if (!in.explicitDir.empty()) {
        if (!isDir(in.explicitDir))
            throw AppDirError("Cannot use " + in.explicitDir
                + ": it is not a folder. Give --dir a folder that holds BMP/ and log/.");
        return {in.explicitDir, AppDirReason::Given};
    }
    if (!in.perUserOnly && !in.currentDir.empty() && isAppDir(in.currentDir))
        return {in.currentDir, AppDirReason::CurrentFolder};
    const std::string dir = perUserDir(in);
    try {
        preparePerUserDir(dir, in.executable);
    } catch (const AppDirError& e) {
        throw AppDirError(std::string(e.what()) + " " + appDirNote({dir, AppDirReason::PerUser}));
    }
    return {dir, AppDirReason::PerUser};
}

std::string chooseAppDir(const AppDirInputs& in)
{
    return resolveAppDir(in).dir;
}

std::string appDirNote(const AppDirChoice& choice)
{
    switch (choice.reason) {
    case AppDirReason::Given:
        return "The application folder " + choice.dir
            + " was given with --dir; give --dir a folder that holds BMP/ and log/.";
    case AppDirReason::CurrentFolder:
        return "The application folder " + choice.dir
            + " was used because it is the current folder and holds the keypad pictures (BMP/) or macro "
              "files (log/); use --dir DIR to choose the folder.";
    case AppDirReason::PerUser: break;
    }
    return "The application folder " + choice.dir
        + " is the per-user folder, used because no --dir was given and the current folder holds neither "
          "the keypad pictures nor macro files (or --user-dir was given); use --dir DIR to choose another.";
}

std::string runningExecutable()
{
#ifdef _WIN32
    char module[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    return std::string(module, n);
#else
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
#endif
}

AppDirInputs processAppDirInputs(const std::string& explicitDir, bool perUserOnly)
{
    AppDirInputs in;
    in.explicitDir = explicitDir;
    in.perUserOnly = perUserOnly;
    in.currentDir = currentDirectory();
    if (const char* v = std::getenv("XDG_DATA_HOME"))
        in.dataHome = v;
#ifdef _WIN32
    if (const char* v = std::getenv("LOCALAPPDATA"))
        in.dataHome = v;
#else
    if (const char* v = std::getenv("HOME"))
        in.home = v;
#endif
    in.executable = runningExecutable();
    return in;
}

} // namespace pm
