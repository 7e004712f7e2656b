#include "lang/ToolRunner.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "lang/Lexer.h"

namespace lang {
namespace {

using VrWA2000::WA;

// Own parameters are set by the tool host as integers; -1 / -4 take the
// buffer itself, -6 / -15 the fragment, -26 / -21 an address as given.
constexpr int kSlotOutput = -1;
constexpr int kSlotZeros = -2;
constexpr int kSlotSource = -4;
constexpr int kSlotLimit = -6;
constexpr int kSlotRunKind = -7;
constexpr int kSlotZero9 = -9;
constexpr int kSlotEdgeDegree = -13;
constexpr int kSlotEdgeType = -14;
constexpr int kSlotResultMask = -15;
constexpr int kSlotImageObject = -21;
constexpr int kSlotFragmentHandle = -26;
constexpr int kSlotAuxiliary = -23;
constexpr int kSlotCoverage = -25;
constexpr int kSlotAuxiliaryFlag = -28;
constexpr int kSlotInsertExtra = 51;
constexpr int kSlotResultRect = 57;
constexpr int kGreyType = 8;
constexpr const char* kInsertToolName = "#Insert_Tool";
constexpr int kSlotLayerFlags = 59;

int SetInt(ToolRunHost& host, ToolHandle tool, int slot, std::int32_t value) {
  return host.SetParameter(tool, slot, &value);
}

// Errors of clean-up steps are not reported.
class FrozenErrors {
 public:
  explicit FrozenErrors(ToolRunHost& host) : host_(host) { host_.FreezeError(); }
  ~FrozenErrors() { host_.UnfreezeError(); }
  FrozenErrors(const FrozenErrors&) = delete;
  FrozenErrors& operator=(const FrozenErrors&) = delete;

 private:
  ToolRunHost& host_;
};

RECT Shifted(RECT r, POINT by) { return {r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y}; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT Union(const RECT& a, const RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// A shared copy of the fragment the tool limits itself to, moved into the
// window's image coordinates for the run; put back where it was and
// released on every way out.
class MovedLimit {
 public:
  explicit MovedLimit(Fragment* shared) : fragment_(shared) {
    LURECT bounds{};
    if (fragment_ != nullptr && GetFragmentBoundRect(fragment_, &bounds)) {
      home_ = {bounds.x, bounds.y};
      movable_ = true;
    }
  }
  ~MovedLimit() {
    if (fragment_ == nullptr) return;
    if (movable_) SetFragmentOriginPoint(fragment_, &home_);
    DeleteFragment(fragment_);
  }
  MovedLimit(const MovedLimit&) = delete;
  MovedLimit& operator=(const MovedLimit&) = delete;

  // Places the fragment at its own top-left plus `origin`.
  void MoveBy(POINT origin) {
    if (!movable_) return;
    const POINT to{home_.x + origin.x, home_.y + origin.y};
    SetFragmentOriginPoint(fragment_, &to);
  }

 private:
  Fragment* fragment_;
  POINT home_{0, 0};
  bool movable_ = false;
};

// Reads -6 by reference: a shared copy of the fragment (or null), the
// reference itself dropped.
Fragment* ShareLimitRead(ToolRunHost& host, ToolHandle tool) {
  void* read = nullptr;
  if (host.GetParameterByRef(tool, kSlotLimit, &read) != 0 || read == nullptr) return nullptr;
  Fragment* reference = static_cast<Fragment*>(read);
  Fragment* shared = ShareFragment(reference);
  DeleteFragment(reference);
  return shared;
}

struct RunInput {
  ToolRunHost& host;
  ToolHandle tool;
  ToolRunWindow* window;
  WA* buffer;
  std::string_view arguments;
  std::string_view format;
  Fragment** fragmentHandle;
  std::uint32_t caps;  // for the buffer's image kind
  const std::string& toolId;
};

// The slots every mode-0 run and the insertion step set first.
struct PreparedSlots {
  bool selectionAware;
  const void* source;  // -4
  Fragment* limit;  // -6
  int edgeDegree;
  int edgeType;
  const void* handle;  // -26
};

int PrepareSlots(ToolRunHost& host, ToolHandle tool, ToolRunWindow* window, const PreparedSlots& slots) {
  if (int code = SetInt(host, tool, kSlotRunKind, slots.selectionAware ? 2 : 1)) return code;
  if (int code = host.SetParameter(tool, kSlotSource, slots.source)) return code;
  if (int code = host.SetParameter(tool, kSlotLimit, slots.limit)) return code;
  if (int code = SetInt(host, tool, kSlotZero9, 0)) return code;
  if (int code = SetInt(host, tool, kSlotEdgeDegree, slots.edgeDegree)) return code;
  if (int code = SetInt(host, tool, kSlotEdgeType, slots.edgeType)) return code;
  if (int code = host.SetParameter(tool, kSlotFragmentHandle, slots.handle)) return code;
  if (window == nullptr) return 0;
  void* object = window->GetImageObject();
  if (object == nullptr) return kToolRunNoImageObject;
  const int code = host.SetParameter(tool, kSlotImageObject, object);
  window->ReleaseImageObject(object);
  return code;
}

int PrepareToolRun(const RunInput& in, Fragment* limit) {
  const bool handsHandle = (in.caps & (kCapsSelectionAware | kCapsResizesLayer)) != 0 &&
                           !(in.window != nullptr && (in.window->GetLayerFlags() & kLayerFlagWholeLayer) != 0);
  // The runner smooths the selection's edge itself: edge degree and type 0.
  return PrepareSlots(in.host, in.tool, in.window,
                      {(in.caps & kCapsSelectionAware) != 0, in.buffer, limit, 0, 0,
                       handsHandle ? in.fragmentHandle : nullptr});
}

// Runs the tool; on success repaints what it changed.
int ExecuteToolOnWindow(ToolRunHost& host, ToolHandle tool, ToolRunWindow* window, bool makeBackup) {
  const int code = host.ToolExecute(tool, makeBackup ? 1 : 0);
  if (code != 0 || window == nullptr) return code;
  FrozenErrors frozen(host);
  RECT changed{};
  if (host.GetOutRect(tool, &changed) == 0) {
    const POINT origin = window->GetImageOrigin();
    window->InvalidateImageRect(Shifted(changed, {-origin.x, -origin.y}));
  }
  return 0;
}

int RunDirectImageTool(const RunInput& in) {
  ToolRunHost& host = in.host;
  if (int code = host.SetParameter(in.tool, kSlotSource, in.buffer)) return code;
  if (int code = SetInt(host, in.tool, kSlotZero9, 0)) return code;
  if (int code = host.SetParameter(in.tool, kSlotOutput, nullptr)) return code;
  if (int code = SetToolParameters(host, in.arguments, in.format, in.tool)) return code;
  if (int code = host.ToolExecute(in.tool, 0)) {
    FrozenErrors frozen(host);
    host.SetParameter(in.tool, kSlotOutput, nullptr);
    return code;
  }
  WA* result = nullptr;
  if (int code = host.GetParameter(in.tool, kSlotOutput, &result)) return code;
  if (result == nullptr) return 0;
  FrozenErrors frozen(host);
  if (in.window != nullptr) {
    WA* old = in.window->GetImage(0);
    // The undo step keeps the image the window showed.
    in.window->SetImage(in.window->IsBackupCreatingAllowed() ? old : nullptr, 1);
    in.window->SetImage(result, 0);
    in.window->SetDirtyFlag(true);
  }
  result->Release();
  host.SetParameter(in.tool, kSlotOutput, nullptr);
  return 0;
}

// Enlarges the active layer to `rect` (image coordinates) under a backup
// named after the tool; the backup is undone when a step fails.
int GrowLayer(const RunInput& in, const RECT& rect) {
  ToolRunWindow& window = *in.window;
  if (int code = window.UpdateBackup(GetToolUndoName(in.host, in.toolId))) return code;
  int code = window.ResizeLayerTo(rect);
  if (code == 0) code = in.host.SetParameter(in.tool, kSlotSource, window.GetImage(0));
  if (code == 0) code = in.host.SetParameter(in.tool, kSlotFragmentHandle, window.GetImage(3));
  if (code != 0) window.Undo();
  return code;
}

int RunStandardTool(const RunInput& in, Fragment* limit) {
  ToolRunHost& host = in.host;
  if (int code = PrepareToolRun(in, limit)) return code;
  if (int code = host.SetParameter(in.tool, kSlotResultMask, nullptr)) return code;
  if (int code = SetToolParameters(host, in.arguments, in.format, in.tool)) return code;
  MovedLimit moved(ShareLimitRead(host, in.tool));
  if (in.window != nullptr) moved.MoveBy(in.window->GetImageOrigin());

  bool backupMade = false;
  if (in.window != nullptr) {
    if ((in.caps & kCapsResizesLayer) == 0) {
      if (host.GetParamDimension(in.tool, kSlotLayerFlags) != 0) {
        if (int code = SetInt(host, in.tool, kSlotLayerFlags, 1)) return code;
        if (int code = host.SetParameter(in.tool, kSlotFragmentHandle, in.fragmentHandle)) return code;
      }
    } else {
      std::uint32_t flags = in.window->GetLayerFlags();
      if (in.fragmentHandle == nullptr) flags |= 1;
      if (host.GetParamDimension(in.tool, kSlotLayerFlags) != 0)
        if (int code = SetInt(host, in.tool, kSlotLayerFlags, static_cast<std::int32_t>(flags))) return code;
      if (host.GetParamDimension(in.tool, kSlotResultRect) == 0) return kToolRunNoResultRect;
      RECT wanted{};
      if (int code = host.GetParameter(in.tool, kSlotResultRect, &wanted)) return code;
      const POINT origin = in.window->GetImageOrigin();
      wanted = Shifted(wanted, {-origin.x, -origin.y});
      const RECT layer = in.window->GetLayerRect();
      if ((flags & 1) == 0 && !SameRect(Union(wanted, layer), layer)) {
        if (int code = GrowLayer(in, Union(wanted, layer))) return code;
        backupMade = true;
        moved.MoveBy(in.window->GetImageOrigin());
      }
    }
  }
  const int code = ExecuteToolOnWindow(host, in.tool, in.window, !backupMade);
  if (code != 0 && backupMade) in.window->Undo();
  return code;
}

// A buffer reference read back from the host, released on every way out.
struct HeldBuffer {
  WA* buffer = nullptr;
  HeldBuffer() = default;
  HeldBuffer(const HeldBuffer&) = delete;
  HeldBuffer& operator=(const HeldBuffer&) = delete;
  ~HeldBuffer() {
    if (buffer != nullptr) buffer->Release();
  }
};

// A fragment reference, deleted on every way out.
struct HeldFragment {
  Fragment* fragment = nullptr;
  HeldFragment() = default;
  explicit HeldFragment(Fragment* f) : fragment(f) {}
  HeldFragment(const HeldFragment&) = delete;
  HeldFragment& operator=(const HeldFragment&) = delete;
  ~HeldFragment() {
    if (fragment != nullptr) DeleteFragment(fragment);
  }
};

WA* NewBufferLike(const WA& source, int width, int height) {
  std::vector<PALETTEENTRY> palette(static_cast<std::size_t>(std::max(source.GetPaletteSize(), 0)));
  if (!palette.empty()) source.GetPaletteEntries(0, static_cast<std::uint16_t>(palette.size()), palette.data());
  return new WA(source.GetType(), width, height, palette.empty() ? nullptr : palette.data(), false);
}

int RunSelectionAwareTool(const RunInput& in, Fragment* limit) {
  ToolRunHost& host = in.host;
  if (int code = PrepareToolRun(in, limit)) return code;
  std::uint32_t flags = in.window != nullptr ? in.window->GetLayerFlags() : 0;
  if (in.fragmentHandle == nullptr) flags |= 1;
  const bool wholeLayer = (flags & 1) != 0 || (flags & kLayerFlagWholeLayer) != 0;
  if (host.GetParamDimension(in.tool, kSlotLayerFlags) != 0)
    if (int code = SetInt(host, in.tool, kSlotLayerFlags, static_cast<std::int32_t>(flags & ~1u))) return code;
  const std::int32_t zeros[2] = {0, 0};
  if (int code = host.SetParameter(in.tool, kSlotZeros, zeros)) return code;
  if (int code = SetToolParameters(host, in.arguments, in.format, in.tool)) return code;

  const POINT origin = in.window != nullptr ? in.window->GetImageOrigin() : POINT{0, 0};
  bool wholeImage = false;
  {
    void* read = nullptr;
    if (host.GetParameterByRef(in.tool, kSlotLimit, &read) == 0 && read != nullptr) {
      HeldFragment selection(static_cast<Fragment*>(read));
      wholeImage = GetFragmentType(selection.fragment) == kFrgEmpty;
      HeldFragment copy(CreateFragmentIndirect(selection.fragment));
      if (copy.fragment == nullptr) return kToolRunNoMemory;
      LURECT bounds{};
      if (GetFragmentBoundRect(copy.fragment, &bounds)) {
        const POINT to{bounds.x + origin.x, bounds.y + origin.y};
        SetFragmentOriginPoint(copy.fragment, &to);
      }
      if (int code = host.SetParameter(in.tool, kSlotLimit, copy.fragment)) return code;
    }
  }

  LURECT out{};
  {
    HeldFragment outFrg(host.GetOutFrg(in.tool));
    if (outFrg.fragment == nullptr || !GetFragmentBoundRect(outFrg.fragment, &out)) return kToolRunNoMemory;
  }
  const std::int32_t right = out.x + out.width;
  const std::int32_t bottom = out.y + out.height;
  const std::int32_t width = right + std::max(out.x, 0);
  const std::int32_t height = bottom + std::max(out.y, 0);
  if (width <= 0 || height <= 0) return kToolRunNoMemory;

  HeldBuffer output;
  HeldBuffer coverage;
  try {
    output.buffer = NewBufferLike(*in.buffer, width, height);
    if (!wholeLayer) coverage.buffer = new WA(kGreyType, width, height, static_cast<const PALETTEENTRY*>(nullptr), false);
  } catch (const std::bad_alloc&) {
    return kToolRunNoMemory;
  }
  HeldFragment emptyMask(CreateEmptyMask(&out));
  if (emptyMask.fragment == nullptr) return kToolRunNoMemory;
  if (int code = host.SetParameter(in.tool, kSlotOutput, output.buffer)) return code;
  if (int code = host.SetParameter(in.tool, kSlotResultMask, emptyMask.fragment)) return code;
  if (int code = host.SetParameter(in.tool, kSlotCoverage, coverage.buffer)) return code;
  const bool reportsAuxiliaryFlag = host.GetParamDimension(in.tool, kSlotAuxiliaryFlag) != 0;
  if (reportsAuxiliaryFlag)
    if (int code = SetInt(host, in.tool, kSlotAuxiliaryFlag, 1)) return code;

  if (int code = host.ToolExecute(in.tool, 1)) return code;

  HeldBuffer result;
  if (int code = host.GetParameter(in.tool, kSlotOutput, &result.buffer)) return code;
  HeldBuffer resultCoverage;
  if (!wholeLayer)
    if (int code = host.GetParameter(in.tool, kSlotCoverage, &resultCoverage.buffer)) return code;
  HeldFragment resultMask;
  {
    void* read = nullptr;
    if (int code = host.GetParameterByRef(in.tool, kSlotResultMask, &read)) return code;
    resultMask.fragment = static_cast<Fragment*>(read);
  }
  HeldFragment selection;
  {
    void* read = nullptr;
    if (int code = host.GetParameterByRef(in.tool, kSlotLimit, &read)) return code;
    selection.fragment = static_cast<Fragment*>(read);
  }
  if (selection.fragment != nullptr && IsFrgInverted(selection.fragment)) {
    HeldBuffer source;
    if (int code = host.GetParameter(in.tool, kSlotSource, &source.buffer)) return code;
    // An inverted selection pastes over the whole source: the result must
    // cover it.
    if (source.buffer != nullptr && result.buffer != nullptr &&
        (source.buffer->GetW() != result.buffer->GetW() ||
         source.buffer->GetH() != result.buffer->GetH()))
      return kToolRunNoMemory;
  }
  HeldBuffer auxiliary;
  if (host.GetParamDimension(in.tool, kSlotAuxiliary) != 0)
    if (int code = host.GetParameter(in.tool, kSlotAuxiliary, &auxiliary.buffer)) return code;
  if (result.buffer == nullptr) return 0;
  // The mask the tool filled limits the paste; without one the whole
  // output rectangle is pasted.
  HeldFragment pasteMask(resultMask.fragment != nullptr ? ShareFragment(resultMask.fragment) : CreateRectFrg(&out, 0));
  if (pasteMask.fragment == nullptr) return kToolRunNoMemory;

  bool backupMade = false;
  if (in.window != nullptr && !wholeLayer) {
    const RECT reach = Shifted({out.x, out.y, right, bottom}, {-origin.x, -origin.y});
    const RECT layer = in.window->GetLayerRect();
    if (!SameRect(Union(reach, layer), layer)) {
      if (int code = GrowLayer(in, Union(reach, layer))) return code;
      backupMade = true;
    }
  }
  InsertRequest request;
  request.source = result.buffer;
  request.secondary = auxiliary.buffer != nullptr ? auxiliary.buffer : resultCoverage.buffer;
  request.mask = pasteMask.fragment;
  request.insertX = out.x;
  request.insertY = out.y;
  request.extra = wholeImage ? 1 : 0;
  request.auxFlag = reportsAuxiliaryFlag ? 1 : 0;
  request.layerFlags = flags & ~1u;
  const int code = InsertFragmentResult(host, in.window, request);
  if (code != 0 && backupMade) in.window->Undo();
  return code;
}

}  // namespace

namespace {

// Whether a vocabulary item may set a tool parameter of format `own` (0:
// the host does not say).
bool FormatsAgree(char item, char own) {
  if (own == '\0' || item == own) return true;
  const auto scalar = [](char c) { return c == 'd' || c == 'c'; };
  return scalar(item) && scalar(own);
}

}  // namespace

int SetToolParameters(ToolRunHost& host, std::string_view arguments, std::string_view format, ToolHandle tool) {
  Lex::StringIStream stream(arguments);
  LangLexer lexer(stream);
  std::size_t at = 0;
  auto nextNonBlank = [&]() -> char {
    while (at < format.size() && (format[at] == ' ' || format[at] == '\t')) ++at;
    return at < format.size() ? format[at++] : '\0';
  };
  for (int slot = 0;; ++slot) {
    const char percent = nextNonBlank();
    if (percent == '\0') return 0;
    if (percent != '%') return kToolRunBadArguments;
    const char letter = nextNonBlank();
    if (!FormatsAgree(letter, host.GetParamFormat(tool, slot))) return kToolRunBadArguments;
    int code = 0;
    try {
      switch (letter) {
        case 'c': {
          const std::uint32_t colour = ReadColorArg(lexer);
          code = host.SetParameter(tool, slot, &colour);
          break;
        }
        case 'd': {
          const std::int32_t value = ReadIntArg(lexer);
          code = host.SetParameter(tool, slot, &value);
          break;
        }
        case 'p': {
          std::int32_t point[2];
          ReadPointArg(lexer, point);
          code = host.SetParameter(tool, slot, point);
          break;
        }
        case 'r': {
          std::int32_t rect[4];
          ReadRectArg(lexer, rect);
          code = host.SetParameter(tool, slot, rect);
          break;
        }
        case 's': {
          const std::string text = ReadStringArg(lexer);
          code = host.SetParameter(tool, slot, text.c_str());
          break;
        }
        default:
          return kToolRunBadArguments;
      }
      SkipOptionalComma(lexer);
    } catch (const LexExcept&) {
      return kToolRunBadArguments;
    }
    if (code != 0) return code;
    const std::size_t before = at;
    if (nextNonBlank() != ',') at = before;
  }
}

int InsertFragmentResult(ToolRunHost& host, ToolRunWindow* window, const InsertRequest& request) {
  if (host.GetRegToolIDNumber(kInsertToolName) == 0) {
    host.SetErrorString("Insert fragment");
    return kToolRunNoInsertTool;
  }
  ToolHandle tool = host.CreateTool(kInsertToolName);
  if (tool == nullptr) return kToolRunNoImageObject;
  auto finish = [&](int code) {
    FrozenErrors frozen(host);
    host.DeleteTool(tool);
    return code;
  };
  WA* source = window != nullptr ? window->GetImage(0) : request.source;
  WA* secondary = request.secondary;
  if (window != nullptr && secondary != nullptr) secondary = window->GetImage(3);
  if (int code = PrepareSlots(host, tool, window,
                              {true, source, request.mask, request.edgeDegree, request.edgeType, secondary}))
    return finish(code);
  if (host.GetParamDimension(tool, kSlotLayerFlags) != 0)
    if (int code = SetInt(host, tool, kSlotLayerFlags, static_cast<std::int32_t>(request.layerFlags)))
      return finish(code);
  if (int code = SetInt(host, tool, kSlotEdgeDegree, 0)) return finish(code);
  if (int code = SetInt(host, tool, kSlotEdgeType, 0)) return finish(code);
  if (int code = SetInt(host, tool, 0, request.insertX)) return finish(code);
  if (int code = SetInt(host, tool, 1, request.insertY)) return finish(code);
  if (int code = SetInt(host, tool, kSlotAuxiliaryFlag, request.auxFlag)) return finish(code);
  if (request.extra != 0)
    if (int code = SetInt(host, tool, kSlotInsertExtra, request.extra)) return finish(code);
  MovedLimit moved(ShareLimitRead(host, tool));
  if (window != nullptr) moved.MoveBy(window->GetImageOrigin());
  return finish(ExecuteToolOnWindow(host, tool, window, true));
}

int GetToolExecMode(ToolRunHost& host, ToolHandle tool, int imageKind) {
  const int general = static_cast<int>(host.GetCapsFlags(tool, 0) & kCapsModeMask);
  if (general >= 3 && general <= 5) return general;
  return static_cast<int>(host.GetCapsFlags(tool, imageKind) & kCapsModeMask);
}

std::string GetToolUndoName(ToolRunHost& host, const std::string& toolId) {
  std::string name = host.GetRegToolMenuName(host.GetRegToolIDNumber(toolId));
  std::erase(name, '&');
  return name;
}

Fragment* CopySelectionFragment(Fragment* selection) {
  if (selection == nullptr) return nullptr;
  if (GetFragmentType(selection) == kFrgComplex && GetComplexFrgItemNum(selection) == 1) {
    FRGITEM item{};
    // The library hands out a copy of the item: it is the caller's. The
    // combination's inversion turns the item's own over (the whole image is
    // an inverted empty item), never replaces it.
    if (GetComplexFrgItem(selection, 0, &item) && item.fragment != nullptr) {
      SetFrgInversion(item.fragment, (IsFrgInverted(item.fragment) != 0) != (IsFrgInverted(selection) != 0) ? 1 : 0);
      return item.fragment;
    }
  }
  return ShareFragment(selection);
}

int RunToolOnImage(ToolRunContext& context, const std::string& toolId, WA* buffer, std::string_view arguments,
                   std::string_view format, Fragment** currentFragment, int smoothDegree, int smoothType,
                   int* resultCode) {
  ToolRunHost& host = context.host;
  ToolRunWindow* window = context.findWindow ? context.findWindow(buffer) : nullptr;
  ToolHandle tool = host.CreateTool(toolId);
  if (tool == nullptr) {
    if (resultCode != nullptr) *resultCode = kToolRunNoImageObject;
    return 0;
  }
  const int kind = host.ImageKindOf(buffer);
  const RunInput in{host, tool, window, buffer, arguments, format, currentFragment, host.GetCapsFlags(tool, kind),
                    toolId};
  int code = 0;
  switch (GetToolExecMode(host, tool, kind)) {
    case 1:
      code = RunDirectImageTool(in);
      break;
    case 0: {
      Fragment* limit = CopySelectionFragment(currentFragment != nullptr ? *currentFragment : nullptr);
      if (limit != nullptr && smoothDegree != 0) {
        SetSmoothEdge(limit, SmoothDegreeOf(smoothDegree), smoothType, nullptr);
        Fragment* mask = GetSmoothMask(limit);
        DeleteFragment(limit);
        limit = mask;
      }
      code = (in.caps & kCapsSelectionAware) != 0 ? RunSelectionAwareTool(in, limit) : RunStandardTool(in, limit);
      if (limit != nullptr) DeleteFragment(limit);
      break;
    }
    default:
      code = kToolRunNotFromScript;
      break;
  }
  {
    FrozenErrors frozen(host);
    host.DeleteTool(tool);
  }
  if (resultCode != nullptr) *resultCode = code;
  return code == 0 ? 1 : 0;
}

}  // namespace lang
