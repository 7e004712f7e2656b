// The macro window's text rules.
#include "lang/MacroText.h"

#include <algorithm>

#include "framework/Archive.h"
#include "platform/stream_file.h"

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

bool IsScriptTextByte(unsigned char byte) { return byte >= 0x20 ? byte != 0x7F : byte == '\t' || byte == '\n' || byte == '\r'; }

bool IsScriptText(std::string_view text, std::string* problem) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (IsScriptTextByte(byte)) continue;
    if (problem != nullptr) {
      *problem = byte == 0 ? "holds a zero byte at byte " + std::to_string(i + 1) + ", before its end"
                           : "holds a byte that is not text (" + std::to_string(byte) + ") at byte " +
                                 std::to_string(i + 1);
    }
    return false;
  }
  return true;
}

bool ScriptTextFromFileBytes(std::string_view bytes, std::string* text, std::string* problem) {
  if (bytes.size() > kMaxScriptFileBytes) {
    if (problem != nullptr) {
      *problem = "is " + std::to_string(bytes.size()) + " bytes long; a script file holds at most " +
                 std::to_string(kMaxScriptFileBytes) + " bytes";
    }
    return false;
  }
  if (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  if (!IsScriptText(bytes, problem)) return false;
  text->assign(bytes);
  return true;
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
  // In 64 bits: the settings file may hold any numbers.
  const std::int64_t last = std::int64_t{screen} - size;
  return static_cast<std::int32_t>(std::max<std::int64_t>(0, std::min<std::int64_t>(stored, last)));
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
  // The window shows text only: a state holding anything else is damaged.
  if (!IsScriptText(read.text, nullptr)) lumora::ThrowInvalidFile("the macro text holds bytes that are not text");
  state = std::move(read);
}

}  // namespace lang
