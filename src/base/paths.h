#pragma once
// Every file is named as AppDir followed by a literal such as "\BMP\1.bmp".
// These helpers turn such a name into a path of this platform and do the
// whole-file reads and writes that the handlers need.
#include <string>

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

// Throws "Cannot open file ..." unless the file can be opened for reading;
// returns the path of the file found (see findExisting).
std::string requireReadable(const std::string& path);

// Replaces the file whole: the bytes go to a temporary file beside it that is
// then renamed over it, so a failure never leaves a half-written file.
// Throws "Cannot create file ..." naming path.
void replaceWholeFile(const std::string& path, const std::string& bytes);

// Whether this user may write the existing file in place; errno tells why not.
bool mayWrite(const std::string& path);

// The process's current working directory, without trailing separator.
std::string currentDirectory();

} // namespace pm
