// Fuzz target of what Macro/Open and the macro window read: the first byte
// chooses a script file (even) or the window's state archive (odd), the
// rest is its bytes. A script file either is refused with a reason, or
// gives a text that shows whole and saves to the same text, never shorter.
// A state archive either throws the archive's exception and leaves the
// state as it was, or loads a state that stores and loads again the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Archive.h"
#include "framework/File.h"
#include "fuzz/fuzz_target.h"
#include "lang/MacroText.h"

namespace {

using namespace lang;

void ScriptFile(std::string_view bytes) {
  std::string text = "untouched", problem;
  if (!ScriptTextFromFileBytes(bytes, &text, &problem)) {
    if (problem.empty() || text != "untouched") __builtin_trap();
    return;
  }
  if (text.size() + 1 < bytes.size() || !IsScriptText(text, nullptr)) __builtin_trap();
  const std::string saved = ScriptFileBytes(text);
  std::string again;
  if (saved.size() != text.size() + 1 || !ScriptTextFromFileBytes(saved, &again, nullptr) || again != text) {
    __builtin_trap();
  }
  // The lines a run hands on cover the text, in order; the range a
  // failure selects ends one past its line.
  std::size_t at = 0;
  for (const ScriptTextLine& line : SplitScriptText(text)) {
    if (line.start != at || line.end != line.start + line.text.size() + 1 || line.end > text.size() + 1 ||
        text.compare(line.start, line.text.size(), line.text) != 0) {
      __builtin_trap();
    }
    at = line.start + line.text.size() + 1;
  }
}

bool Same(const MacroWindowState& a, const MacroWindowState& b) {
  return a.text == b.text && a.modified == b.modified && a.selectionStart == b.selectionStart &&
         a.selectionEnd == b.selectionEnd && a.fileName == b.fileName && a.recording == b.recording;
}

bool Load(const void* data, std::size_t size, MacroWindowState& state) {
  fw::MemFile file;
  file.Write(data, static_cast<std::uint32_t>(size));
  file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition()));
  try {
    fw::Archive in(file, fw::Archive::load);
    SerializeMacroWindowState(in, state);
  } catch (const fw::FileException&) {
    return false;
  }
  return true;
}

void WindowState(std::string_view bytes) {
  const MacroWindowState fresh;
  MacroWindowState state;
  if (!Load(bytes.data(), bytes.size(), state)) {
    if (!Same(state, fresh)) __builtin_trap();
    return;
  }
  if (!IsScriptText(state.text, nullptr)) __builtin_trap();
  fw::MemFile stored;
  {
    fw::Archive out(stored, fw::Archive::store);
    SerializeMacroWindowState(out, state);
    out.Close();
  }
  MacroWindowState again;
  if (!Load(stored.Data(), stored.GetLength(), again) || !Same(again, state)) __builtin_trap();
}

}  // namespace

LUMORA_FUZZ_TARGET(macro_file)(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > (1u << 20)) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) == 0) {
    ScriptFile(bytes);
  } else {
    WindowState(bytes);
  }
  return 0;
}
