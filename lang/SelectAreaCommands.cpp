// The selection-area executors over the run state's fragments.
#include "lang/SelectAreaCommands.h"

#include <cstring>
#include <string>

#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "lang/Recorder.h"
#include "lang/Script.h"
#include "select/storeSel.h"

namespace lang {

namespace {

// Reads every %d of `format` from the arguments; false when a scan fails.
bool ScanIntegers(const char* arguments, std::string_view format, std::int32_t* out, int count) {
  std::string_view args = arguments;
  std::string token, conversion;
  for (int i = 0; i < count; ++i) {
    LangValue value;
    if (!ScanNextArgument(args, format, token, conversion) || !ConvertArgument(token, conversion, value)) return false;
    out[i] = value.number;
  }
  return true;
}

// Adds the shape (the first one of an empty selection with code 14) and
// releases it; true when a selection exists afterwards.
int AddShape(ScriptRunState& state, Fragment* shape, std::int32_t code) {
  if (shape != nullptr) {
    if (state.selection == nullptr) {
      const FRGITEM item{kFrgAdd, shape};
      state.selection = CreateComplexFrg(1, &item);
    } else {
      AddToComplexFrg(state.selection, shape, code);
    }
    DeleteFragment(shape);
  }
  return state.selection != nullptr;
}

// Left, top, right, bottom as the recorder writes them (see Recorder.cpp).
LURECT BoxOf(const std::int32_t* v) {
  return LURECT{v[0], v[1], static_cast<std::int32_t>(static_cast<std::uint32_t>(v[2]) - static_cast<std::uint32_t>(v[0])),
                static_cast<std::int32_t>(static_cast<std::uint32_t>(v[3]) - static_cast<std::uint32_t>(v[1]))};
}

int SelectWholeImage(const char*, ScriptRunState& state) { return AddShape(state, CreateEmptyFrg(1), kFrgAdd); }

int AddBox(const char* arguments, ScriptRunState& state, bool ellipse) {
  std::int32_t v[5];
  if (!ScanIntegers(arguments, "%d,%d,%d,%d,%d", v, 5)) return 0;
  const LURECT box = BoxOf(v);
  return AddShape(state, ellipse ? CreateEllipticFrg(&box, 0) : CreateRectFrg(&box, 0), v[4]);
}

int AddLine(const char* arguments, ScriptRunState& state) {
  std::int32_t v[7];
  if (!ScanIntegers(arguments, "%d,%d,%d,%d,%d,%d,%d", v, 7)) return 0;
  return AddShape(state, CreateLineFrg(v[0], v[1], v[2], v[3], v[4], v[5], 0), v[6]);
}

int AddText(const char* arguments, ScriptRunState& state) {
  Lex::StringIStream in(arguments);
  LangLexer lexer(in);
  try {
    POINT origin{ReadIntArg(lexer), 0};
    origin.y = ReadIntArg(lexer);
    LOGFONTA font{};
    font.lfHeight = ReadIntArg(lexer);
    font.lfWidth = ReadIntArg(lexer);
    font.lfEscapement = ReadIntArg(lexer);
    font.lfOrientation = ReadIntArg(lexer);
    font.lfWeight = ReadIntArg(lexer);
    BYTE* bytes[] = {&font.lfItalic,       &font.lfUnderline,     &font.lfStrikeOut, &font.lfCharSet,
                     &font.lfOutPrecision, &font.lfClipPrecision, &font.lfQuality,   &font.lfPitchAndFamily};
    for (BYTE* b : bytes) *b = static_cast<BYTE>(ReadIntArg(lexer));
    const std::string face = ReadStringArg(lexer);
    std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    const std::string text = ReadStringArg(lexer);
    const std::int32_t code = ReadIntArg(lexer);
    Fragment* shape = CreateTextFrg(origin.x, origin.y, &font, text.c_str(), 0);
    if (shape != nullptr) SetFragmentOriginPoint(shape, &origin);
    return AddShape(state, shape, code);
  } catch (const LexExcept&) {
    return 0;
  }
}

int BeginPolygon(const char*, ScriptRunState& state) {
  state.FreePolygon();
  return 1;
}

int AddPolygonPoint(const char* arguments, ScriptRunState& state) {
  std::int32_t v[2];
  if (!ScanIntegers(arguments, "%d,%d", v, 2)) return 0;
  if (state.polygon != nullptr) return AddPointToPolygonFrg(state.polygon, v[0], v[1]) != 0;
  const POINT first{v[0], v[1]};
  state.polygon = CreatePolygonFrg(&first, 1, kFrgFillAlternate, 0);
  return state.polygon != nullptr;
}

int EndPolygon(const char* arguments, ScriptRunState& state) {
  std::int32_t code;
  if (!ScanIntegers(arguments, "%d", &code, 1)) return 0;
  Fragment* polygon = state.polygon;
  state.polygon = nullptr;
  return AddShape(state, polygon, code);
}

int AddMask(const char* arguments, ScriptRunState& state) {
  Lex::StringIStream in(arguments);
  LangLexer lexer(in);
  try {
    std::filesystem::path file = ReadStringArg(lexer);
    const std::int32_t code = ReadIntArg(lexer);
    if (!file.has_parent_path()) file = GetMacroTempFolder() / file;
    int status = 0;
    Fragment* shape = LoadSelectionFromFile(&status, file.string().c_str());
    // An unreadable file fails the statement, even over a selection that
    // already exists; the reason is the recorded error's text.
    if (shape == nullptr) {
      state.failure = LUFormatErrorMessage(LUGetErrorState());
      return 0;
    }
    return AddShape(state, shape, code);
  } catch (const LexExcept&) {
    return 0;
  }
}

int SetIntField(const char* arguments, std::int32_t& field) {
  return ScanIntegers(arguments, "%d", &field, 1) ? 1 : 0;
}

int FreeAllFrags(const char*, ScriptRunState& state) {
  state.FreeSelection();
  state.edgeDegree = 0;
  state.edgeType = 0;
  return 1;
}

int InvertSelection(const char*, ScriptRunState& state) {
  if (state.selection != nullptr) SetFrgInversion(state.selection, !IsFrgInverted(state.selection));
  return 1;
}

}  // namespace

void InstallSelectAreaExecutors(LangCommandSet& commands) {
  commands.SelectArea(0).SetExecutor(SelectWholeImage);
  commands.SelectArea(1).SetExecutor([](const char* a, ScriptRunState& s) { return AddBox(a, s, false); });
  commands.SelectArea(2).SetExecutor([](const char* a, ScriptRunState& s) { return AddBox(a, s, true); });
  commands.SelectArea(3).SetExecutor(AddLine);
  commands.SelectArea(4).SetExecutor(AddText);
  commands.SelectArea(5).SetExecutor(BeginPolygon);
  commands.SelectArea(6).SetExecutor(AddPolygonPoint);
  commands.SelectArea(7).SetExecutor(EndPolygon);
  commands.SelectArea(8).SetExecutor(AddMask);
  commands.SelectArea(9).SetExecutor([](const char* a, ScriptRunState& s) { return SetIntField(a, s.edgeType); });
  commands.SelectArea(10).SetExecutor([](const char* a, ScriptRunState& s) {
    // Whole pixels: the widest soft edge is the most a run keeps.
    if (!SetIntField(a, s.edgeDegree)) return 0;
    s.edgeDegree = SmoothDegreeOf(s.edgeDegree) / 10;
    return 1;
  });
  commands.SelectArea(11).SetExecutor(FreeAllFrags);
  commands.SelectArea(12).SetExecutor(InvertSelection);
  commands.SelectArea(13).SetExecutor([](const char* a, ScriptRunState& s) { return SetIntField(a, s.activeLayer); });
}

}  // namespace lang
