#pragma once
// Errors that a handler raises and the event dispatcher shows in the toolkit's
// standard error box; the handler stops at the step that raised it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace pm {

class UiError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that could not be opened or created, with the errno value that
// said why, for callers that report it their own way.
class FileError : public UiError {
public:
    FileError(const std::string& what, int err)
        : UiError(what)
        , error_(err)
    {
    }
    int error() const { return error_; }

private:
    int error_;
};

// The operating system's reason for errno-style code err.
std::string osReason(int err);

// Throw FileError "Cannot open file ..." or "Cannot create file ...".
[[noreturn]] void throwCannotOpen(const std::string& path, int err);
[[noreturn]] void throwCannotCreate(const std::string& path, int err);
[[noreturn]] void throwNotInteger(const std::string& text);

// Integer conversion as the toolkit does it: optional leading blanks, an
// optional sign and decimal digits, fitting 32 bits; anything else throws
// "'text' is not a valid integer value".
int32_t strToInt(const std::string& text);

} // namespace pm
