// The common-dialog library's colour window: who it works for, the colour
// it holds, and what it tells its owner.
#include <memory>

#include "libs/comdlg/ColourWindow.h"

namespace lumora::comdlg {
namespace {

ComDlgWindows*& Installed() {
  static ComDlgWindows* windows = nullptr;
  return windows;
}

}  // namespace

ComDlgWindows* CurrentComDlgWindows() {
  if (Installed() != nullptr) return Installed();
#ifdef _WIN32
  return &Win32ComDlgWindows();
#else
  return nullptr;
#endif
}

void SetComDlgWindows(ComDlgWindows* windows) { Installed() = windows; }

bool ParseChannel(std::string_view text, int* value) {
  if (text.empty() || text.size() > 3) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > 255) return false;
  *value = v;
  return true;
}

int ColourWindowMessage(CDlgData* data, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr) return 0;
  if (message == kColourWindowBind) {
    data->owner = reinterpret_cast<void*>(wParam);
    return 1;
  }
  if (message == kColourWindowSet) {
    data->colour = static_cast<std::uint32_t>(lParam) & 0xFFFFFF;
    if (data->window != nullptr) windows->ShowColour(data->window, data->colour);
    if (data->owner != nullptr) windows->Send(data->owner, kColourWindowSet, data->colour);
    return 1;
  }
  return 0;
}

void ColourWindowEdited(CDlgData* data, std::uint32_t colour) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  colour &= 0xFFFFFF;
  if (data == nullptr || windows == nullptr || colour == data->colour) return;
  data->colour = colour;
  if (data->owner != nullptr) windows->Send(data->owner, kColourWindowChanged, colour);
}

void ColourWindowGone(CDlgData* data, void* window) {
  if (data != nullptr && data->window == window) data->window = nullptr;
}

}  // namespace lumora::comdlg

using namespace lumora::comdlg;

CDlgData* AllocCDlgData() { return new CDlgData(); }

void FreeCDlgData(CDlgData* data) {
  if (data == nullptr) return;
  CloseSelColorWindow(data);
  delete data;
}

int OpenSelColorWindow(CDlgData* data, void* frame, void* owner, std::uint32_t colour) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr) return 0;
  if (data->window == nullptr) {
    data->window = windows->Create(data, frame);
    if (data->window == nullptr) return 0;
  }
  return ShowSelColorWindow(data, owner, colour) != nullptr ? 1 : 0;
}

int IsSelColorWindowOpened(CDlgData* data) { return data != nullptr && data->window != nullptr ? 1 : 0; }

void* ShowSelColorWindow(CDlgData* data, void* owner, std::uint32_t colour) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr || data->window == nullptr) return nullptr;
  data->owner = owner;
  data->colour = colour & 0xFFFFFF;
  windows->ShowColour(data->window, data->colour);
  windows->Show(data->window);
  return data->window;
}

int CloseSelColorWindow(CDlgData* data) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || data->window == nullptr) return 0;
  void* window = data->window;
  data->window = nullptr;
  data->owner = nullptr;
  if (windows != nullptr) windows->Destroy(window);
  return 1;
}

std::int32_t PickUpColor(CDlgData* data, void* window, int, int) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr) return kNoColour;
  return windows->PickUp(window);
}

std::uint32_t SelColorWindowColour(CDlgData* data) {
  return data != nullptr && data->window != nullptr ? data->colour : 0;
}

void* SelColorWindowOwner(CDlgData* data) { return data != nullptr && data->window != nullptr ? data->owner : nullptr; }
