// The table of compiled-in tools: what each one is called, where its menu
// item goes, what it takes and how it runs.
#pragma once

#include <cstdint>
#include <span>

#include "hostapi/toolhost.h"
#include "libs/toolhost/Filters.h"

namespace lumora::toolhost {

// One parameter: its format letter ('d' integer, 'c' colour, 'p' point, 'r'
// rectangle, 's' text), default and range (of each number; for a text its
// longest length in `maximum`).
struct ToolParam {
  char format;
  std::int32_t defaultValue;  // of a point, its x
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t defaultY = 0;  // of a point
};

inline constexpr int kMaxToolParams = 10;

// Runs the tool from src into dst (same size and layout); params follow the
// tool's parameter list; the tool counts its rows on the poll and stops when
// it says so. 0 on success, 1 when stopped, or an error code.
using ToolExecute = int (*)(const ConstImageView& src, const ImageView& dst, const std::int32_t* params,
                            RowPoll& poll);
struct ParamValue;
// The run of a tool whose parameters include points or rectangles: every
// parameter's value as its format holds it.
using ToolExecuteValues = int (*)(const ConstImageView& src, const ImageView& dst, const ParamValue* values,
                                  RowPoll& poll);
// A window filter with a poll, false when stopped.
using WindowFilter = bool (*)(const ConstImageView&, const ImageView&, int, int, RowPoll&);
inline constexpr int kToolStopped = 1;
// The tool's interface entry: request 2 shows its help; -1 means none.
using ToolInterface = int (*)(int request);

// Image kinds: 0 1-bit, 1 4-bit palette, 2 8-bit palette, 3 grey, 4 colour.
inline constexpr int kImageKinds = 5;

// A tool whose pane drives the mouse: called with on = true when its pane
// opens and false when the pane closes or takes another tool.
using ToolActivate = void (*)(const void* site, LUTool* tool, bool on);

// A tool that changes a document as a whole through the site (its image
// type) instead of filtering pixels: `refuse` tells, before anything
// changes, why it cannot run on the document (an error code, 0 when it
// can); `run` then changes it (false when the site failed).
struct DocumentToolRun {
  int (*refuse)(const void* site, void* doc);
  bool (*run)(const void* site, void* doc);
};

struct ToolDescriptor {
  const char* idName;
  const char* group;
  const char* menuName;
  std::uint32_t flags;       // kind in bits 0-2
  std::int32_t baseStringId;  // base + 3 prompt, + 4 tip, + 5 ... parameter labels
  std::uint32_t caps[kImageKinds];
  int paramCount;
  ToolParam params[kMaxToolParams];
  ToolExecute execute;
  ToolInterface interface;
  ToolActivate activate = nullptr;
  ToolExecuteValues executeValues = nullptr;  // used instead of execute when set
  // Set for a document tool: chosen from its menu it runs at once on the
  // active image window's document, with no pane, as one undo step under
  // its menu name; no statement or pane runs it.
  const DocumentToolRun* document = nullptr;
};

// The tools in registry order; tool number i + 1 is entry i.
std::span<const ToolDescriptor* const> CompiledInTools();

// Descriptor of a tool number or id name; null when unknown.
const ToolDescriptor* FindTool(int number);
const ToolDescriptor* FindTool(const char* idName);

// Processing tools (kind 1), running in mode 0 on grey and colour images and
// mode 2 (not from scripts) on the others.
inline constexpr std::uint32_t kProcessingTool = 1;
// Interactive tools (kind 3) act through the mouse while their pane is open;
// they run neither from a script nor by Apply. Their parameters are 0/1
// switches shown as check boxes.
inline constexpr std::uint32_t kInteractiveTool = 3;
inline bool IsInteractiveTool(const ToolDescriptor& tool) { return (tool.flags & 7u) == kInteractiveTool; }
inline bool IsDocumentTool(const ToolDescriptor& tool) { return tool.document != nullptr; }

// Runs a document tool on the active image window's document (see
// ToolDescriptor::document): 0, or the error code it reported.
int RunDocumentTool(const void* site, const ToolDescriptor& tool);
// Area types (kind 4) name the selection tools in the registry: they are
// listed as default area managers and never instantiated.
inline constexpr std::uint32_t kAreaTypeTool = 4;
inline bool IsAreaType(const ToolDescriptor& tool) { return (tool.flags & 7u) == kAreaTypeTool; }

inline constexpr std::uint32_t kCapsGreyAndColour[kImageKinds] = {2, 2, 2, 0, 0};

// Parameters of the window filters: width, height, threshold, keep %.
inline constexpr ToolParam kWindowParams[4] = {{'d', 3, 1, kMaxWindow}, {'d', 3, 1, kMaxWindow}, {'d', 0, 0, 255},
                                               {'d', 0, 0, 100}};

// Runs a window filter and limits its change by threshold and keep %.
int RunWindowFilter(WindowFilter filter, const ConstImageView& src, const ImageView& dst, const std::int32_t* params,
                    RowPoll& poll);
inline constexpr int kToolRequestHelp = 2;
// The interface of tools without help of their own.
int NoToolHelp(int request);

// RunWindowFilter over a given filter, as a tool's execute entry.
template <WindowFilter Filter>
int RunWindow(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  return RunWindowFilter(Filter, src, dst, params, poll);
}

// Unsharp masking by a fixed amount (in quarters), as a window filter.
template <int AmountQuarters>
bool SharpenBy(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) {
  return UnsharpFilter(src, dst, w, h, AmountQuarters, poll);
}

// A processing tool over the four window parameters.
constexpr ToolDescriptor WindowFilterTool(const char* idName, const char* group, const char* menuName,
                                          std::int32_t baseStringId, ToolExecute execute) {
  return ToolDescriptor{idName, group, menuName, kProcessingTool, baseStringId,
                        {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3],
                         kCapsGreyAndColour[4]},
                        4, {kWindowParams[0], kWindowParams[1], kWindowParams[2], kWindowParams[3]},
                        execute, NoToolHelp};
}

}  // namespace lumora::toolhost
