// Saving without ever destroying the user's file: a temporary file made
// beside the target (on the same volume), flushed to the disk, then moved
// over the target in one step that either replaces it whole or leaves it
// as it was.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

// Creates a new empty file with a unique name ("tmp" and a number) in the
// folder of `target`; its path, or the empty string with `error` set.
std::string CreateTempFileBeside(const std::string& target, std::string* error);

// Writes the file's data through to the disk; false with `error` set.
bool FlushFileToDisk(const std::string& path, std::string* error);

// Moves `source` over `target` in one step (the target need not exist);
// false with `error` set, both files as they were.
bool ReplaceFileAtomically(const std::string& source, const std::string& target, std::string* error);

// Deletes a file; false when it could not be deleted (or did not exist).
bool RemoveFile(const std::string& path);

// The running process's id, to tell this program's data from another's.
std::uint32_t CurrentProcessId();

}  // namespace lumora
