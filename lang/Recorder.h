// The macro recorder: one entry per recordable action, each writing the
// statements that replay it. Statements reach the macro window only through
// the gate (RecordLines); while nothing records, an entry returns before
// building any text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "lang/Script.h"
#include "platform/win32types.h"

class Fragment;

namespace lang {

class LangCommandSet;
struct LangValue;

// Where recorded lines go (the macro window): recording is on while the
// window is open and visible, runs no script and its switch is on.
class MacroLineSink {
 public:
  virtual ~MacroLineSink() = default;
  virtual bool IsRecording() const = 0;
  virtual void AppendLines(const LineList& lines) = 0;
  // A part of an action that could not be recorded, and why.
  virtual void ReportRecordingFailure(const std::string& why) = 0;
};

// The active image as the recorder needs it.
class RecordImageContext {
 public:
  virtual ~RecordImageContext() = default;
  // An active image window whose document is known.
  virtual bool HasActiveDocument() const = 0;
  // The document's active layer, 0 = bottom; -1 without one.
  virtual std::int32_t ActiveLayerIndex() const = 0;
};

// Installs the sink and the image context (either may be null: nothing is
// recorded then), and the program folder that holds "Macroses".
void SetMacroRecorder(MacroLineSink* sink, RecordImageContext* context);
void SetMacroProgramFolder(const std::filesystem::path& folder);
// Puts `sink` in the recorder's place, the image context kept; returns the
// sink it replaced.
MacroLineSink* ReplaceMacroLineSink(MacroLineSink* sink);

bool IsMacroRecording();
void RecordLines(const LineList& lines);
void RecordStatement(std::string statement);

// "Macroses\TEMP" in the program folder, both created when missing; empty
// when they cannot be made.
std::filesystem::path GetMacroTempFolder();
// A fresh, empty file "LANG<hex>.tmp" in the temporary folder; empty on failure.
std::filesystem::path MakeMacroTempFileName();

// Selection statements of a fragment, appended to `lines`. A mask that
// cannot be stored becomes a comment line saying why, and false is returned.
bool RecordFragment(LineList& lines, const Fragment* fragment);
void RecordSetActiveLayer(LineList& lines, std::int32_t layerIndex);

// What a finished tool run offers the recorder (the tool host).
class RecordToolSource {
 public:
  virtual ~RecordToolSource() = default;
  // The tool's text item 0 ("#Insert_Tool" runs are not recorded).
  virtual std::string ToolText() = 0;
  // False when the tool worked on an image buffer that no window shows.
  virtual bool WorkedOnShownImage() = 0;
  // Parameters -13 and -14, read with the host's error reporting frozen.
  virtual void ReadEdge(std::int32_t& degree, std::int32_t& type) = 0;
  // The registered id name of the tool.
  virtual std::string ToolIdName() = 0;
  // Parameter `index` read as conversion 'd', 's', 'c', 'p' or 'r' into
  // number, text, color or numbers; false when it cannot be read.
  virtual bool GetParameter(int index, char conversion, LangValue& out) = 0;
};

// Appends the statements of one finished tool run; the tool statement is
// found through `commands` (the installed set when null).
void RecordToolRun(RecordToolSource& tool, std::int32_t layerIndex, const Fragment* fragment, LineList& lines,
                   LangCommandSet* commands = nullptr);

// Recording entries.
void RecordResize(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
void RecordCanvasSize(const RECT& rect);
void RecordCrop(const RECT& rect);
void RecordRotate(double degrees);
void RecordFlipImage(std::int32_t horizontal, std::int32_t vertical);
void RecordEdges(std::int32_t a, std::int32_t b);
// Layer names are UTF-8 (engine/layers/Layer.h); statements hold them in
// the scripts' 8-bit text.
void RecordCreateNewLayer(std::string_view name, std::string_view mergeMode, std::int32_t opacity,
                          std::int32_t grouped, std::int32_t creation);
void RecordSetLayerOptions(std::string_view name, std::string_view mergeMode, std::int32_t opacity,
                           const std::uint32_t blendIf[8]);
void RecordLayerStatement(std::string_view statement);
void RecordDeleteLayer();
void RecordGroupLayer();
void RecordUngroupLayer();
void RecordBringLayerToFront();
void RecordBringLayerForward();
void RecordSendLayerToBack();
void RecordSendLayerBackward();
void RecordMergeLayer();
void RecordMergeVisibleLayers();
void RecordFlattenImage();
void RecordFlip(const Fragment* fragment, std::int32_t horizontal, std::int32_t vertical);
void RecordRotateLayer(const Fragment* fragment, double degrees);
void RecordLayerWEB(std::string_view link);
void RecordRemoveLayerMask(std::int32_t apply);
void RecordEnableLayerMask(std::int32_t enable);
void RecordAddLayerMask(std::int32_t code);
void RecordAddLayerMaskWithSelection(std::int32_t code, const Fragment* fragment);
void RecordTransformLayer(std::int32_t layerIndex, const Fragment* fragment, std::int32_t k, std::int32_t x1,
                          std::int32_t y1, std::int32_t m, std::int32_t x2, std::int32_t y2, std::int32_t n,
                          const POINT corners[4], std::int32_t q, double degrees);
void RecordCopyToNewLayer(const Fragment* fragment, std::int32_t cut);
void RecordAlignLayer(std::int32_t code);
void RecordDistributeLayer(std::int32_t code);
void RecordShowLayer(std::int32_t layerIndex);
void RecordHideLayer(std::int32_t layerIndex);
void RecordEditLayerMask(std::int32_t layerIndex, std::int32_t state);
// Both take layer indices, as the link commands replay them.
void RecordAddLayerLink(std::int32_t layerIndex, std::int32_t linkedLayerIndex);
void RecordDeleteLayerLink(std::int32_t linkedLayerIndex);
void RecordChangeLayerMergeMode(std::string_view mergeMode);
void RecordLockLayerPixels(std::int32_t value);
void RecordLockLayerPosition(std::int32_t value);
void RecordSetLayerOpacity(std::int32_t value);
void RecordClearSelection(const Fragment* fragment, std::int32_t edgeDegree, std::int32_t edgeType);
void RecordDuplicateImage(std::string_view name, std::int32_t merged);
// `destinationTitle` is the title of the target document (what replay
// finds it by); empty when there is none, which records nothing.
void RecordDuplicateLayer(std::string_view destinationTitle, std::string_view newName, std::int32_t value);
void RecordCreateNewImage(std::string_view name, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                          COLORREF background);

}  // namespace lang
