// Moving the selection with the mouse: while the mode is on, a press inside
// the selection of an image view hands it to a selection handler of the
// site's selection library, which follows the mouse; the moved selection,
// snapped to the view's grid and guides, becomes the document's selection
// as one undo step.
#include "hostapi/draw.h"
#include "hostapi/fragment.h"
#include "hostapi/selfrg.h"
#include "hostapi/toolhost.h"
#include "hostapi/xform.h"
#include "libs/toolhost/SiteCalls.h"

namespace lumora::toolhost {
namespace {

enum : std::uint32_t { kWmDestroy = 0x0002, kWmKeyDown = 0x0100, kWmLButtonDown = 0x0201, kWmLButtonDblClk = 0x0203 };
constexpr std::uintptr_t kVkEscape = 0x1B;

struct MoveSession {
  const void* site = nullptr;
  bool on = false;
  std::uint32_t hook = 0;
  SFHandler* handler = nullptr;
  void* view = nullptr;  // the handler's window
  bool moving = false;
};

MoveSession& Session() {
  static MoveSession session;
  return session;
}

template <typename Fn>
Fn Entry(const void* site, int index, const LU_SITE_TABLE** d) {
  return reinterpret_cast<Fn>(SelFrgEntry(site, index, d));
}

const VRXFORM* MappingOf(const MoveSession& s) {
  const auto* context = static_cast<const VR_DRAWCONTEXT*>(ViewDrawContext(s.site, s.view));
  return context != nullptr ? &context->Mapping() : nullptr;
}

// The handler's questions: mapping, snapping.
std::intptr_t Ask(const LU_SITE_TABLE*, SFHandler*, void* user, std::intptr_t code, std::intptr_t value) {
  auto& s = *static_cast<MoveSession*>(user);
  switch (code) {
    case kSFMapToImage: {
      const VRXFORM* m = MappingOf(s);
      if (m == nullptr) return 0;
      m->XForm(reinterpret_cast<POINT*>(value), kXFPixels);
      return 1;
    }
    case kSFMapToWindow: {
      const VRXFORM* m = MappingOf(s);
      if (m == nullptr) return 0;
      m->RevXForm(reinterpret_cast<RECT*>(value), kXFRects);
      return 1;
    }
    case kSFSnapMove: {
      auto* move = reinterpret_cast<SF_MOVE*>(value);
      return SnapImageRect(s.site, s.view, move->bounds, &move->offset) ? 1 : 0;
    }
    case kSFMoving: return 1;
    default: return 0;
  }
}

// The moved selection becomes the document's: one undo step.
std::intptr_t Take(const LU_SITE_TABLE*, SFHandler*, void* user, std::intptr_t fragment) {
  auto& s = *static_cast<MoveSession*>(user);
  s.moving = false;
  if (!SetViewSelection(s.site, s.view, reinterpret_cast<Fragment*>(fragment))) return 0;
  LUUpdateGSelection(s.site);
  return 1;
}

std::intptr_t Dropped(const LU_SITE_TABLE*, SFHandler*, void* user) {
  static_cast<MoveSession*>(user)->moving = false;
  return 1;
}

std::intptr_t Deleted(const LU_SITE_TABLE*, SFHandler* h, void* user) {
  auto& s = *static_cast<MoveSession*>(user);
  if (s.handler == h) {
    s.handler = nullptr;
    s.view = nullptr;
    s.moving = false;
  }
  return 1;
}

void DeleteHandler(MoveSession& s) {
  if (s.handler == nullptr) return;
  const LU_SITE_TABLE* d = nullptr;
  const auto del = Entry<int (*)(const LU_SITE_TABLE*, SFHandler*)>(s.site, kSFDeleteSelHandler, &d);
  if (del != nullptr) del(d, s.handler);
  s.handler = nullptr;
  s.view = nullptr;
  s.moving = false;
}

// A handler on the view, made through the site's relay.
bool HandlerOn(MoveSession& s, void* view) {
  if (s.handler != nullptr && s.view == view) return true;
  DeleteHandler(s);
  const LU_SITE_TABLE* d = nullptr;
  const auto create = Entry<SFHandler* (*)(const LU_SITE_TABLE*, const SF_SITEBLOCK*)>(s.site, kSFCreateSelHandler, &d);
  if (create == nullptr) return false;
  const SF_SITEBLOCK block{view, Ask, Take, Dropped, Deleted, &s};
  s.handler = create(d, &block);
  if (s.handler == nullptr) return false;
  s.view = view;
  const auto scroll = Entry<int (*)(const LU_SITE_TABLE*, SFHandler*)>(s.site, kSFInitAutoScroll, &d);
  if (scroll != nullptr) scroll(d, s.handler);
  return true;
}

bool BeginMove(MoveSession& s, const LU_MSG& msg) {
  if (DocOfWindow(s.site, msg.window) == nullptr) return false;
  Fragment* selection = ViewSelection(s.site, msg.window);
  if (selection == nullptr) return false;
  bool begun = false;
  if (HandlerOn(s, msg.window)) {
    const LU_SITE_TABLE* d = nullptr;
    const auto setFrg = Entry<int (*)(const LU_SITE_TABLE*, SFHandler*, Fragment*, int)>(s.site, kSFSetSelHandlerFrg, &d);
    const auto begin = Entry<int (*)(const LU_SITE_TABLE*, SFHandler*, std::intptr_t, int)>(s.site, kSFBeginSelectFrg, &d);
    if (setFrg != nullptr && begin != nullptr && setFrg(d, s.handler, selection, 0)) {
      const POINT at{static_cast<std::int16_t>(msg.lParam & 0xFFFF), static_cast<std::int16_t>((msg.lParam >> 16) & 0xFFFF)};
      begun = begin(d, s.handler, SFPackPoint(at), kSFBeginMove) != 0;
    }
  }
  DeleteFragment(selection);
  s.moving = begun;
  return begun;
}

void EndMove(MoveSession& s) {
  if (s.handler == nullptr || !s.moving) return;
  const LU_SITE_TABLE* d = nullptr;
  const auto end = Entry<int (*)(const LU_SITE_TABLE*, SFHandler*)>(s.site, kSFEndSelectFrg, &d);
  if (end != nullptr) end(d, s.handler);
}

int MoveHookProc(void*, const LU_MSG* msg, void*, std::intptr_t* inOut) {
  MoveSession& s = Session();
  if (msg == nullptr || inOut == nullptr || !s.on) return kLUHookPass;
  if (*inOut == kLUPassView) {
    // A second press soon after the first is a double click: a press all the same.
    if ((msg->message == kWmLButtonDown || msg->message == kWmLButtonDblClk) && BeginMove(s, *msg)) {
      *inOut = 0;
      return kLUHookHandled;
    }
    if (msg->message == kWmDestroy && msg->window == s.view) DeleteHandler(s);
  } else if (*inOut == kLUPassQueue && msg->message == kWmKeyDown && msg->wParam == kVkEscape && s.moving) {
    EndMove(s);
    *inOut = 0;
    return kLUHookHandled;
  }
  return kLUHookPass;
}

}  // namespace
}  // namespace lumora::toolhost

using namespace lumora::toolhost;

int LUEnableMovingSelection(const void* site, int on) {
  MoveSession& s = Session();
  if ((on != 0) == s.on) return 1;
  if (on != 0) {
    // The views' mouse and the queue's keys.
    const LU_HOOK hook{MoveHookProc, nullptr, 0x1005, 0};
    s.site = site;
    s.hook = LUSetLUHook(site, &hook);
    if (s.hook == 0) return 0;
    s.on = true;
    return 1;
  }
  EndMove(s);
  DeleteHandler(s);
  if (s.hook != 0) LURemoveLUHook(s.site, s.hook);
  s.hook = 0;
  s.on = false;
  return 1;
}

int LUGetMovingSelectionFlag(const void*) { return Session().on ? 1 : 0; }
