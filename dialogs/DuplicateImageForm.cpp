// The duplicate-image dialog's proposed name.
#include "dialogs/DuplicateImageForm.h"

#include <cctype>
#include <climits>

namespace lumora {

namespace {

std::string FileNamePart(const std::string& title) {
  const std::size_t slash = title.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? title : title.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "name copy" and "name copy 12" give "name".
std::string WithoutCopyEnding(std::string name) {
  std::size_t digits = name.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])) != 0) --digits;
  if (digits < name.size() && digits > 0 && name[digits - 1] == ' ' && EndsWith(name.substr(0, digits - 1), " copy")) {
    name.erase(digits - 1);
  }
  if (EndsWith(name, " copy")) name.erase(name.size() - 5);
  return name;
}

}  // namespace

std::string ProposeDuplicateName(const std::string& title, const std::function<bool(const std::string&)>& taken) {
  const std::string base = WithoutCopyEnding(FileNamePart(title)) + " copy";
  if (!taken(base)) return base;
  for (int number = 1; number < INT_MAX; ++number) {
    std::string numbered = base + " " + std::to_string(number);
    if (!taken(numbered)) return numbered;
  }
  return base;
}

}  // namespace lumora
