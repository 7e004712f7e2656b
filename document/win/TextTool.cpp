// The text tool's one-shot hook and the state the text commands share with
// the text dialog.
#include "document/win/TextTool.h"

#include "document/win/Lumo40Doc.h"
#include "engine/pixels/AppValues.h"
#include "hostapi/toolhost.h"
#include "select/win/PickOnView.h"

namespace lumora {
namespace {

constexpr std::uint16_t kTextHookFlags = 0x1007;

// One hook's context: made when it is installed, freed when it ends.
struct TextHookContext {
  std::uint32_t hook = 0;
  HCURSOR cursor = nullptr;
  HWND filter = nullptr;
  TextHookCompletion completion = nullptr;
  void* value = nullptr;
  bool ended = false;
};

TextHookContext* running = nullptr;
int textMode = 0;
bool applying = false;

bool IsImageView(HWND window) {
  PickViews* views = GetPickViews();
  return window != nullptr && views != nullptr && views->IsImageView(window);
}

bool PassesFilter(const TextHookContext* c, HWND window) {
  return IsImageView(window) && (c->filter == nullptr || c->filter == window);
}

// Ends the hook: the completion (with or without a point), the hook
// removed, the context freed.
void EndHook(TextHookContext* c, HWND window, const POINT* point) {
  if (c->ended) return;
  c->ended = true;
  if (running == c) running = nullptr;
  if (c->completion != nullptr) c->completion(window, point, c->value, 0);
  if (c->hook != 0) LURemoveLUHook(GetToolHostSite(), c->hook);
  delete c;
}

int TextHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  auto* c = static_cast<TextHookContext*>(context);
  const auto window = static_cast<HWND>(msg->window);
  const std::intptr_t pass = inOut != nullptr ? *inOut : kLUPassQueue;
  auto handled = [inOut](std::intptr_t word) {
    if (inOut != nullptr) *inOut = word;
    return kLUHookHandled;
  };
  if (pass == kLUPassMainFrame || pass == kLUPassView) {
    // The cursor pass: the text cursor over a client area.
    if (msg->message != WM_SETCURSOR || LOWORD(msg->lParam) != HTCLIENT) return kLUHookPass;
    SetCursor(c->cursor);
    return handled(1);
  }
  switch (msg->message) {
    case kLUMsgHookInstalled:
      c->hook = static_cast<std::uint32_t>(msg->lParam);
      return handled(0);
    case kLUMsgHookRemoved:
      return handled(0);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      if (!PassesFilter(c, window)) {
        EndHook(c, nullptr, nullptr);
        return kLUHookPass;
      }
      const POINT point{static_cast<short>(LOWORD(msg->lParam)), static_cast<short>(HIWORD(msg->lParam))};
      EndHook(c, window, &point);
      return handled(0);
    }
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      EndHook(c, nullptr, nullptr);
      return kLUHookPass;
    default:
      return kLUHookPass;
  }
}

}  // namespace

TextDialogLink& TheTextDialog() {
  static TextDialogLink link;
  return link;
}

bool InstallTextHook(HCURSOR cursor, HWND filter, TextHookCompletion completion, void* value) {
  // One click at a time: a second command replaces the waiting one.
  if (running != nullptr) EndHook(running, nullptr, nullptr);
  auto* c = new TextHookContext;
  c->cursor = cursor != nullptr ? cursor : LoadCursor(nullptr, IDC_IBEAM);
  c->filter = filter;
  c->completion = completion;
  c->value = value;
  running = c;
  const LU_HOOK hook{&TextHookProc, c, kTextHookFlags, 0};
  if (LUSetLUHook(GetToolHostSite(), &hook) == 0) {
    running = nullptr;
    delete c;
    return false;
  }
  return true;
}

bool TextHookRunning() { return running != nullptr; }

void CancelTextHookFor(void* value) {
  if (running != nullptr && running->value == value) {
    // The document goes: no completion may reach it.
    running->completion = nullptr;
    EndHook(running, nullptr, nullptr);
  }
}

int TextMode() { return textMode; }
void SetTextMode(int mode) { textMode = mode; }

void ApplyTextSelection(CLumo40Doc* doc, CLayerText* layer) {
  // Text to selection runs once at a time.
  if (doc == nullptr || layer == nullptr || applying) return;
  applying = true;
  doc->Image().ApplyTextSelection(layer, textMode == 1, LUGetSelectionMode(GetToolHostSite()));
  applying = false;
}

void DiscardNewTextLayer(CLumo40Doc* doc, CLayerText* layer) {
  if (doc == nullptr || layer == nullptr || !layer->IsNew()) return;
  doc->Image().DiscardNewTextLayer(layer);
}

bool ShowTextDialog(CLumo40Doc* doc) {
  if (!TheTextDialog().attach) return false;
  auto* text = doc != nullptr ? dynamic_cast<CLayerText*>(doc->Image().GetActiveLayer()) : nullptr;
  TheTextDialog().attach(doc, text, text != nullptr);
  return TheTextDialog().isOpen && TheTextDialog().isOpen();
}

}  // namespace lumora
