// The registered area tools, the active one and its hook on the views.
#include "libs/toolhost/AreaTools.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "libs/toolhost/SiteCalls.h"
#include "res/toolhost_ids.h"

namespace lumora::toolhost {

namespace {

enum : std::uint32_t {
  kWmPaint = 0x000F,
  kWmDestroy = 0x0002,
  kWmSetCursor = 0x0020,
  kWmCancelMode = 0x001F,
  kWmKeyDown = 0x0100,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmLButtonDblClk = 0x0203,
  kWmCaptureChanged = 0x0215,
};
constexpr std::uintptr_t kMkShift = 0x0004, kMkControl = 0x0008;
constexpr std::intptr_t kHtClient = 1;
constexpr std::uint32_t kAreaToolKind = 4;

POINT ClientPoint(std::intptr_t lParam) {
  return POINT{static_cast<std::int16_t>(lParam & 0xFFFF), static_cast<std::int16_t>((lParam >> 16) & 0xFFFF)};
}

struct AreaSession {
  const void* site = nullptr;
  int active = -1;  // index in the table
  std::uint32_t hook = 0;
  void* view = nullptr;
  std::unique_ptr<AreaTracker> tracker;
};

AreaSession& Session() {
  static AreaSession session;
  return session;
}

AreaWindows*& InstalledWindows() {
  static AreaWindows* windows = nullptr;
  return windows;
}

void ShowOutline(AreaSession& s) {
  AreaWindows* windows = CurrentAreaWindows();
  if (windows == nullptr || s.view == nullptr || !s.tracker) return;
  const AreaOutline outline = s.tracker->Outline();
  windows->ShowOutline(s.site, s.view, outline.shape != AreaOutline::kNone ? &outline : nullptr);
  if (outline.shape == AreaOutline::kRect || outline.shape == AreaOutline::kEllipse) {
    windows->ShowSize(s.site, s.view, &outline.rect);
  }
}

void EndGesture(AreaSession& s) {
  AreaWindows* windows = CurrentAreaWindows();
  if (windows == nullptr || s.view == nullptr) return;
  windows->ShowOutline(s.site, s.view, nullptr);
  windows->ShowSize(s.site, s.view, nullptr);
  windows->AutoScroll(s.view, POINT{0, 0}, false);
  windows->Capture(s.view, false);
}

void Drop(AreaSession& s) {
  EndGesture(s);
  if (s.tracker) s.tracker->Cancel();
}

// The wand's shape: the pixels like the one clicked, of the active layer
// (its transparency too) or, when the settings say so, of the visible
// layers flattened.
Fragment* WandShape(const AreaSession& s) {
  void* doc = DocOfWindow(s.site, s.view);
  const AreaSettings& settings = CurrentAreaSettings();
  WandSource source;
  if (!DocImageSize(s.site, doc, &source.imageSize)) return nullptr;
  if (settings.mergedImage != 0) {
    source.image = DocImageOfKind(s.site, doc, 4);
  } else {
    const int layer = ActiveLayerOf(s.site, doc);
    source.image = LayerImageOf(s.site, doc, layer);
    if (source.image == nullptr || !LayerOriginOf(s.site, doc, layer, &source.origin)) return nullptr;
    source.alpha = LayerMaskOf(s.site, doc, layer);
  }
  return MakeWandMask(source, s.tracker->WandPoint(), settings.tolerance, settings.contiguous != 0);
}

// The smart outline follows the edges of what the view shows: the
// document's visible layers flattened, read once as the outline begins.
void LoadSmartImage(AreaSession& s) {
  auto finder = std::make_shared<SmartPathFinder>();
  void* doc = DocOfWindow(s.site, s.view);
  const VrWA2000::WA* image = doc != nullptr ? DocImageOfKind(s.site, doc, 4) : nullptr;
  if (image != nullptr) {
    const int type = image->GetType();
    const int channels = type == 8 ? 1 : type == 16 ? 3 : 0;
    if (channels != 0) {
      finder->SetImage(image->GetW(), image->GetH(), channels,
                       [image](int y) { return static_cast<const std::uint8_t*>(image->Row(y)); });
    }
  }
  s.tracker->SetPathFinder(std::move(finder));
}

// A finished gesture: the shape combined with the selection by the mode
// becomes the document's selection.
void Finish(AreaSession& s, AreaTracker::Result result) {
  EndGesture(s);
  const int mode = AreaCombineMode(s.tracker->PressKeys(), LUGetGSelectionMode(s.site));
  if (result == AreaTracker::kDeselect) {
    if (mode == kLUGSelReplace && SetViewSelection(s.site, s.view, nullptr)) LUUpdateGSelection(s.site);
    return;
  }
  Fragment* shape = s.tracker->Kind() == AreaKind::kWand ? WandShape(s) : s.tracker->MakeShape(CurrentAreaSettings());
  shape = FeatherShape(shape, CurrentAreaSettings().feather);
  if (shape == nullptr) return;
  // Combined with the selection of this view's document.
  Fragment* selection = ViewSelection(s.site, s.view);
  Fragment* combined = LUCombineSelection(selection, shape, mode);
  if (selection != nullptr) DeleteFragment(selection);
  DeleteFragment(shape);
  if (combined == nullptr) return;
  SetViewSelection(s.site, s.view, combined);
  DeleteFragment(combined);
  LUUpdateGSelection(s.site);
}

void Handle(AreaSession& s, AreaTracker::Result result) {
  switch (result) {
    case AreaTracker::kChanged: ShowOutline(s); break;
    case AreaTracker::kDone:
    case AreaTracker::kDeselect: Finish(s, result); break;
    case AreaTracker::kCancelled: EndGesture(s); break;
    case AreaTracker::kNothing: break;
  }
}

unsigned MouseKeys(AreaWindows& windows, std::uintptr_t wParam) {
  // The key state as of this message, and the message's own flags.
  unsigned keys = windows.KeysNow();
  if ((wParam & kMkShift) != 0) keys |= kAreaShift;
  if ((wParam & kMkControl) != 0) keys |= kAreaCtrl;
  return keys;
}

bool OnMouse(AreaSession& s, AreaWindows& windows, const LU_MSG& msg) {
  AreaPoint at;
  if (!windows.ToImage(s.site, msg.window, ClientPoint(msg.lParam), &at)) return false;
  const unsigned keys = MouseKeys(windows, msg.wParam);
  AreaTracker& t = *s.tracker;
  switch (msg.message) {
    case kWmLButtonDown:
    case kWmLButtonDblClk: {
      if (DocOfWindow(s.site, msg.window) == nullptr) return false;
      // The text-selection tool: the press is the text's place.
      if (t.Kind() == AreaKind::kNewText) {
        return msg.message == kWmLButtonDown && windows.PlaceTextSelection(s.site, msg);
      }
      if (msg.window != s.view) {
        Drop(s);
        s.view = msg.window;
      }
      const AreaSettings& settings = CurrentAreaSettings();
      if (!t.Busy() && t.Kind() == AreaKind::kSmartS) LoadSmartImage(s);
      if (!t.Busy()) {
        t.SetAspect(settings.aspectFixed ? settings.aspectWidth : 0, settings.aspectFixed ? settings.aspectHeight : 0);
      }
      const AreaTracker::Result r = msg.message == kWmLButtonDown ? t.Press(at, keys) : t.DoubleClick(at, keys);
      if (t.Pressed()) windows.Capture(s.view, true);
      Handle(s, r);
      return true;
    }
    case kWmMouseMove: {
      if (msg.window != s.view || !t.Busy()) return false;
      if (t.Pressed()) windows.AutoScroll(s.view, ClientPoint(msg.lParam), true);
      Handle(s, t.Move(at, keys));
      return true;
    }
    case kWmLButtonUp:
      if (msg.window != s.view || !t.Pressed()) return false;
      Handle(s, t.Release(at, keys));
      return true;
    default: return false;
  }
}

bool OnViewMessage(AreaSession& s, const LU_MSG& msg) {
  AreaWindows* windows = CurrentAreaWindows();
  if (windows == nullptr || !s.tracker) return false;
  switch (msg.message) {
    case kWmLButtonDown:
    case kWmLButtonDblClk:
    case kWmMouseMove:
    case kWmLButtonUp: return OnMouse(s, *windows, msg);
    case kWmSetCursor:
      if ((msg.lParam & 0xFFFF) != kHtClient || DocOfWindow(s.site, msg.window) == nullptr) return false;
      windows->SetAreaCursor(s.tracker->Kind());
      return true;
    case kWmPaint:
      // The outline is taken off before the view paints and drawn again after.
      if (msg.window == s.view && s.tracker->Busy()) windows->SuspendOutlineForPaint(s.view);
      return false;
    case kWmCaptureChanged:
      if (reinterpret_cast<void*>(msg.lParam) == s.view) return false;
      [[fallthrough]];
    case kWmCancelMode:
      if (msg.window == s.view && s.tracker->Pressed()) Drop(s);
      return false;
    case kWmDestroy:
      if (msg.window == s.view) {
        s.tracker->Cancel();
        s.view = nullptr;
      }
      return false;
    default:
      if (windows->IsOutlineMessage(msg.message) && msg.window == s.view) {
        windows->RedrawOutline(s.view);
        return true;
      }
      return false;
  }
}

bool OnKey(AreaSession& s, const LU_MSG& msg) {
  AreaWindows* windows = CurrentAreaWindows();
  if (msg.message != kWmKeyDown || windows == nullptr || s.view == nullptr || !s.tracker || !s.tracker->Busy() ||
      !windows->KeyReachesView(msg.window, s.view)) {
    return false;
  }
  const AreaTracker::Result r = s.tracker->Key(static_cast<int>(msg.wParam));
  if (r == AreaTracker::kNothing) return false;
  Handle(s, r);
  return true;
}

void Deactivate(AreaSession& s) {
  Drop(s);
  if (s.hook != 0) LURemoveLUHook(s.site, s.hook);
  s.hook = 0;
  s.active = -1;
  s.view = nullptr;
  s.tracker.reset();
}

int FindTool(const char* name) {
  const auto& table = AreaToolTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (std::strcmp(table[i].name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

void CopyName(const char* from, char* to, int size) {
  if (to == nullptr || size <= 0) return;
  const std::size_t n = std::min<std::size_t>(std::strlen(from), static_cast<std::size_t>(size - 1));
  std::memcpy(to, from, n);
  to[n] = '\0';
}

int& SizePrompt() {
  static int handle = 0;
  return handle;
}

}  // namespace

std::string AreaSizeText(const RECT& rect, SIZE image) {
  const LONG l = std::clamp<LONG>(rect.left, 0, image.cx), t = std::clamp<LONG>(rect.top, 0, image.cy);
  const LONG r = std::max(l, std::min<LONG>(rect.right, image.cx)), b = std::max(t, std::min<LONG>(rect.bottom, image.cy));
  char text[96];
  std::snprintf(text, sizeof text, "x=%ld y=%ld w=%ld h=%ld", static_cast<long>(l), static_cast<long>(image.cy - b),
                static_cast<long>(r - l), static_cast<long>(b - t));
  return text;
}

void ShowAreaSize(const void* site, void* view, const RECT* imageRect) {
  int& handle = SizePrompt();
  SIZE size{};
  if (imageRect == nullptr || !DocImageSize(site, DocOfWindow(site, view), &size)) {
    if (handle != 0) PromptRemove(site, handle);
    handle = 0;
    return;
  }
  // Above the image's own status on the same channel while the drag lasts.
  if (handle == 0) handle = PromptAdd(site, 2, 1, false);
  PromptSetText(site, handle, AreaSizeText(*imageRect, size).c_str());
}

const std::vector<AreaToolEntry>& AreaToolTable() {
  static const std::vector<AreaToolEntry> table = {
      {"Area_Whole", AreaKind::kWhole, IDS_LU_AREA_WHOLE},     {"Area_Rect", AreaKind::kRect, IDS_LU_AREA_RECT},
      {"Area_Ellipse", AreaKind::kEllipse, IDS_LU_AREA_ELLIPSE}, {"Area_Poly", AreaKind::kPoly, IDS_LU_AREA_POLY},
      {"Area_Wand", AreaKind::kWand, IDS_LU_AREA_WAND},         {"Area_Line", AreaKind::kLine, IDS_LU_AREA_LINE},
      {"Area_Pen", AreaKind::kPen, IDS_LU_AREA_PEN},       {"Area_NewText", AreaKind::kNewText, IDS_LU_AREA_NEWTEXT},
      {"Area_SmartS", AreaKind::kSmartS, IDS_LU_AREA_SMARTS},
  };
  return table;
}

AreaWindows* CurrentAreaWindows() {
  if (InstalledWindows() != nullptr) return InstalledWindows();
#ifdef _WIN32
  return &Win32AreaWindowsInstance();
#else
  return nullptr;
#endif
}
void SetAreaWindows(AreaWindows* windows) { InstalledWindows() = windows; }

AreaSettings& CurrentAreaSettings() {
  static AreaSettings settings;
  return settings;
}

int AreaHookProc(void*, const LU_MSG* msg, void*, std::intptr_t* inOut) {
  AreaSession& s = Session();
  if (msg == nullptr || inOut == nullptr || !s.tracker) return kLUHookPass;
  const std::intptr_t pass = *inOut;
  bool handled = false;
  if (pass == kLUPassView) handled = OnViewMessage(s, *msg);
  if (pass == kLUPassQueue) handled = OnKey(s, *msg);
  if (!handled) return kLUHookPass;
  *inOut = msg->message == kWmSetCursor ? 1 : 0;
  return kLUHookHandled;
}

bool SelectWholeImage(const void* site) {
  void* window = ActiveImageWindow(site);
  void* doc = DocOfWindow(site, window);
  SIZE size{};
  if (doc == nullptr || !DocImageSize(site, doc, &size)) return false;
  const LURECT whole{0, 0, size.cx, size.cy};
  Fragment* f = CreateRectFrg(&whole, 0);
  if (f == nullptr) return false;
  const bool set = SetViewSelection(site, window, f);
  DeleteFragment(f);
  if (set) LUUpdateGSelection(site);
  return set;
}

}  // namespace lumora::toolhost

using namespace lumora::toolhost;

int LUGetSelectionToolItem(const void*, int previous) {
  const int count = static_cast<int>(AreaToolTable().size());
  return previous >= 0 && previous < count ? previous + 1 : 0;
}

int LUGetSelectionToolInfo(const void*, int item, char* name, int size, void* info, int infoSize) {
  const auto& table = AreaToolTable();
  if (item < 1 || item > static_cast<int>(table.size())) return 0;
  const AreaToolEntry& e = table[static_cast<std::size_t>(item - 1)];
  CopyName(e.name, name, size);
  if (info != nullptr && infoSize > 0) {
    LU_AREATOOLINFO block{};
    block.flags = kAreaToolKind;
    block.promptId = static_cast<std::int32_t>(e.prompt);
    std::memcpy(info, &block, std::min<std::size_t>(sizeof block, static_cast<std::size_t>(infoSize)));
  }
  return 1;
}

int LUSetActiveSelection(const void* site, const char* name) {
  AreaSession& s = Session();
  if (name == nullptr || name[0] == '\0') {
    Deactivate(s);
    return 1;
  }
  const int index = FindTool(name);
  if (index < 0) return 0;
  const AreaToolEntry& e = AreaToolTable()[static_cast<std::size_t>(index)];
  if (e.kind == AreaKind::kWhole) return SelectWholeImage(site) ? 1 : 0;
  if (index == s.active) return 1;
  Deactivate(s);
  s.site = site;
  s.active = index;
  s.tracker = std::make_unique<AreaTracker>(e.kind);
  // The views' mouse and the queue's keys.
  const LU_HOOK hook{AreaHookProc, nullptr, 0x1005, 0};
  s.hook = LUSetLUHook(site, &hook);
  return 1;
}

int LUGetActiveSelection(const void*, char* name, int size) {
  const AreaSession& s = Session();
  if (s.active < 0) {
    CopyName("", name, size);
    return 0;
  }
  CopyName(AreaToolTable()[static_cast<std::size_t>(s.active)].name, name, size);
  return 1;
}

Fragment* LUGetImageFrg(const void* site, void* window, int, int) { return ViewSelection(site, window); }

int LUDeleteGlobalSelection(const void* site) {
  void* window = ActiveImageWindow(site);
  Fragment* had = ViewSelection(site, window);
  if (had == nullptr) return 0;
  DeleteFragment(had);
  if (!SetViewSelection(site, window, nullptr)) return 0;
  LUUpdateGSelection(site);
  return 1;
}
