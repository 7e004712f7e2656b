// The painting tools' table.
#include "paint/ToolTable.h"

namespace paint {
namespace {

constexpr std::uint32_t kUndoPaintName = 168;

// Cursors: the paint brush's 258, which the line, curve and shape tools
// keep; the air brush, eraser, clone and water brush their own.
constexpr std::array<ToolInfo, 10> kTools{{
    {kCmdToolAir, BrushClass::kAir, "AEROBRUSH", 12, 10145, kUndoPaintName, 325},
    {kCmdToolPaint, BrushClass::kPaint, "PAINTBRUSH", 10, 10082, kUndoPaintName, 258},
    {kCmdToolClone, BrushClass::kClone, "CLONEBRUSH", 10, 10135, kUndoPaintName, 344},
    {kCmdToolCurve, BrushClass::kCurve, "CURVEBRUSH", 10, 10142, 169, 258},
    {kCmdToolEllipse, BrushClass::kEllipse, "ELLIPSEBRUSH", 10, 10139, 171, 258},
    {kCmdToolEraser, BrushClass::kEraser, "ERASEBRUSH", 12, 10153, kUndoPaintName, 327},
    {kCmdToolLine, BrushClass::kLine, "LINEBRUSH", 10, 10141, 69, 258},
    {kCmdToolPolygon, BrushClass::kPolygon, "POLYBRUSH", 10, 10140, 172, 258},
    {kCmdToolRect, BrushClass::kRect, "RECTBRUSH", 10, 10137, 173, 258},
    {kCmdToolWater, BrushClass::kWater, "WATERBRUSH", 20, 10143, kUndoPaintName, 403},
}};

constexpr std::array<std::uint32_t, kToolPageCount> kPageCommands{kCmdToolEraser, kCmdToolPaint, kCmdToolClone,
                                                             kCmdToolWater,  kCmdToolAir,   kCmdToolLine,
                                                             kCmdToolCurve,  kCmdToolRect,  kCmdToolEllipse,
                                                             kCmdToolPolygon};

}  // namespace

const ToolInfo* FindToolByCommand(std::uint32_t command) {
  for (const ToolInfo& tool : kTools) {
    if (tool.command == command) return &tool;
  }
  return nullptr;
}

std::uint32_t PageCommand(int page) { return page >= 0 && page < kToolPageCount ? kPageCommands[page] : 0; }

int PageForBrushClass(BrushClass brushClass) {
  switch (brushClass) {
    case BrushClass::kEraser: return kPageEraser;
    case BrushClass::kWater: return kPageWater;
    case BrushClass::kAir: return kPageAir;
    case BrushClass::kClone: return kPageClone;
    case BrushClass::kLine: return kPageLine;
    case BrushClass::kCurve: return kPageCurve;
    case BrushClass::kEllipse: return kPageEllipse;
    case BrushClass::kPolygon: return kPagePolygon;
    case BrushClass::kRect: return kPageRect;
    case BrushClass::kPaint: return kPagePaintBrush;
    case BrushClass::kOther: break;
  }
  return kNoPage;
}

bool PageMatchesBrush(int page, BrushClass brushClass, std::uint32_t commandId) {
  if (page == kNoPage || brushClass == BrushClass::kOther) return false;
  if (page == kPagePaintBrush) return brushClass == BrushClass::kPaint && commandId == kCmdToolPaint;
  return PageForBrushClass(brushClass) == page;
}

std::uint32_t ToolCommandForKey(char letter) {
  switch (letter) {
    case 'B': case 'b': return kCmdToolPaint;
    case 'E': case 'e': return kCmdToolEraser;
    case 'A': case 'a': return kCmdToolAir;
    case 'I': case 'i': return kCmdDropper;
    case 'L': case 'l': return kCmdToolLine;
    case 'C': case 'c': return kCmdToolCurve;
    case 'R': case 'r': return kCmdToolRect;
    case 'O': case 'o': return kCmdToolEllipse;
    case 'P': case 'p': return kCmdToolPolygon;
    case 'S': case 's': return kCmdToolClone;
    case 'W': case 'w': return kCmdToolWater;
    default: return 0;
  }
}

}  // namespace paint
