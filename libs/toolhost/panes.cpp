// The open tool panes, which pane a tool opens in, and Apply.
#include <algorithm>
#include <string>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "libs/toolhost/Panes.h"
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/SiteCalls.h"

using VrWA2000::WA;

namespace lumora::toolhost {
namespace {

struct PaneList {
  std::vector<LUPaneDialog*> panes;  // oldest first
  LUPaneDialog* active = nullptr;
  PaneWindows* windows = nullptr;  // a test's, else the program's
};

PaneList& Panes() {
  static PaneList list;
  return list;
}

int Fail(int code, int line) { return LUErrorCode(nullptr, code, "ToolPane", line, 0); }

// The newest pane the next tool may take over.
LUPaneDialog* ReusablePane() {
  const auto& panes = Panes().panes;
  for (auto it = panes.rbegin(); it != panes.rend(); ++it) {
    if (!(*it)->pinned) return *it;
  }
  return nullptr;
}

LUPaneDialog* PaneShowingTool(int number) {
  for (LUPaneDialog* pane : Panes().panes) {
    if (pane->data.toolNumber == number) return pane;
  }
  return nullptr;
}

bool PinPressed(const void* site) { return LUGetProfileInt(site, "PinState", "DrawingPinPressed", 0) != 0; }

// An interactive tool takes the mouse while its pane shows it.
void ActivateTool(const LUPaneDialog& pane, bool on) {
  const ToolDescriptor* descriptor = FindTool(pane.data.toolNumber);
  if (descriptor != nullptr && descriptor->activate != nullptr) descriptor->activate(pane.site, pane.data.tool, on);
}

void MakeActive(PaneWindows& windows, LUPaneDialog& pane) {
  SetActivePane(&pane);
  windows.Activate(pane);
}

}  // namespace

PaneWindows* CurrentPaneWindows() {
  if (Panes().windows != nullptr) return Panes().windows;
#ifdef _WIN32
  return &Win32PaneWindows();
#else
  return nullptr;
#endif
}

void SetPaneWindows(PaneWindows* windows) { Panes().windows = windows; }

const std::vector<LUPaneDialog*>& OpenPanes() { return Panes().panes; }

LUPaneDialog* PaneOfWindow(const void* window) {
  if (window == nullptr) return nullptr;
  for (LUPaneDialog* pane : Panes().panes) {
    if (pane->window == window) return pane;
  }
  return nullptr;
}

void SetActivePane(LUPaneDialog* pane) { Panes().active = pane; }

void ForgetPane(LUPaneDialog* pane) {
  PaneList& list = Panes();
  const auto it = std::find(list.panes.begin(), list.panes.end(), pane);
  if (it == list.panes.end()) return;
  PaneEndPreview(*pane);
  ActivateTool(*pane, false);
  list.panes.erase(it);
  if (list.active == pane) list.active = list.panes.empty() ? nullptr : list.panes.back();
  LUDeleteTool(pane->data.tool);
  delete pane;
}

int RunPaneTool(LUTool* tool, const void* site, void* window, WA* source, WA* output, int backup, RECT* changed) {
  // The selection is the document's; the tool works in the layer's image.
  Fragment* limit = LUGetGSelectionLimit(site);
  POINT origin{0, 0};
  LUGetImageOrg(site, window, &origin);
  if (limit != nullptr && (origin.x != 0 || origin.y != 0)) {
    Fragment* moved = CreateFragmentIndirect(limit);
    DeleteFragment(limit);
    limit = moved;
    LURECT bounds{};
    if (limit != nullptr && GetFragmentBoundRect(limit, &bounds)) {
      const POINT to{bounds.x + origin.x, bounds.y + origin.y};
      SetFragmentOriginPoint(limit, &to);
    }
  }
  int code = LUSetParameter(tool, kLUSlotSource, 0, source);
  if (code == 0) code = LUSetParameter(tool, kLUSlotOutput, 0, output);
  if (code == 0) code = LUSetParameter(tool, kLUSlotLimit, 0, limit);
  if (code == 0) code = LURunTool(tool, backup, 0);
  if (code == 0 && changed != nullptr) LUGetOutRectE(tool, changed);
  // The pane keeps no image between runs.
  LUSetParameter(tool, kLUSlotSource, 0, nullptr);
  LUSetParameter(tool, kLUSlotOutput, 0, nullptr);
  LUSetParameter(tool, kLUSlotLimit, 0, nullptr);
  if (limit != nullptr) DeleteFragment(limit);
  return code;
}

void RefreshImageRect(const void* site, void* window, const RECT& imageRect) {
  void* doc = DocOfWindow(site, window);
  POINT origin{0, 0};
  LayerOriginOf(site, doc, ActiveLayerOf(site, doc), &origin);
  const RECT r{imageRect.left + origin.x, imageRect.top + origin.y, imageRect.right + origin.x,
               imageRect.bottom + origin.y};
  InvalidateDocRect(site, doc, r);
}

}  // namespace lumora::toolhost

using namespace lumora::toolhost;

int LUCreateToolInstanceByIDNumber(const void* site, int number, int) {
  const ToolDescriptor* descriptor = FindTool(number);
  if (descriptor == nullptr) return (Fail(kLUErrNoTool, __LINE__), 0);
  // A document tool has no pane: chosen, it runs.
  if (IsDocumentTool(*descriptor)) return RunDocumentTool(site, *descriptor) == 0 ? 1 : 0;
  PaneWindows* windows = CurrentPaneWindows();
  if (windows == nullptr) return (Fail(kLUErrNoPaneWindow, __LINE__), 0);
  if (LUPaneDialog* showing = PaneShowingTool(number)) {
    MakeActive(*windows, *showing);
    return 1;
  }
  LUTool* tool = LUCreateTool(site, descriptor->idName);
  if (tool == nullptr) return 0;
  LURecallToolParameters(site, tool);
  const bool pinned = PinPressed(site);
  if (LUPaneDialog* reused = pinned ? nullptr : ReusablePane()) {
    PaneEndPreview(*reused);
    ActivateTool(*reused, false);
    LUDeleteTool(reused->data.tool);
    reused->data = LU_PANEDATA{tool, number};
    reused->site = site;
    windows->Rebuild(*reused);
    ActivateTool(*reused, true);
    MakeActive(*windows, *reused);
    return 1;
  }
  auto* pane = new LUPaneDialog;
  pane->site = site;
  pane->data = LU_PANEDATA{tool, number};
  pane->pinned = pinned;
  Panes().panes.push_back(pane);
  SetActivePane(pane);
  if (windows->Open(*pane) == nullptr) {
    ForgetPane(pane);
    return (Fail(kLUErrNoPaneWindow, __LINE__), 0);
  }
  ActivateTool(*pane, true);
  return 1;
}

int LUCreateToolInstance(const void* site, const char* idName, int reserved) {
  const int number = LUGetRegToolIDNumber(site, idName, 0);
  if (number == 0) return Fail(kLUErrNoTool, __LINE__);
  if (LUCreateToolInstanceByIDNumber(site, number, reserved) != 0) return 0;
  const int code = LUGetErrorState().code;
  return code != 0 ? code : kLUErrNoPaneWindow;
}

int LUIsPaneDlgWindow(const void*, const void* window) { return PaneOfWindow(window) != nullptr ? 1 : 0; }

LUPaneDialog* LUHWNDToPaneDialog(const void*, const void* window) { return PaneOfWindow(window); }

LUPane* LUGetNextPane(const void*, LUPaneDialog* dialog, LUPane* previous) {
  // Each dialog holds one pane: the dialog itself.
  return dialog != nullptr && previous == nullptr ? reinterpret_cast<LUPane*>(dialog) : nullptr;
}

const LU_PANEDATA* LUGetPaneData(const void*, LUPane* pane) {
  return pane != nullptr ? &reinterpret_cast<LUPaneDialog*>(pane)->data : nullptr;
}

int LUIsDlgIconic(const void*, LUPaneDialog* dialog) {
  PaneWindows* windows = CurrentPaneWindows();
  return dialog != nullptr && windows != nullptr && windows->IsIconic(*dialog) ? 1 : 0;
}

LUPaneDialog* LUGetActivePaneDialog(const void*) { return Panes().active; }

void* LUGetPaneDialogWindow(const void*, LUPaneDialog* dialog) { return dialog != nullptr ? dialog->window : nullptr; }

void LUDestroyPaneDialogs(const void*) {
  PaneWindows* windows = CurrentPaneWindows();
  while (!Panes().panes.empty()) {
    LUPaneDialog* pane = Panes().panes.back();
    if (windows != nullptr && pane->window != nullptr) windows->Close(*pane);
    // Closing the window forgot the pane; a pane without one goes here.
    ForgetPane(pane);
  }
}

int LUPaneApply(LUPaneDialog* pane) {
  if (pane == nullptr || pane->data.tool == nullptr) return Fail(kLUErrNoTool, __LINE__);
  const void* site = pane->site;
  // The undo step must keep the image without the preview's result.
  PaneEndPreview(*pane);
  void* window = ActiveImageWindow(site);
  void* doc = DocOfWindow(site, window);
  if (doc == nullptr) return Fail(kLUErrNoImageWindow, __LINE__);
  const int layer = ActiveLayerOf(site, doc);
  if (layer < 0 || !CanPaintLayer(site, doc, layer)) return Fail(kLUErrLayerLocked, __LINE__);
  WA* image = LUGetImageWA(site, window, 0);
  if (image == nullptr) return Fail(kLUErrNoImageData, __LINE__);
  RECT changed{};
  const int code = RunPaneTool(pane->data.tool, site, window, image, nullptr, BackupAllowed(site) ? 1 : 0, &changed);
  image->Release();
  if (code != 0) return code;
  RefreshImageRect(site, window, changed);
  SetDocModified(site, doc);
  LUStoreToolParameters(site, pane->data.tool);
  LUSendToWindow(LUGetMainWnd(site), kLUMsgToolExecuted, reinterpret_cast<std::uintptr_t>(pane->data.tool), 0);
  return 0;
}

int LUPaneSetParameter(LUPaneDialog* pane, int index, std::int32_t value) {
  if (pane == nullptr || pane->data.tool == nullptr) return Fail(kLUErrNoTool, __LINE__);
  return PaneParameterChanged(*pane, index, value);
}

void LUPaneSetPreview(LUPaneDialog* pane, int on) {
  if (pane != nullptr) PaneSetPreview(*pane, on != 0);
}
