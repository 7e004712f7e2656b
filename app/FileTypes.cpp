// File-type associations: extensions, registry values and saved choices.
#include "app/FileTypes.h"

#include <algorithm>
#include <cctype>

namespace lumora {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool SameExtension(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

void AddOnce(std::vector<std::string>* list, const std::string& extension) {
  if (extension.empty()) return;
  for (const std::string& e : *list) {
    if (SameExtension(e, extension)) return;
  }
  list->push_back(extension);
}

}  // namespace

std::string ExtensionOfPattern(const std::string& pattern) {
  const std::size_t dot = pattern.find('.');
  return dot == std::string::npos ? std::string() : pattern.substr(dot + 1);
}

std::vector<std::string> AssociableExtensions(const std::vector<std::string>& ownPatterns, const char* readList,
                                              int size) {
  std::vector<std::string> list;
  for (const std::string& p : ownPatterns) AddOnce(&list, ExtensionOfPattern(p));
  if (readList == nullptr || size <= 0) return list;
  // Pairs of NUL-terminated strings: a description, then its patterns.
  int at = 0;
  bool isPatterns = false;
  while (at < size && readList[at] != '\0') {
    const char* text = readList + at;
    const int length = static_cast<int>(std::find(text, readList + size, '\0') - text);
    if (isPatterns) {
      std::string patterns(text, static_cast<std::size_t>(length));
      std::size_t start = 0;
      while (start <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(';', start), patterns.size());
        std::string one = patterns.substr(start, end - start);
        // A wildcard extension ("*.*") names no type.
        const std::string ext = ExtensionOfPattern(one);
        if (ext.find_first_of("*?") == std::string::npos) AddOnce(&list, ext);
        start = end + 1;
      }
    }
    isPatterns = !isPatterns;
    at += length + 1;
  }
  return list;
}

std::string OpenCommandLine(const std::string& programPath) { return "\"" + programPath + "\" /dde"; }

std::string ExtensionKey(const std::string& extension) { return "." + Lower(extension); }

std::vector<ClassesValue> AssociationValues(const AssociationTarget& target, const std::string& extension) {
  const std::string ext = ExtensionKey(extension);
  return {
      {target.typeId, "", target.typeName},
      {target.typeId + "\\shell\\open\\ddeexec", "", "[open(\"%1\")]"},
      {target.typeId + "\\shell\\open\\command", "", OpenCommandLine(target.programPath)},
      {ext, "", target.typeId},
      {ext + "\\ShellNew", "NullFile", ""},
  };
}

bool IsExtensionAssociated(const ClassesRegistry& registry, const std::string& extension, const std::string& typeId) {
  std::string current;
  return registry.GetDefault(ExtensionKey(extension), &current) && current == typeId;
}

bool RegisterExtension(ClassesRegistry& registry, const AssociationTarget& target, const std::string& extension,
                       bool checked) {
  if (checked) {
    if (target.typeId.empty() || target.typeName.empty() || extension.empty()) return false;
    for (const ClassesValue& v : AssociationValues(target, extension)) {
      if (!registry.SetValue(v.key, v.name, v.data)) return false;
    }
    return true;
  }
  if (!IsExtensionAssociated(registry, extension, target.typeId)) return true;
  const std::string key = ExtensionKey(extension);
  registry.DeleteTree(key + "\\ShellNew");
  registry.DeleteValue(key, "");
  return true;
}

std::vector<FileTypeChoice> ReadFileTypeChoices(fw::Profile& settings) {
  std::vector<FileTypeChoice> choices;
  for (const std::string& key : settings.GetKeyNames(kOpenedFilesSection)) {
    if (key.empty()) continue;
    choices.push_back({key, settings.GetInt(kOpenedFilesSection, key, 0) != 0});
  }
  return choices;
}

void WriteFileTypeChoices(fw::Profile& settings, const std::vector<FileTypeChoice>& choices) {
  settings.Remove(kOpenedFilesSection);
  for (const FileTypeChoice& c : choices) settings.WriteString(kOpenedFilesSection, c.extension, c.checked ? "1" : "0");
}

std::vector<FileTypeChoice> RefreshFileAssociations(fw::Profile& settings, ClassesRegistry& registry,
                                                    const AssociationTarget& target,
                                                    const std::vector<std::string>& associable) {
  std::vector<FileTypeChoice> kept;
  for (const FileTypeChoice& c : ReadFileTypeChoices(settings)) {
    const bool readable = std::any_of(associable.begin(), associable.end(),
                                      [&](const std::string& e) { return SameExtension(e, c.extension); });
    if (readable) {
      RegisterExtension(registry, target, c.extension, c.checked);
      kept.push_back(c);
    } else {
      RegisterExtension(registry, target, c.extension, false);
    }
  }
  WriteFileTypeChoices(settings, kept);
  return kept;
}

std::vector<FileTypeRow> FileTypeRows(const std::vector<std::string>& associable,
                                      const std::vector<std::string>& greyed,
                                      const std::vector<FileTypeChoice>& saved, const ClassesRegistry& registry,
                                      const std::string& typeId) {
  std::vector<FileTypeRow> rows;
  for (const std::string& ext : associable) {
    FileTypeRow row{ext, false, false};
    row.greyed = std::any_of(greyed.begin(), greyed.end(), [&](const std::string& g) { return SameExtension(g, ext); });
    const bool hasSaved =
        std::any_of(saved.begin(), saved.end(), [&](const FileTypeChoice& c) { return SameExtension(c.extension, ext); });
    row.checked = hasSaved && IsExtensionAssociated(registry, ext, typeId);
    rows.push_back(row);
  }
  return rows;
}

std::vector<FileTypeChoice> ChoicesFromRows(const std::vector<FileTypeRow>& rows) {
  std::vector<FileTypeChoice> choices;
  for (const FileTypeRow& r : rows) {
    if (!r.greyed) choices.push_back({r.extension, r.checked});
  }
  return choices;
}

bool ApplyFileTypeChoices(fw::Profile& settings, ClassesRegistry& registry, const AssociationTarget& target,
                          const std::vector<FileTypeChoice>& choices) {
  WriteFileTypeChoices(settings, choices);
  bool all = true;
  for (const FileTypeChoice& c : choices) all = RegisterExtension(registry, target, c.extension, c.checked) && all;
  return all;
}

}  // namespace lumora
