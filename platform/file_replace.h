// Saving without ever destroying the user's file: a temporary file made
// beside the target (on the same volume), flushed to the disk, then moved
// over the target in one step that either replaces it whole or leaves it
// as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// Creates a new empty file with a unique name made from the target's,
// "<target name>.lumora-tmp-XXXXXX", in the folder of `target`; its path,
// or the empty string with `error` set. The temporary files of earlier
// saves of the same target that never finished (the program was killed)
// are removed first: nothing else can clean up after them.
std::string CreateTempFileBeside(const std::string& target, std::string* error);

// The part of a temporary file's name before its six unique characters,
// for the target's file name (shortened so that the whole stays within
// the longest name a folder allows).
std::string TempNamePrefix(const std::string& targetName);
// Whether `name` is the name of one of the temporary files of a target
// whose file name is `targetName`.
bool IsTempNameOf(const std::string& name, const std::string& targetName);

// The temporary files of unfinished writes of `target` that lie beside it
// (full paths), which CreateTempFileBeside would remove.
std::vector<std::string> FindTempFilesOf(const std::string& target);

// Writes the file's data through to the disk; false with `error` set.
bool FlushFileToDisk(const std::string& path, std::string* error);

// Moves `source` over `target` in one step (the target need not exist);
// false with `error` set, both files as they were. A read-only target is
// refused ("the file is read-only").
bool ReplaceFileAtomically(const std::string& source, const std::string& target, std::string* error);

// Deletes a file; false when it could not be deleted (or did not exist).
bool RemoveFile(const std::string& path);

// The running process's id, to tell this program's data from another's.
std::uint32_t CurrentProcessId();

}  // namespace lumora
