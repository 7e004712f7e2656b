// The macro window's text rules.
#include "lang/MacroText.h"

#include <algorithm>

#include "framework/Archive.h"

namespace lang {

std::vector<ScriptTextLine> SplitScriptText(std::string_view text) {
  std::vector<ScriptTextLine> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t lf = text.find('\n', start);
    const std::size_t length = (lf == std::string_view::npos ? text.size() : lf) - start;
    lines.push_back({std::string(text.substr(start, length)), start, start + length + 1});
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
  return lines;
}

LineList ScriptTextLines(const std::vector<ScriptTextLine>& lines) {
  LineList out;
  out.reserve(lines.size());
  for (const ScriptTextLine& line : lines) out.push_back(line.text);
  return out;
}

bool ShouldAppendLine(bool running, bool recording, bool force) { return !running && (recording || force); }

std::string AppendedPiece(std::size_t currentLength, std::string_view line) {
  std::string piece;
  piece.reserve(line.size() + 2);
  if (currentLength != 0) piece = "\r\n";
  piece.append(line);
  return piece;
}

std::string ScriptFileBytes(std::string_view text) {
  std::string bytes(text);
  bytes.push_back('\0');
  return bytes;
}

std::string ScriptTextFromFileBytes(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  // Text stops at an inner zero byte, as the edit control's text does.
  return std::string(bytes.substr(0, bytes.find('\0')));
}

std::string PickedStatement(std::string_view name, std::string_view parameters) {
  std::string statement(name);
  statement += '(';
  statement.append(parameters);
  statement += ");";
  return statement;
}

std::vector<std::string> ParameterHelpLines(const std::vector<std::string>& parameters) {
  std::vector<std::string> lines;
  lines.reserve(parameters.size());
  for (std::size_t i = 0; i < parameters.size(); ++i) lines.push_back(std::to_string(i) + ". " + parameters[i]);
  return lines;
}

std::int32_t ClampWindowOrigin(std::int32_t stored, std::int32_t size, std::int32_t screen) {
  return std::max<std::int32_t>(0, std::min<std::int32_t>(stored, screen - size));
}

std::int32_t DefaultTopClearOf(WindowEdges wanted, const std::vector<WindowEdges>& taken, std::int32_t screenHeight) {
  const std::int32_t height = wanted.bottom - wanted.top;
  WindowEdges at = wanted;
  for (bool moved = true; moved;) {
    moved = false;
    for (const WindowEdges& t : taken) {
      const bool covers = at.left < t.right && t.left < at.right && at.top < t.bottom && t.top < at.bottom;
      if (!covers) continue;
      at.top = t.bottom + 1;
      at.bottom = at.top + height;
      moved = true;
    }
    if (at.bottom > screenHeight) return wanted.top;
  }
  return at.top;
}

void SerializeMacroWindowState(fw::Archive& archive, MacroWindowState& state) {
  if (archive.IsStoring()) {
    archive << state.text << state.modified << state.selectionStart << state.selectionEnd << state.fileName
            << state.recording;
    return;
  }
  MacroWindowState read;
  archive >> read.text >> read.modified >> read.selectionStart >> read.selectionEnd >> read.fileName >> read.recording;
  state = std::move(read);
}

}  // namespace lang
