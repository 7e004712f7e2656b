// The painting tools as the program knows them: the command that selects
// each, the brush class it makes, the page of the paint attributes window
// that belongs to the class, and the view's one-letter keys.
#pragma once

#include <array>
#include <cstdint>

namespace paint {

// The pages of the paint attributes window, in tab order.
enum ToolPage : int {
  kPageEraser = 0,
  kPagePaintBrush,
  kPageClone,
  kPageWater,
  kPageAir,
  kPageLine,
  kPageCurve,
  kPageRect,
  kPageEllipse,
  kPagePolygon,
  kToolPageCount,
  kNoPage = -1,
};

// The brush classes a page can stand for.
enum class BrushClass : int { kEraser, kWater, kAir, kClone, kLine, kCurve, kEllipse, kPolygon, kRect, kPaint, kOther };

constexpr std::uint32_t kCmdToolAir = 32835;
constexpr std::uint32_t kCmdToolPaint = 32889;
constexpr std::uint32_t kCmdToolLine = 32891;
constexpr std::uint32_t kCmdToolCurve = 32892;
constexpr std::uint32_t kCmdToolRect = 32894;
constexpr std::uint32_t kCmdToolEllipse = 32895;
constexpr std::uint32_t kCmdToolEraser = 32896;
constexpr std::uint32_t kCmdToolPolygon = 32898;
constexpr std::uint32_t kCmdToolClone = 32902;
constexpr std::uint32_t kCmdToolWater = 32903;
constexpr std::uint32_t kCmdDropper = 32945;

struct ToolInfo {
  std::uint32_t command;
  BrushClass brushClass;
  const char* name;        // the brush's tool name
  int width;               // the width it starts with
  std::uint32_t captionId; // the prompt text while the tool is current
  std::uint32_t undoNameId;
  int cursorId;            // the tool cursor resource
};

// The cursor over an image whose active layer refuses painting.
constexpr int kNoPaintCursor = 279;

// The tool a command selects; null for any other command.
const ToolInfo* FindToolByCommand(std::uint32_t command);
// The tool command of tab `page` (0 outside the tabs).
std::uint32_t PageCommand(int page);
// The page shown for a brush of a class (a subclass tested before its
// base); kNoPage for a class of no page.
int PageForBrushClass(BrushClass brushClass);
// Whether the page already edits the brush: each page its own class, the
// paint brush page only the paint brush proper (command 32889).
bool PageMatchesBrush(int page, BrushClass brushClass, std::uint32_t commandId);
// The tool command of an unmodified letter typed over an image view (upper
// or lower case); 0 for a letter of no tool.
std::uint32_t ToolCommandForKey(char letter);

}  // namespace paint
