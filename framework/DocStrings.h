// Document template strings, document-type matching and frame titles:
// the text rules of documents and frames, kept apart from the windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// Fields of a template's document string, one string resource split at "\n".
enum class DocStringIndex : int {
  kWindowTitle = 0,
  kDocName = 1,
  kFileNewName = 2,
  kFilterName = 3,
  kFilterExt = 4,
  kRegFileTypeId = 5,
  kRegFileTypeName = 6,
};

std::string DocStringPart(const std::string& docString, DocStringIndex index);

// How well a template fits a path, lowest first.
enum class MatchConfidence : int {
  kNoAttempt = 0,
  kMaybeForeign = 1,
  kMaybeNative = 2,
  kYesAlreadyOpen = 3,
};

// `openPaths`: the paths of the template's open documents.
MatchConfidence MatchDocType(const std::string& path, const std::string& filterExt,
                             const std::vector<std::string>& openPaths);

bool SamePath(const std::string& a, const std::string& b);  // case-insensitive, / and \ alike
std::string FileTitleOf(const std::string& path);           // the name after the last separator

// The title of a new untitled document: the document name and the count
// (count 0 gives "Name1"), or the untitled string when the name is empty.
std::string DefaultDocTitle(const std::string& docName, int untitledCount);

// A child frame's title: the document's, with ":n" when it has several windows.
std::string ChildFrameTitle(const std::string& docTitle, int windowNumber);
// A single-document frame's title: "Document - Application".
std::string AppFrameTitle(const std::string& appTitle, const std::string& docTitle);

// The open dialog's filter: "Name\0*.ext\0" for every template, then all files.
std::string BuildOpenFilter(const std::vector<std::pair<std::string, std::string>>& nameAndExt,
                            const std::string& allFilesName);

// File names out of a multi-select open dialog's buffer: either one full
// path, or the folder then names, each ended by NUL, the list by two NULs.
std::vector<std::string> SplitMultiSelect(const char* buffer, std::size_t size);

}  // namespace fw
