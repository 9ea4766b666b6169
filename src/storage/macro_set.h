#pragma once
// The 78 macro files of the log folder read and replaced as one set.
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "storage/macro_check.h"
#include "storage/macro_export.h"

namespace pm {

// The exact bytes of the three files of each of keys in logDir. A missing or
// unreadable file throws "Cannot open file ...".
MacroSet readMacroSet(const std::string& logDir, const std::vector<int>& keys);

// Seams for tests; empty members take the system's answer.
struct ReplaceHooks {
    // Called before each step that writes to the disk ("stage", "stage KeyNum40.txt",
    // "backup", "exchange", "remove old"); a throw stands in for a crash or a full disk.
    std::function<void(const std::string& step)> beforeStep;
    // Whether this user may write the file (a superuser may write any).
    std::function<bool(const std::string& path)> mayWrite;
    // Exchanges two directories atomically; returns 0 or an errno value.
    std::function<int(const std::string& a, const std::string& b)> exchange;
    std::function<std::time_t()> now;
};

struct ReplaceOutcome {
    std::string backupPath; // the previous set as an export
    std::string leftover;   // a directory that could not be removed afterwards, or empty
};

// Replaces the macro files of keys in logDir with next, so that a crash or a
// full disk leaves either the old or the new set: the new files are staged
// in a fresh directory beside logDir (beside its target if it is a symlink),
// each with the permissions of the file it replaces, and the two
// directories are exchanged in one rename. Other files in logDir are kept.
// Before the exchange the previous set is written as an export to
// "<parent of logDir>/<name>-before-import-YYYYMMDD-HHMMSS.txt".
//
// A crash at any point leaves what recoverMacroSet finishes or rolls back.
// Refuses before changing anything when next fails validateMacroSet, when
// a file to replace is read-only for this user ("Cannot create file ...")
// or cannot be read; any failure up to the exchange removes what it staged.
// A missing file is taken as an empty one (a key without a macro).
//
// Where the system cannot exchange directories (and on Windows) the files
// are replaced one by one: each file stays whole, but the set is not
// replaced atomically.
ReplaceOutcome replaceMacroSet(const std::string& logDir, const MacroSet& next, const std::vector<int>& keys,
    const ExportNotes& backupNotes = {}, const ReplaceHooks& hooks = {});

// After a crash: an import that stopped before its new set was whole is
// rolled back, one that stopped later is finished, and temporary files of
// replacements that never finished are removed. Returns a message for each
// import finished or rolled back (none when nothing was left over).
std::vector<std::string> recoverMacroSet(const std::string& logDir, const std::vector<int>& keys);

} // namespace pm
