// The macro recorder's entries, the gate and the selection statements.
#include "lang/Recorder.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "hostapi/fragment.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "platform/text.h"
#include "select/storeSel.h"

namespace lang {

namespace {

MacroLineSink* gSink = nullptr;
RecordImageContext* gContext = nullptr;
std::filesystem::path gProgramFolder = ".";

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(out.data(), out.size(), format, args);
  va_end(args);
  out.pop_back();
  return out;
}

// Win32's LONG fields (long on Windows) as printf's int.
constexpr int Int(long value) { return static_cast<int>(value); }

// Degrees to the recorded hundredths, sign flipped, truncated toward zero.
// Truncated toward zero, but a product that binary fractions leave a hair
// below a whole number (2.3 x 100 = 229.99999999999997) counts as that
// number: the statement must turn by the angle the user typed.
std::int32_t RecordedAngle(double degrees) {
  const double hundredths = degrees * -100.0;
  const double nearest = std::round(hundredths);
  return static_cast<std::int32_t>(std::abs(hundredths - nearest) < 1e-6 ? nearest : std::trunc(hundredths));
}

bool HasActiveImage() { return gContext != nullptr && gContext->HasActiveDocument(); }

std::string SetActiveLayerLine(std::int32_t index) { return Format("SetActiveLayer(%d);", index); }

// Needs an active image; the active layer's statement goes first.
void RecordWithLayerPrefix(std::string statement) {
  if (!IsMacroRecording() || !HasActiveImage()) return;
  RecordLines({SetActiveLayerLine(gContext->ActiveLayerIndex()), std::move(statement)});
}

// Needs an active image; the selection's statements go first, then the
// active layer's.
void RecordWithSelectionPrefix(const Fragment* fragment, std::string statement) {
  if (!IsMacroRecording() || !HasActiveImage()) return;
  LineList lines{"FreeAllFrags();"};
  RecordFragment(lines, fragment);
  lines.push_back(SetActiveLayerLine(gContext->ActiveLayerIndex()));
  lines.push_back(std::move(statement));
  RecordLines(lines);
}

void RecordPlain(std::string statement) {
  if (IsMacroRecording()) RecordStatement(std::move(statement));
}

// Rectangles are recorded as left, top, right, bottom in the fragment
// library's space (rows counted from the bottom, right and bottom
// exclusive): x, y, x + width, y + height. AddRect and AddEllipse read
// them back the same way.
bool AppendBoxShape(LineList& lines, const char* name, const Fragment* f, int code) {
  LURECT r{};
  if (!GetFragmentBoundRect(f, &r)) return false;
  lines.push_back(Format("%s(%d,%d,%d,%d,%d);", name, r.x, r.y, r.x + r.width, r.y + r.height, code));
  return true;
}

void AppendPolygon(LineList& lines, const Fragment* f, int code) {
  const int count = GetPolygonFrgSize(f);
  const POINT* points = GetPolygonFrgArray(f);
  if (count < 0 || (count > 0 && points == nullptr)) return;
  lines.push_back("BeginPolygon();");
  for (int i = 0; i < count; ++i) lines.push_back(Format("AddPolygonPoint(%d,%d);", Int(points[i].x), Int(points[i].y)));
  lines.push_back(Format("EndPolygon(%d);", code));
}

void AppendText(LineList& lines, const Fragment* f, int code) {
  LOGFONTA font{};
  LURECT r{};
  const int length = GetTextFrgTextLength(f);
  if (!GetTextFrgFont(f, &font) || length < 0 || length > 127 || !GetFragmentBoundRect(f, &r)) return;
  char text[128] = {};
  if (!GetTextFrgText(f, text, sizeof text)) return;
  font.lfFaceName[LF_FACESIZE - 1] = 0;
  lines.push_back(Format("AddText(%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%s,%s,%d);", r.x, r.y, Int(font.lfHeight),
                         Int(font.lfWidth), Int(font.lfEscapement), Int(font.lfOrientation), Int(font.lfWeight), font.lfItalic,
                         font.lfUnderline, font.lfStrikeOut, font.lfCharSet, font.lfOutPrecision,
                         font.lfClipPrecision, font.lfQuality, font.lfPitchAndFamily,
                         QuoteLangString(font.lfFaceName).c_str(), QuoteLangString(text).c_str(), code));
}

void AppendLine(LineList& lines, const Fragment* f, int code) {
  POINT begin{}, end{};
  if (!GetLineBeginPoint(f, &begin) || !GetLineEndPoint(f, &end)) return;
  lines.push_back(Format("AddLine(%d,%d,%d,%d,%d,%d,%d);", Int(begin.x), Int(begin.y), Int(end.x), Int(end.y), GetLineWidth(f),
                         GetLineStyle(f), code));
}

// A mask goes to a selection file of the temporary folder. When it cannot,
// a comment line (which replay passes over) says why. The inversion of a
// whole selection is its own statement, so its file holds the plain shape;
// an item of a complex selection keeps its own inversion in the file.
bool AppendMask(LineList& lines, const Fragment* f, int code, bool wholeSelection) {
  const std::filesystem::path file = MakeMacroTempFileName();
  Fragment* shape = CreateFragmentIndirect(f);
  if (shape != nullptr && wholeSelection) SetFrgInversion(shape, 0);
  const bool saved = !file.empty() && shape != nullptr && SaveSelectionToFile(shape, file.string().c_str());
  if (shape != nullptr) DeleteFragment(shape);
  if (saved) {
    lines.push_back(Format("AddMask(%s,%d);", QuoteLangString(file.filename().string()).c_str(), code));
    return true;
  }
  std::error_code ignored;
  if (!file.empty()) std::filesystem::remove(file, ignored);
  const std::string why = file.empty() ? "no file can be made in the macro temporary folder"
                                       : "the selection file " + file.filename().string() + " cannot be written";
  lines.push_back("// selection mask not recorded: " + why);
  if (gSink != nullptr) gSink->ReportRecordingFailure("The selection mask was not recorded: " + why + ".");
  return false;
}

bool AppendShape(LineList& lines, const Fragment* f, int type, int code, bool wholeSelection) {
  switch (type) {
    case kFrgRect: AppendBoxShape(lines, "AddRect", f, code); return true;
    case kFrgEllipse: AppendBoxShape(lines, "AddEllipse", f, code); return true;
    case kFrgPolygon: AppendPolygon(lines, f, code); return true;
    case kFrgText: AppendText(lines, f, code); return true;
    case kFrgLine: AppendLine(lines, f, code); return true;
    case kFrgMask: return AppendMask(lines, f, code, wholeSelection);
    default: return true;
  }
}

}  // namespace

void SetMacroRecorder(MacroLineSink* sink, RecordImageContext* context) {
  gSink = sink;
  gContext = context;
}

MacroLineSink* ReplaceMacroLineSink(MacroLineSink* sink) {
  MacroLineSink* former = gSink;
  gSink = sink;
  return former;
}

void SetMacroProgramFolder(const std::filesystem::path& folder) { gProgramFolder = folder; }

bool IsMacroRecording() { return gSink != nullptr && gSink->IsRecording(); }

void RecordLines(const LineList& lines) {
  if (IsMacroRecording()) gSink->AppendLines(lines);
}

void RecordStatement(std::string statement) { RecordLines(LineList{std::move(statement)}); }

std::filesystem::path GetMacroTempFolder() {
  const std::filesystem::path folder = gProgramFolder / "Macroses" / "TEMP";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error) ? folder : std::filesystem::path();
}

std::filesystem::path MakeMacroTempFileName() {
  const std::filesystem::path folder = GetMacroTempFolder();
  if (folder.empty()) return {};
  static std::uint32_t next = 0;
  for (int attempt = 0; attempt < 0x10000; ++attempt) {
    char name[16];
    std::snprintf(name, sizeof name, "LANG%X.tmp", (++next) & 0xFFFFu);
    const std::filesystem::path candidate = folder / name;
    std::error_code error;
    if (std::filesystem::exists(candidate, error) || error) continue;
    if (std::ofstream(candidate, std::ios::binary).is_open()) return candidate;
  }
  return {};
}

bool RecordFragment(LineList& lines, const Fragment* fragment) {
  if (fragment == nullptr) return true;
  const int type = GetFragmentType(fragment);
  if (type == kFrgEmpty) {
    lines.push_back("SelectWholeImage();");
    return true;
  }
  bool complete = true;
  if (type >= kFrgRect && type <= kFrgMask) {
    complete = AppendShape(lines, fragment, type, kFrgAdd, true);
  } else if (type == kFrgComplex) {
    const int count = GetComplexFrgItemNum(fragment);
    for (int i = 0; i < count; ++i) {
      FRGITEM item{};
      if (!GetComplexFrgItem(fragment, i, &item) || item.fragment == nullptr) break;
      const int itemType = GetFragmentType(item.fragment);
      if (itemType >= kFrgRect && itemType <= kFrgMask) {
        complete = AppendShape(lines, item.fragment, itemType, item.mode, false) && complete;
      } else if (itemType != kFrgEmpty) {
        lines.push_back("UNSUPPORTED FRAGMENT !!!!");
      }
      DeleteFragment(item.fragment);
    }
  } else {
    return true;
  }
  if (IsFrgInverted(fragment)) lines.push_back("InvertSelection();");
  return complete;
}

void RecordSetActiveLayer(LineList& lines, std::int32_t layerIndex) { lines.push_back(SetActiveLayerLine(layerIndex)); }

namespace {

// "Name(v0,v1,...);" from the tool's parameters, walked by the format;
// empty when a conversion is unknown or a parameter cannot be read.
std::string ToolStatement(RecordToolSource& tool, const LangCommand& command) {
  std::string out = command.GetName() + "(";
  const std::string& format = command.GetFormat();
  std::size_t pos = format.find('%');
  for (int i = 0; pos != std::string::npos && pos < format.size(); ++i) {
    const std::size_t end = std::min(format.find_first_of(" \t,", pos), format.size());
    const std::string_view conversion = std::string_view(format).substr(pos, end - pos);
    pos = format.find('%', end);
    LangValue v;
    if (conversion.size() != 2 || std::string_view("dscpr").find(conversion[1]) == std::string_view::npos ||
        !tool.GetParameter(i, conversion[1], v))
      return {};
    if (i > 0) out += ",";
    switch (conversion[1]) {
      case 'd': out += std::to_string(v.number); break;
      case 's': out += QuoteLangString(v.text); break;
      case 'c': out += Format("{%d,%d,%d}", GetRValue(v.color), GetGValue(v.color), GetBValue(v.color)); break;
      case 'p': out += Format("{%d,%d}", v.numbers[0], v.numbers[1]); break;
      default: out += Format("{%d,%d,%d,%d}", v.numbers[0], v.numbers[1], v.numbers[2], v.numbers[3]); break;
    }
  }
  return out + ");";
}

}  // namespace

void RecordToolRun(RecordToolSource& tool, std::int32_t layerIndex, const Fragment* fragment, LineList& lines,
                   LangCommandSet* commands) {
  if (tool.ToolText() == "#Insert_Tool" || !tool.WorkedOnShownImage()) return;
  if (fragment != nullptr) {
    lines.push_back("FreeAllFrags();");
    std::int32_t degree = 0, type = 0;
    tool.ReadEdge(degree, type);
    lines.push_back(Format("SetEdgeDegree(%d);", degree));
    lines.push_back(Format("SetEdgeType(%d);", type));
    RecordFragment(lines, fragment);
  }
  RecordSetActiveLayer(lines, layerIndex);
  LangCommandSet* set = commands != nullptr ? commands : GetLangCommands();
  const ToolCommand* command = set != nullptr ? set->FindToolCommandByToolName(tool.ToolIdName()) : nullptr;
  if (command == nullptr) {
    lines.push_back("UNSUPPORTED TOOL");
    return;
  }
  std::string statement = ToolStatement(tool, *command);
  if (!statement.empty()) lines.push_back(std::move(statement));
}

void RecordResize(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  if (IsMacroRecording()) RecordPlain(Format("Resize(%d,%d,%d,%d);", a, b, c, d));
}
void RecordCanvasSize(const RECT& r) {
  if (IsMacroRecording()) RecordPlain(Format("CanvasSize({%d,%d,%d,%d});", Int(r.left), Int(r.top), Int(r.right), Int(r.bottom)));
}
void RecordCrop(const RECT& r) {
  if (IsMacroRecording())
    RecordPlain(Format("Crop(%d,%d,%d,%d,0);", Int(r.left), Int(r.top), Int(r.right - r.left), Int(r.bottom - r.top)));
}
void RecordRotate(double degrees) {
  if (IsMacroRecording()) RecordPlain(Format("Rotate(%d);", RecordedAngle(degrees)));
}
void RecordFlipImage(std::int32_t horizontal, std::int32_t vertical) {
  if (IsMacroRecording()) RecordPlain(Format("FlipImage(%d,%d);", horizontal, vertical));
}
void RecordEdges(std::int32_t a, std::int32_t b) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("Edges(%d,%d);", a, b));
}
void RecordCreateNewLayer(std::string_view name, std::string_view mergeMode, std::int32_t opacity,
                          std::int32_t grouped, std::int32_t creation) {
  if (!IsMacroRecording()) return;
  RecordWithLayerPrefix(Format("CreateNewLayer(%s,%s,%d,%d,%d);", QuoteLangString(lumora::Utf8ToAnsi(std::string(name))).c_str(),
                               QuoteLangString(mergeMode).c_str(), opacity, grouped, creation));
}
void RecordSetLayerOptions(std::string_view name, std::string_view mergeMode, std::int32_t opacity,
                           const std::uint32_t b[8]) {
  if (!IsMacroRecording()) return;
  RecordWithLayerPrefix(Format("SetLayerOptions(%s,%s,%d,0x%x,0x%x,0x%x,0x%x,0x%x,0x%x,0x%x,0x%x);",
                               QuoteLangString(lumora::Utf8ToAnsi(std::string(name))).c_str(), QuoteLangString(mergeMode).c_str(),
                               opacity, b[0], b[1],
                               b[2], b[3], b[4], b[5], b[6], b[7]));
}
void RecordLayerStatement(std::string_view statement) {
  if (IsMacroRecording()) RecordWithLayerPrefix(std::string(statement));
}
void RecordDeleteLayer() { RecordLayerStatement("DeleteLayer();"); }
void RecordGroupLayer() { RecordLayerStatement("GroupLayer();"); }
void RecordUngroupLayer() { RecordLayerStatement("UngroupLayer();"); }
void RecordBringLayerToFront() { RecordLayerStatement("BringLayerToFront();"); }
void RecordBringLayerForward() { RecordLayerStatement("BringLayerForward();"); }
void RecordSendLayerToBack() { RecordLayerStatement("SendLayerToBack();"); }
void RecordSendLayerBackward() { RecordLayerStatement("SendLayerBackward();"); }
void RecordMergeLayer() { RecordLayerStatement("MergeLayer();"); }
void RecordMergeVisibleLayers() { RecordPlain("MergeVisibleLayers();"); }
void RecordFlattenImage() { RecordPlain("FlattenImage();"); }
void RecordFlip(const Fragment* fragment, std::int32_t horizontal, std::int32_t vertical) {
  if (IsMacroRecording()) RecordWithSelectionPrefix(fragment, Format("Flip(%d,%d);", horizontal, vertical));
}
void RecordRotateLayer(const Fragment* fragment, double degrees) {
  if (IsMacroRecording()) RecordWithSelectionPrefix(fragment, Format("RotateLayer(%d);", RecordedAngle(degrees)));
}
void RecordLayerWEB(std::string_view link) {
  if (IsMacroRecording()) RecordWithLayerPrefix("LayerWEB(" + QuoteLangString(link) + ");");
}
void RecordRemoveLayerMask(std::int32_t apply) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("RemoveLayerMask(%d);", apply));
}
void RecordEnableLayerMask(std::int32_t enable) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("EnableLayerMask(%d);", enable));
}
void RecordAddLayerMask(std::int32_t code) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("AddLayerMask(%d);", code));
}
void RecordAddLayerMaskWithSelection(std::int32_t code, const Fragment* fragment) {
  if (IsMacroRecording()) RecordWithSelectionPrefix(fragment, Format("AddLayerMaskWithSelection(%d);", code));
}
void RecordTransformLayer(std::int32_t layerIndex, const Fragment* fragment, std::int32_t k, std::int32_t x1,
                          std::int32_t y1, std::int32_t m, std::int32_t x2, std::int32_t y2, std::int32_t n,
                          const POINT c[4], std::int32_t q, double degrees) {
  if (!IsMacroRecording() || !HasActiveImage()) return;
  LineList lines{"FreeAllFrags();"};
  RecordFragment(lines, fragment);
  lines.push_back(SetActiveLayerLine(layerIndex));
  lines.push_back(Format("TransformLayer(%d,%d,%d,%d,{%d,%d},{%d,%d},{%d,%d},{%d,%d},{%d,%d},{%d,%d},%d);", k, m, n, q,
                         x1, y1, x2, y2, Int(c[0].x), Int(c[0].y), Int(c[1].x), Int(c[1].y), Int(c[2].x), Int(c[2].y), Int(c[3].x), Int(c[3].y),
                         RecordedAngle(degrees)));
  RecordLines(lines);
}
void RecordCopyToNewLayer(const Fragment* fragment, std::int32_t cut) {
  if (IsMacroRecording()) RecordWithSelectionPrefix(fragment, Format("CopyToNewLayer(%d);", cut));
}
void RecordAlignLayer(std::int32_t code) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("AlignLayer(%d);", code));
}
void RecordDistributeLayer(std::int32_t code) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("DistributeLayer(%d);", code));
}
void RecordShowLayer(std::int32_t layerIndex) {
  if (IsMacroRecording()) RecordLines({SetActiveLayerLine(layerIndex), "ShowLayer();"});
}
void RecordHideLayer(std::int32_t layerIndex) {
  if (IsMacroRecording()) RecordLines({SetActiveLayerLine(layerIndex), "HideLayer();"});
}
void RecordEditLayerMask(std::int32_t layerIndex, std::int32_t state) {
  if (IsMacroRecording()) RecordLines({SetActiveLayerLine(layerIndex), Format("EditLayerMask(%d);", state)});
}
void RecordAddLayerLink(std::int32_t layerIndex, std::int32_t linkedLayerIndex) {
  if (IsMacroRecording())
    RecordLines({SetActiveLayerLine(layerIndex), Format("AddLayerLink(%d);", linkedLayerIndex)});
}
void RecordDeleteLayerLink(std::int32_t linkedLayerIndex) {
  if (IsMacroRecording()) RecordPlain(Format("DeleteLayerLink(%d);", linkedLayerIndex));
}
void RecordChangeLayerMergeMode(std::string_view mergeMode) {
  if (IsMacroRecording()) RecordWithLayerPrefix("ChangeLayerMergeMode(" + QuoteLangString(mergeMode) + ");");
}
void RecordLockLayerPixels(std::int32_t value) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("LockLayerPixels(%d);", value));
}
void RecordLockLayerPosition(std::int32_t value) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("LockLayerPosition(%d);", value));
}
void RecordSetLayerOpacity(std::int32_t value) {
  if (IsMacroRecording()) RecordWithLayerPrefix(Format("SetLayerOpacity(%d);", value));
}
void RecordClearSelection(const Fragment* fragment, std::int32_t edgeDegree, std::int32_t edgeType) {
  if (IsMacroRecording())
    RecordWithSelectionPrefix(fragment, Format("ClearSelection(%d,%d);", SmoothDegreeOf(edgeDegree), edgeType));
}
void RecordDuplicateImage(std::string_view name, std::int32_t merged) {
  if (IsMacroRecording()) RecordPlain(Format("DuplicateImage(%s,%d);", QuoteLangString(name).c_str(), merged));
}
void RecordDuplicateLayer(std::string_view destinationTitle, std::string_view newName, std::int32_t value) {
  if (!IsMacroRecording() || destinationTitle.empty()) return;
  RecordWithLayerPrefix(Format("DuplicateLayer(%s,%s,%d);", QuoteLangString(destinationTitle).c_str(),
                               QuoteLangString(lumora::Utf8ToAnsi(std::string(newName))).c_str(), value));
}
void RecordCreateNewImage(std::string_view name, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                          COLORREF background) {
  if (!IsMacroRecording()) return;
  RecordPlain(Format("CreateNewImage(%s,%d,%d,%d,%d,{%d,%d,%d});", QuoteLangString(name).c_str(), a, b, c, d,
                     GetRValue(background), GetGValue(background), GetBValue(background)));
}

}  // namespace lang
