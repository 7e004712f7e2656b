// The file chooser's rules without a window: which files of its folder it
// lists, how a typed name is looked up, and which names it refuses because
// they would reach outside the folder or name a device.
#pragma once

#include <string>
#include <vector>

namespace lumora {

// The names listed for the folder's entries: every entry whose lower-cased
// name ends with `extension` (lower case, no dot; the dot is not compared)
// gives its file title, the name without its last extension ("abc.FRG"
// gives "abc", "xfrg" gives "xfrg"). Sorted without regard to case.
std::vector<std::string> GadgetListNames(const std::vector<std::string>& entries, const std::string& extension);

// The index of the entry equal to `name` without regard to case, or -1.
int FindGadgetEntry(const std::vector<std::string>& names, const std::string& name);

enum class GadgetNameFault {
  kNone,
  kEmpty,
  kPath,      // "\", "/", ":" or ".." would leave the folder
  kWildcard,  // "*" or "?"
  kInvalid,   // '"', "<", ">", "|" or a control character
  kDevice,    // CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9 (with any extension)
};

// Whether `name` may become "<folder><name>.<extension>".
GadgetNameFault CheckGadgetName(const std::string& name);

// The chosen file: folder path (ending in a separator) + name + "." + extension.
std::string GadgetFilePath(const std::string& folderPath, const std::string& name, const std::string& extension);

}  // namespace lumora
