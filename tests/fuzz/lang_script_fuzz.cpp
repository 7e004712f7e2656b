// Fuzz target of the script interpreter: any text runs line by line through
// the splitter, the scanner and the token readers into executors that read
// their arguments by their formats (the selection-area executors build real
// fragments), and stops or completes without a crash, a leak or a read
// outside a buffer. Every stop names its line.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "fuzz/fuzz_target.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "lang/Script.h"
#include "lang/SelectAreaCommands.h"
#include "lang/lang_fixture.h"

namespace {

using Vocabulary = lang::test::MemoryProfile;

// Reads the arguments as a built-in tool command does: token readers by
// the format's letters.
int ReadByFormat(const std::string& format, const char* arguments) {
  lang::Lex::StringIStream in(arguments);
  lang::LangLexer lexer(in);
  std::int32_t values[4];
  for (const char c : format) {
    switch (c) {
      case 'd': lang::ReadIntArg(lexer); break;
      case 's': lang::ReadStringArg(lexer); break;
      case 'c': lang::ReadColorArg(lexer); break;
      case 'p': lang::ReadPointArg(lexer, values); break;
      case 'r': lang::ReadRectArg(lexer, values); break;
      default: break;
    }
  }
  return 1;
}

lang::LangCommandSet& Commands() {
  static Vocabulary vocabulary = [] {
    Vocabulary v;
    const char* area[][2] = {{"SelectWholeImage", ""}, {"AddRect", "%d,%d,%d,%d,%d"}, {"AddEllipse", "%d,%d,%d,%d,%d"},
                             {"AddLine", "%d,%d,%d,%d,%d,%d,%d"}, {"AddText", ""}, {"BeginPolygon", ""},
                             {"AddPolygonPoint", "%d,%d"}, {"EndPolygon", "%d"}, {"AddMask", "%s,%d"},
                             {"SetEdgeType", "%d"}, {"SetEdgeDegree", "%d"}, {"FreeAllFrags", ""},
                             {"InvertSelection", ""}, {"SetActiveLayer", "%d"}};
    for (int n = 0; n < 14; ++n) v.Command("SELECT AREA", n, area[n][0], area[n][1]);
    v.Command("SYSTEM", 11, "Undo", "");
    v.Command("SYSTEM", 2, "BeginJPEGSeq", "%s");
    v.Command("BUILTIN TOOLS", 8, "CreateNewLayer", "%s,%s,%d,%d,%d");
    v.Command("BUILTIN TOOLS", 9, "SetLayerOptions", "%s,%s,%d,%d,%d,%d,%d,%d,%d,%d,%d");
    v.Command("BUILTIN TOOLS", 19, "TransformLayer", "%d,%d,%d,%d,%p,%p,%p,%p,%p,%p,%d");
    v.Command("BUILTIN TOOLS", 1, "CanvasSize", "%r");
    v.Command("BUILTIN TOOLS", 213, "CreateNewImage", "%s,%d,%d,%d,%d,%c");
    v.Command("BUILTIN TOOLS", 20, "Flip", "%d,%d");
    return v;
  }();
  static lang::LangCommandSet set(vocabulary, nullptr);
  return set;
}

lang::LangCommandSet& Prepared() {
  static lang::LangCommandSet& set = [] () -> lang::LangCommandSet& {
    lang::LangCommandSet& s = Commands();
    lang::InstallSelectAreaExecutors(s);
    // Files named by the input are not opened: masks only read their arguments.
    s.SelectArea(8).SetExecutor([](const char* a, lang::ScriptRunState&) { return ReadByFormat("sd", a); });
    s.System(11).SetExecutor([](const char*, lang::ScriptRunState&) { return 1; });
    s.System(2).SetExecutor([](const char* a, lang::ScriptRunState&) { return ReadByFormat("s", a); });
    for (const int n : {1, 8, 9, 19, 20, 213}) {
      lang::ToolBICommand* command = s.BuiltinTool(n);
      command->SetExecutor([command](const char* a, lang::ScriptRunState&) {
        std::string letters;
        for (std::size_t i = 0; i + 1 < command->GetFormat().size(); ++i)
          if (command->GetFormat()[i] == '%') letters.push_back(command->GetFormat()[i + 1]);
        return ReadByFormat(letters, a);
      });
    }
    return s;
  }();
  return set;
}

}  // namespace

LUMORA_FUZZ_TARGET(lang_script)(const std::uint8_t* data, std::size_t size) {
  lang::LineList lines;
  std::string line;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line.push_back(static_cast<char>(data[i]));
    }
  }
  lines.push_back(std::move(line));
  lang::ScriptStop stop;
  const bool complete = lang::RunScript(lines, &stop, &Prepared());
  if (complete != (stop.line == lines.size())) __builtin_trap();
  if (!complete && stop.reason.rfind("line " + std::to_string(stop.line + 1) + ": ", 0) != 0) __builtin_trap();
  return 0;
}
