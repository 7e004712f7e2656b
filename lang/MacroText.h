// The macro window's text rules, apart from the window: the lines a run
// hands the interpreter with their places in the text, when a recorded
// line is appended and what is added, the script file's bytes, and where
// the window may stand on the screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lang/Script.h"

namespace fw {
class Archive;
}

namespace lang {

// One line of the window's text: its text (a "\r" before the "\n" stays
// with it) and the range a failure selects, start to start + length + 1.
struct ScriptTextLine {
  std::string text;
  std::size_t start = 0;
  std::size_t end = 0;
};

// The text split at "\n"; a text ending in a line break has an empty last
// line.
std::vector<ScriptTextLine> SplitScriptText(std::string_view text);
LineList ScriptTextLines(const std::vector<ScriptTextLine>& lines);

// Whether a line offered to the window is taken: never while a script
// runs, and with the recording switch off only when forced.
bool ShouldAppendLine(bool running, bool recording, bool force);
// What goes at the end of `currentLength` characters of text: "\r\n" before
// every line but the first.
std::string AppendedPiece(std::size_t currentLength, std::string_view line);

// The script file: the text and one zero byte.
std::string ScriptFileBytes(std::string_view text);
// The largest script file read: far more than any script, far less than
// would stall the window that shows it.
inline constexpr std::size_t kMaxScriptFileBytes = std::size_t{8} << 20;
// Whether a byte may stand in a script's text: anything but the control
// characters, of which tab, line feed and carriage return are text.
bool IsScriptTextByte(unsigned char byte);
// The text of a script file's bytes: a final zero byte is dropped, any
// other last byte is text (a script from another editor keeps it). False,
// with the reason (words that follow "the file ") in `problem`, for a
// file larger than kMaxScriptFileBytes, a zero byte before the last and
// any other byte that is not text: such a file is no script, and showing
// part of it would lose the rest at the next save.
bool ScriptTextFromFileBytes(std::string_view bytes, std::string* text, std::string* problem);
// Whether a text may stand in the window and be saved whole: every byte
// is text. False with the reason as above.
bool IsScriptText(std::string_view text, std::string* problem);

// The command picker's statement: name, "(", the parameters, ");".
std::string PickedStatement(std::string_view name, std::string_view parameters);
// The parameter list's lines, numbered from 0: "0. text", "1. text", ...
std::vector<std::string> ParameterHelpLines(const std::vector<std::string>& parameters);

// What the macro window keeps in an archive, in this order: the text, the
// modified flag, the selection's start and end, the file name, the
// recording switch (flags and offsets 32-bit).
struct MacroWindowState {
  std::string text;
  std::int32_t modified = 0;
  std::int32_t selectionStart = 0;
  std::int32_t selectionEnd = 0;
  std::string fileName;
  std::int32_t recording = 1;
};
// Stores or loads by the archive's direction; loading throws the archive's
// FileException on a short or damaged archive, or a text holding bytes
// that are not text (IsScriptText), the state then unchanged.
void SerializeMacroWindowState(fw::Archive& archive, MacroWindowState& state);

// A stored window origin kept on the screen: 0 .. screen - size, never
// below 0.
std::int32_t ClampWindowOrigin(std::int32_t stored, std::int32_t size, std::int32_t screen);

// A window's edges, left, top, right, bottom (right and bottom outside).
struct WindowEdges {
  std::int32_t left, top, right, bottom;
};
// The top of a window opened at its default place beside the tool windows
// already shown (`taken`): as long as it would cover one of them it moves
// to one pixel below that one; where that leaves the screen (`screenHeight`)
// it keeps its default place.
std::int32_t DefaultTopClearOf(WindowEdges wanted, const std::vector<WindowEdges>& taken, std::int32_t screenHeight);

}  // namespace lang
