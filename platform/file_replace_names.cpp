// Names of the temporary files that saves write beside their targets.
#include <string>

#include "platform/file_replace.h"

namespace lumora {

namespace {

constexpr char kTempMarker[] = ".lumora-tmp-";
// Unique characters at the end of a temporary file's name.
constexpr std::size_t kUniqueChars = 6;
// At most this much of the target's name goes into the temporary one, so
// that the whole stays within the 255 characters a folder entry may have.
constexpr std::size_t kMaxTargetPart = 200;

}  // namespace

std::string TempNamePrefix(const std::string& targetName) {
  return targetName.substr(0, kMaxTargetPart) + kTempMarker;
}

bool IsTempNameOf(const std::string& name, const std::string& targetName) {
  const std::string prefix = TempNamePrefix(targetName);
  if (name.size() < prefix.size() + kUniqueChars || name.compare(0, prefix.size(), prefix) != 0) return false;
  // A file written key by key into its temporary file writes each key
  // through a temporary file of that one: those count as the target's too.
  std::size_t at = prefix.size() + kUniqueChars;
  const std::size_t marker = sizeof kTempMarker - 1;
  while (at < name.size()) {
    if (name.size() - at != marker + kUniqueChars || name.compare(at, marker, kTempMarker) != 0) return false;
    at += marker + kUniqueChars;
  }
  return true;
}

}  // namespace lumora
