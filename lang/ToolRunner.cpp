#include "lang/ToolRunner.h"

#include <algorithm>
#include <string>

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
constexpr int kSlotResultRect = 57;
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

int PrepareToolRun(const RunInput& in, Fragment* limit) {
  ToolRunHost& host = in.host;
  if (int code = SetInt(host, in.tool, kSlotRunKind, (in.caps & kCapsSelectionAware) != 0 ? 2 : 1)) return code;
  if (int code = host.SetParameter(in.tool, kSlotSource, in.buffer)) return code;
  if (int code = host.SetParameter(in.tool, kSlotLimit, limit)) return code;
  if (int code = SetInt(host, in.tool, kSlotZero9, 0)) return code;
  // The runner smooths the selection's edge itself.
  if (int code = SetInt(host, in.tool, kSlotEdgeDegree, 0)) return code;
  if (int code = SetInt(host, in.tool, kSlotEdgeType, 0)) return code;
  const bool handsHandle = (in.caps & (kCapsSelectionAware | kCapsResizesLayer)) != 0 &&
                           !(in.window != nullptr && (in.window->GetLayerFlags() & kLayerFlagWholeLayer) != 0);
  if (int code = host.SetParameter(in.tool, kSlotFragmentHandle, handsHandle ? in.fragmentHandle : nullptr))
    return code;
  if (in.window == nullptr) return 0;
  void* object = in.window->GetImageObject();
  if (object == nullptr) return kToolRunNoImageObject;
  const int code = host.SetParameter(in.tool, kSlotImageObject, object);
  in.window->ReleaseImageObject(object);
  return code;
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
    if (GetComplexFrgItem(selection, 0, &item) && item.fragment != nullptr) {
      Fragment* copy = CreateFragmentIndirect(item.fragment);
      if (copy != nullptr) SetFrgInversion(copy, IsFrgInverted(selection));
      return copy;
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
        SetSmoothEdge(limit, smoothDegree * 10, smoothType, nullptr);
        Fragment* mask = GetSmoothMask(limit);
        DeleteFragment(limit);
        limit = mask;
      }
      // Selection-aware tools need the insertion step, which is not built
      // yet: they are refused as tools that can't run from a script.
      code = (in.caps & kCapsSelectionAware) != 0 ? kToolRunNotFromScript : RunStandardTool(in, limit);
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
