// The file chooser's listing, lookup and name rules.
#include "dialogs/GadgetForm.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace lumora {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The system opens these whatever folder or extension surrounds them.
bool IsDeviceName(std::string_view name) {
  // The device part ends at the first dot, and trailing blanks do not count.
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
  for (std::string_view device : kPlain) {
    if (EqualNoCase(name, device)) return true;
  }
  if (name.size() == 4 && name[3] >= '1' && name[3] <= '9') {
    return EqualNoCase(name.substr(0, 3), "com") || EqualNoCase(name.substr(0, 3), "lpt");
  }
  return false;
}

}  // namespace

std::vector<std::string> GadgetListNames(const std::vector<std::string>& entries, const std::string& extension) {
  const std::string ext = Lower(extension);
  std::vector<std::string> names;
  for (const std::string& entry : entries) {
    const std::string lower = Lower(entry);
    if (ext.empty() || lower.size() < ext.size() || lower.compare(lower.size() - ext.size(), ext.size(), ext) != 0) {
      continue;
    }
    const std::size_t dot = entry.find_last_of('.');
    names.push_back(dot == std::string::npos || dot == 0 ? entry : entry.substr(0, dot));
  }
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return Lower(a) < Lower(b);
  });
  return names;
}

int FindGadgetEntry(const std::vector<std::string>& names, const std::string& name) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (EqualNoCase(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

GadgetNameFault CheckGadgetName(const std::string& name) {
  if (name.empty()) return GadgetNameFault::kEmpty;
  if (name.find_first_of("\\/:") != std::string::npos || name.find("..") != std::string::npos) {
    return GadgetNameFault::kPath;
  }
  if (name.find_first_of("*?") != std::string::npos) return GadgetNameFault::kWildcard;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32 || std::string_view("\"<>|").find(c) != std::string_view::npos) {
      return GadgetNameFault::kInvalid;
    }
  }
  if (IsDeviceName(name)) return GadgetNameFault::kDevice;
  return GadgetNameFault::kNone;
}

std::string GadgetFilePath(const std::string& folderPath, const std::string& name, const std::string& extension) {
  return folderPath + name + "." + extension;
}

}  // namespace lumora
