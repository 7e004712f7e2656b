// Layer Moving in the view: the move and guide hook the view registers
// with the tool host while the main frame's mode is on, the drag of the
// active layer through it, and the arrow keys' nudges.
#include <windowsx.h>

#include "document/win/Lumo40Doc.h"
#include "platform/trace.h"
#include "res/resource.h"
#include "engine/render/LayerMove.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

constexpr std::uint16_t kMoveHookFlags = 0x1007;
// Timer messages come only when nothing else waits: between drag steps.
constexpr UINT_PTR kMoveAheadTimer = 0x4C4D;
constexpr DWORD kMoveAheadSliceMs = 8;

// One drag at a time in the program.
LayerMove& TheLayerMove() {
  static LayerMove move;
  return move;
}

HCURSOR MoveCursor(bool grabbing) {
  static HCURSOR cursors[2] = {};
  const int i = grabbing ? 1 : 0;
  if (cursors[i] == nullptr) {
    cursors[i] = LoadCursorA(GetModuleHandleA(nullptr),
                             MAKEINTRESOURCEA(grabbing ? IDC_CURSOR_NAV_DRAG : IDC_CURSOR_NAV_RECT));
  }
  return cursors[i];
}

}  // namespace

int CLumo40View::MoveHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  auto* view = static_cast<CLumo40View*>(context);
  if (msg == nullptr || view == nullptr) return kLUHookPass;
  return view->OnMoveHook(*msg, inOut);
}

int CLumo40View::OnMoveHook(const LU_MSG& msg, std::intptr_t* inOut) {
  if (msg.message == kLUMsgHookInstalled) {
    moveHookId_ = static_cast<std::uint32_t>(msg.lParam);
    return kLUHookHandled;
  }
  if (msg.message == kLUMsgHookRemoved) return kLUHookHandled;
  const HWND window = static_cast<HWND>(msg.window);
  if (inOut != nullptr && *inOut == kLUPassView) {
    // Through the window procedure: only the cursor over the client area.
    if (msg.message != WM_SETCURSOR || HIWORD(msg.lParam) == 0 || LOWORD(msg.lParam) != HTCLIENT ||
        reinterpret_cast<HWND>(msg.wParam) != hwnd_) {
      return kLUHookPass;
    }
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(hwnd_, &at);
    if (!SetGuideCursor(at.x, at.y)) SetCursor(MoveCursor(movingLayer_));
    *inOut = 1;
    return kLUHookHandled;
  }
  const POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
  switch (msg.message) {
    case WM_MOUSEMOVE:
      if ((msg.wParam & MK_LBUTTON) == 0 || window != hwnd_) return kLUHookPass;
      if (moveGuideDrag_) {
        TrackGuideDrag(p.x, p.y);
      } else if (movingLayer_) {
        TraceMark("layer drag step received");
        TrackLayerMove(p);
      } else {
        return kLUHookPass;
      }
      break;
    case WM_LBUTTONDOWN: {
      movingLayer_ = false;
      moveGuideDrag_ = false;
      if (window != hwnd_) return kLUHookPass;
      std::int32_t orientation = 0;
      CLumo40Doc* doc = GetDoc();
      if (HitTestGuide(p.x, p.y, &orientation) >= 0) {
        moveGuideDrag_ = true;
        BeginGuideDrag(p.x, p.y, true, orientation);
      } else if (doc == nullptr || !BeginLayerMove(doc->Image().GetActiveLayer(), p)) {
        SetMoveToolActive(false);
        return kLUHookPass;
      } else {
        SetCapture(hwnd_);
        movingLayer_ = true;
        SetCursor(MoveCursor(true));
      }
      break;
    }
    case WM_LBUTTONUP:
      if (moveGuideDrag_) {
        moveGuideDrag_ = false;
        EndGuideDrag(p.x, p.y, false);
      } else if (movingLayer_) {
        movingLayer_ = false;
        if (GetCapture() == hwnd_) ReleaseCapture();
        EndLayerMove();
      } else {
        return kLUHookPass;
      }
      break;
    default: return kLUHookPass;
  }
  if (inOut != nullptr) *inOut = 0;
  return kLUHookHandled;
}

void CLumo40View::SetMoveToolActive(bool on) {
  if (on == moveToolOn_) return;
  if (!on) {
    if (moveHookId_ != 0) LURemoveLUHook(nullptr, moveHookId_);
    moveHookId_ = 0;
    moveToolOn_ = false;
    return;
  }
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr || !stack->IsLayerable()) return;
  const LU_HOOK hook{&CLumo40View::MoveHookProc, this, kMoveHookFlags, 0};
  moveHookId_ = LUSetLUHook(nullptr, &hook);
  moveToolOn_ = moveHookId_ != 0;
}

bool CLumo40View::LayerMoveRunning() const { return TheLayerMove().Running(); }

bool CLumo40View::BeginLayerMove(CLayer* layer, POINT client) {
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr || layer == nullptr || !HasDrawContext()) return false;
  if (!TheLayerMove().Begin(doc->Image(), layer, WindowPointToImagePixel(client))) return false;
  SetTimer(hwnd_, kMoveAheadTimer, 1, nullptr);
  return true;
}

void CLumo40View::PrepareLayerMoveAhead() {
  LayerMove& move = TheLayerMove();
  const DWORD start = GetTickCount();
  bool more = move.Running();
  // One cell at a time, so a waiting mouse message is served soon.
  while (more && HIWORD(GetQueueStatus(QS_INPUT)) == 0 && GetTickCount() - start < kMoveAheadSliceMs) {
    more = move.PrepareAhead(1);
  }
  if (!more) KillTimer(hwnd_, kMoveAheadTimer);
}

void CLumo40View::TrackLayerMove(POINT client) {
  LayerMove& move = TheLayerMove();
  if (!move.Running()) return;
  const POINT at = WindowPointToImagePixel(client);
  const bool moved =
      move.Track(at, [this](const RECT& rect, POINT* d) { SnapRect(rect, d); });
  if (moved) {
    // The immediate path painted the moved pieces; what is invalid shows now.
    UpdateWindow(hwnd_);
    TraceMark("layer drag step painted");
    // The layers moved on: the cells ahead of them are others now.
    SetTimer(hwnd_, kMoveAheadTimer, 1, nullptr);
  }
}

void CLumo40View::EndLayerMove() {
  LayerMove& move = TheLayerMove();
  KillTimer(hwnd_, kMoveAheadTimer);
  if (!move.Running()) return;
  move.End();
  SetCursor(MoveCursor(false));
}

bool CLumo40View::NudgeActiveLayer(UINT vk, bool shift) {
  CLumo40Doc* doc = GetDoc();
  CLayer* layer = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
  if (layer == nullptr || TheLayerMove().Running()) return false;
  const int step = shift ? 10 : 1;
  // Image pixels at every magnification; image rows count upward.
  int dx = 0, dy = 0;
  switch (vk) {
    case VK_LEFT: dx = -step; break;
    case VK_RIGHT: dx = step; break;
    case VK_UP: dy = step; break;
    case VK_DOWN: dy = -step; break;
    default: return false;
  }
  if (TheLayerMove().Nudge(doc->Image(), layer, dx, dy)) UpdateWindow(hwnd_);
  return true;
}

bool CLumo40View::OnMoveToolMessage(UINT message, WPARAM wParam, LRESULT* result) {
  switch (message) {
    case WM_TIMER:
      if (wParam != kMoveAheadTimer) return false;
      PrepareLayerMoveAhead();
      *result = 0;
      return true;
    case WM_CAPTURECHANGED:
      // A drag that loses the mouse (a message box, another window) ends as
      // a button-up does, so the worker runs again and the view repaints.
      if (movingLayer_) {
        movingLayer_ = false;
        EndLayerMove();
      }
      return false;
    case WM_KEYDOWN:
      if (!moveToolOn_) return false;
      if (wParam == VK_ESCAPE && moveGuideDrag_) {
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(hwnd_, &at);
        moveGuideDrag_ = false;
        EndGuideDrag(at.x, at.y, false);
        *result = 0;
        return true;
      }
      if (!NudgeActiveLayer(static_cast<UINT>(wParam), GetKeyState(VK_SHIFT) < 0)) return false;
      *result = 0;
      return true;
    default: return false;
  }
}

}  // namespace lumora
