// Moving a handler's fragment: the press that begins it, each mouse move,
// the release that hands the moved copy to the owner, and dropping it.
#include "hostapi/fragment.h"
#include "libs/selfrg/Tracking.h"

namespace lumora::selfrg {
namespace {

// The handler whose move runs (one mouse, one move at a time).
SFHandler*& Running() {
  static SFHandler* running = nullptr;
  return running;
}

Tracking*& Installed() {
  static Tracking* tracking = nullptr;
  return tracking;
}

bool Ask(SFHandler* h, std::intptr_t code, void* value) {
  return h->callback1 != nullptr && h->callback1(h, h->owner, code, reinterpret_cast<std::intptr_t>(value)) != 0;
}

// The moved bounds in window coordinates.
void ShowMoved(SFHandler* h, Tracking& t) {
  RECT r = h->move.bounds;
  r.left += h->move.offset.x;
  r.right += h->move.offset.x;
  r.top += h->move.offset.y;
  r.bottom += h->move.offset.y;
  if (Ask(h, kSFMapToWindow, &r)) {
    t.ShowOutline(h, &r);
  } else {
    t.ShowOutline(h, nullptr);
  }
  t.ShowOffset(h, h->move.offset);
}

void Finish(SFHandler* h) {
  if (Tracking* t = CurrentTracking()) {
    t->ShowOutline(h, nullptr);
    t->Stop(h);
  }
  h->moving = false;
  if (Running() == h) Running() = nullptr;
}

}  // namespace

Tracking* CurrentTracking() { return Installed() != nullptr ? Installed() : PlatformTracking(); }
void SetTracking(Tracking* tracking) { Installed() = tracking; }

void MoveTo(SFHandler* h, POINT windowPoint) {
  Tracking* t = CurrentTracking();
  if (h == nullptr || !h->moving || t == nullptr) return;
  if (h->autoScroll) t->ScrollToward(h, windowPoint);
  POINT pixel = windowPoint;
  if (!Ask(h, kSFMapToImage, &pixel)) return;
  SF_MOVE next = h->move;
  next.offset = POINT{pixel.x - h->startPixel.x, pixel.y - h->startPixel.y};
  Ask(h, kSFSnapMove, &next);
  if (next.offset.x == h->move.offset.x && next.offset.y == h->move.offset.y) return;
  h->move.offset = next.offset;
  Ask(h, kSFMoving, &h->move);
  ShowMoved(h, *t);
}

void Release(SFHandler* h, POINT windowPoint) {
  if (h == nullptr || !h->moving) return;
  MoveTo(h, windowPoint);
  Finish(h);
  const POINT offset = h->move.offset;
  if (offset.x == 0 && offset.y == 0) {
    // Nothing moved: nothing to hand over.
    if (h->callback3 != nullptr) h->callback3(h, h->owner);
    return;
  }
  Fragment* moved = CreateFragmentIndirect(h->fragment);
  const POINT origin{h->move.bounds.left + offset.x, h->move.bounds.top + offset.y};
  if (moved == nullptr || !SetFragmentOriginPoint(moved, &origin)) {
    if (moved != nullptr) DeleteFragment(moved);
    if (h->callback3 != nullptr) h->callback3(h, h->owner);
    return;
  }
  const bool taken = h->callback2 != nullptr && h->callback2(h, h->owner, reinterpret_cast<std::intptr_t>(moved)) != 0;
  if (taken) {
    // The handler follows its fragment to the new place.
    DeleteFragment(h->fragment);
    h->fragment = moved;
  } else {
    DeleteFragment(moved);
  }
}

void Drop(SFHandler* h) {
  if (h == nullptr || !h->moving) return;
  Finish(h);
  if (h->callback3 != nullptr) h->callback3(h, h->owner);
}

}  // namespace lumora::selfrg

using namespace lumora::selfrg;

int SF_BeginSelectFrg(SFHandler* h, std::intptr_t windowPoint, int how) {
  Tracking* t = CurrentTracking();
  if (h == nullptr || how != kSFBeginMove || h->moving || Running() != nullptr || h->doNotMove || h->fragment == nullptr ||
      h->window == nullptr || t == nullptr) {
    return 0;
  }
  POINT pixel = SFUnpackPoint(windowPoint);
  if (!Ask(h, kSFMapToImage, &pixel) || (PointInFragment(h->fragment, &pixel) & 1) == 0) return 0;
  LURECT b{};
  if (!GetFragmentBoundRect(h->fragment, &b) || b.width <= 0 || b.height <= 0) return 0;
  h->startPixel = pixel;
  h->move.bounds = RECT{b.x, b.y, b.x + b.width, b.y + b.height};
  h->move.offset = POINT{0, 0};
  if (!t->Start(h)) return 0;
  h->moving = true;
  Running() = h;
  ShowMoved(h, *t);
  return 1;
}

int SF_EndSelectFrg(SFHandler* h) {
  if (h == nullptr || !h->moving) return 0;
  Drop(h);
  return 1;
}

void SF_TerminateAutoScroll() {
  if (SFHandler* h = Running()) h->autoScroll = false;
}

int SF_InitAutoScroll(SFHandler* h) {
  if (h == nullptr) return 0;
  h->autoScroll = true;
  return 1;
}

#ifndef _WIN32
lumora::selfrg::Tracking* lumora::selfrg::PlatformTracking() { return nullptr; }
#endif
