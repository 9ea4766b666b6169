#pragma once
// Every file is named as AppDir followed by a literal such as "\BMP\1.bmp".
// These helpers turn such a name into a path of this platform and do the
// whole-file reads and writes that the handlers need.
#include <functional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace pm {

// AppDir + literal with the literal's backslashes turned into the platform's
// separator. The result is the name that error messages show.
std::string platformPath(const std::string& appDir, const std::string& literal);

// The existing file for path: the path itself if it exists, otherwise a file
// whose name differs only in letter case (component by component), otherwise
// path unchanged.
std::string findExisting(const std::string& path);

// Reads the whole file; throws "Cannot open file ..." naming path.
std::string readWholeFile(const std::string& path);

// A file read only when it is a regular one and not too large.
struct BoundedRead {
    std::string bytes;
    std::string notRegular; // what it is instead ("a folder", "a named pipe", "a device"), or empty
    bool tooLarge = false;  // more than the limit: bytes holds nothing
};

// Reads path when it is a regular file of at most limit bytes, without ever
// waiting on a named pipe or a device. Throws "Cannot open file ..." when
// it cannot be opened or read.
BoundedRead readRegularFile(const std::string& path, size_t limit);

// Throws "Cannot open file ..." unless the file can be opened for reading;
// returns the path of the file found (see findExisting).
std::string requireReadable(const std::string& path);

// Replaces the file whole, so that a crash or a failure leaves either the old
// or the new file: the bytes go to a new file of a unique name beside it
// (created exclusively, so never through a link), flushed to the disk, given
// the old file's permissions, renamed over the file, and the folder synced.
// A symbolic link at path is replaced by the file, never written through.
// Nothing is left behind on failure. Throws "Cannot create file ..." naming
// shownAs (path when empty).
void replaceWholeFile(const std::string& path, const std::string& bytes, const std::string& shownAs = {});
// The same but for the folder sync, for several files of one folder made
// lasting by one syncFolder of the folder it returns.
std::string replaceWholeFileUnsynced(
    const std::string& path, const std::string& bytes, const std::string& shownAs = {});

// The permissions (and owner) a new file takes over from the file it replaces.
struct FileOwnership {
    unsigned mode = 0; // permission bits
    unsigned uid = 0;
    unsigned gid = 0;
};

#ifndef _WIN32
// The permissions and owner of a file as stat gives them.
FileOwnership ownershipOf(const struct stat& st);
#endif

// Writes bytes to a file that must not exist yet (a link there is not
// followed) and flushes it to the disk; with like, the file gets those
// permissions (and, for a superuser, that owner). Throws "Cannot create
// file ..." naming shownAs (path when empty); a file it made is removed again.
void writeNewFile(const std::string& path, const std::string& bytes, const FileOwnership* like = nullptr,
    const std::string& shownAs = {});

// The folder holding path: its parent, or "." for a bare name.
std::string folderOf(const std::string& path);

// Flushes a folder's entries (renames, new and removed names) to the disk.
void syncFolder(const std::string& dir);

// The name of a temporary file beside name in the same folder: hidden,
// unique to this process and call, and recognised by isTemporaryName.
std::string temporaryNameFor(const std::string& path);
// Whether a file name (without folder) is one temporaryNameFor gives.
bool isTemporaryName(const std::string& name);

// A test seam: called before every call that changes a file or a folder
// (create, write, fchmod, fsync, rename, exchange, unlink, ...) with the
// call and its path. It returns 0 to go on or an errno value that the call
// then fails with; a test may also end the process there to see what a
// crash at that point leaves.
using FileChangeHook = std::function<int(const char* call, const std::string& path)>;
void setFileChangeHook(FileChangeHook hook);
int beforeFileChange(const char* call, const std::string& path);

// Whether this user may write the existing file in place; errno tells why not.
bool mayWrite(const std::string& path);

// The process's current working directory, without trailing separator.
std::string currentDirectory();

} // namespace pm
