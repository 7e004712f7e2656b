// Which image file types the shell opens with the program: the extensions
// that can be associated, the registry values of an association, the saved
// choices (settings section "Opened files", one key per extension, "1" or
// "0") and the refresh that applies them again at every start.
#pragma once

#include <string>
#include <vector>

#include "app/ClassesRegistry.h"
#include "framework/Profile.h"

namespace lumora {

inline constexpr char kOpenedFilesSection[] = "Opened files";

struct FileTypeChoice {
  std::string extension;  // without the dot, as listed
  bool checked = false;
};

// What an association names: the document type id and name (the template's
// strings 5 and 6) and the program's full path.
struct AssociationTarget {
  std::string typeId;
  std::string typeName;
  std::string programPath;
};

// The text after the first '.' of a pattern ("*.LUD" -> "LUD"); empty when
// there is none.
std::string ExtensionOfPattern(const std::string& pattern);

// The program's own types first (from their patterns), then the extensions
// of every readable format of an ImExp read list ("description\0patterns\0"
// pairs, patterns joined by ';', ended by one more NUL), each once, compared
// without regard to case.
std::vector<std::string> AssociableExtensions(const std::vector<std::string>& ownPatterns, const char* readList,
                                              int size);

// The open command: the quoted full path and " /dde", so that a path with
// spaces survives the shell.
std::string OpenCommandLine(const std::string& programPath);

struct ClassesValue {
  std::string key;
  std::string name;  // empty: the key's default value
  std::string data;
};

// The five values of an association, in the order they are written.
std::vector<ClassesValue> AssociationValues(const AssociationTarget& target, const std::string& extension);

// The classes key of an extension: "." and the extension in lower case.
std::string ExtensionKey(const std::string& extension);

// Whether the extension's key names the program's type.
bool IsExtensionAssociated(const ClassesRegistry& registry, const std::string& extension, const std::string& typeId);

// Checked: writes the five values, false at the first refusal. Unchecked:
// when the extension's key names the program's type, removes only what the
// program put there (its default value and ShellNew), so another program's
// subkeys under the extension stay; true.
bool RegisterExtension(ClassesRegistry& registry, const AssociationTarget& target, const std::string& extension,
                       bool checked);

std::vector<FileTypeChoice> ReadFileTypeChoices(fw::Profile& settings);
// Empties the section, then one key per choice.
void WriteFileTypeChoices(fw::Profile& settings, const std::vector<FileTypeChoice>& choices);

// Every saved choice whose extension is still associable is registered
// again as saved; one that no longer is, is unregistered when still ours and
// dropped. Returns the choices kept (also written back to the section).
std::vector<FileTypeChoice> RefreshFileAssociations(fw::Profile& settings, ClassesRegistry& registry,
                                                    const AssociationTarget& target,
                                                    const std::vector<std::string>& associable);

// A row of the file-type dialog.
struct FileTypeRow {
  std::string extension;
  bool greyed = false;  // the program's own types: shown, never changed or saved here
  bool checked = false;
};

// The dialog's rows: every associable extension, greyed when listed in
// `greyed`; checked when a choice is saved for it and it is associated
// with the program now (a saved "1" that another program took over shows
// unchecked).
std::vector<FileTypeRow> FileTypeRows(const std::vector<std::string>& associable,
                                      const std::vector<std::string>& greyed,
                                      const std::vector<FileTypeChoice>& saved, const ClassesRegistry& registry,
                                      const std::string& typeId);

// What OK keeps: every row that is not greyed.
std::vector<FileTypeChoice> ChoicesFromRows(const std::vector<FileTypeRow>& rows);

// OK of the dialog: the section rewritten, each choice registered or
// unregistered; false when a registration was refused.
bool ApplyFileTypeChoices(fw::Profile& settings, ClassesRegistry& registry, const AssociationTarget& target,
                          const std::vector<FileTypeChoice>& choices);

}  // namespace lumora
