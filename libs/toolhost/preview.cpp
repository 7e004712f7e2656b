// The live preview: the active image shows a pane's result while its
// Preview is on; a saved copy of the image (the original) is what every
// preview run starts from and what goes back when the preview ends.
#include <cstring>

#include "hostapi/imagebuf.h"
#include "libs/toolhost/Panes.h"
#include "libs/toolhost/SiteCalls.h"

using VrWA2000::WA;

namespace lumora::toolhost {
namespace {

struct PreviewState {
  int disabled = 0;                 // nesting of LUPreview_Enable(0)
  LUPaneDialog* pane = nullptr;     // whose result the image shows
  LUPaneDialog* paused = nullptr;   // shown again at the last enable
  void* window = nullptr;           // the image window previewed
  WA* target = nullptr;             // its image, one reference
  WA* original = nullptr;           // the image before the preview, one reference
  bool writing = false;             // our own refresh is under way
};

PreviewState& State() {
  static PreviewState state;
  return state;
}

void Drop() {
  PreviewState& s = State();
  if (s.target != nullptr) s.target->Release();
  if (s.original != nullptr) s.original->Release();
  s.target = s.original = nullptr;
  s.pane = nullptr;
  s.window = nullptr;
}

bool SameLayout(const WA* a, const WA* b) {
  return a->GetType() == b->GetType() && a->GetW() == b->GetW() && a->GetH() == b->GetH();
}

// Puts the original back into the image and forgets both.
void Restore() {
  PreviewState& s = State();
  if (s.original != nullptr && s.target != nullptr && SameLayout(s.original, s.target)) {
    const std::size_t bytes = static_cast<std::size_t>(s.target->GetBPLine());
    for (int y = 0; y < s.target->GetH(); ++y) std::memcpy(s.target->Row(y), s.original->Row(y), bytes);
    s.writing = true;
    RefreshImageRect(s.pane->site, s.window, RECT{0, 0, s.target->GetW(), s.target->GetH()});
    s.writing = false;
  }
  Drop();
}

void Run(LUPaneDialog& pane) {
  PreviewState& s = State();
  if (!pane.previewOn || pane.data.tool == nullptr) return;
  if (s.disabled > 0) {
    s.paused = &pane;  // shown at the last enable
    return;
  }
  void* window = ActiveImageWindow(pane.site);
  WA* image = LUGetImageWA(pane.site, window, 0);
  if (image == nullptr) return;
  if (s.original != nullptr && (s.pane != &pane || s.window != window || s.target != image)) Restore();
  if (s.original == nullptr) {
    void* copy = nullptr;
    if (LUCopyParameter(pane.site, kLUParamImage, image, &copy) != 0) {
      image->Release();
      return;
    }
    s.original = static_cast<WA*>(copy);
    s.target = image;
    s.window = window;
    s.pane = &pane;
  } else {
    image->Release();
  }
  s.writing = true;
  RECT changed{};
  // A preview is no undo step and no run to record.
  if (RunPaneTool(pane.data.tool, pane.site, window, s.original, s.target, 0, &changed) == 0) {
    RefreshImageRect(pane.site, window, RECT{0, 0, s.target->GetW(), s.target->GetH()});
  }
  s.writing = false;
}

}  // namespace

int PaneParameterChanged(LUPaneDialog& pane, int index, std::int32_t value) {
  return PaneParameterValuesChanged(pane, index, &value);
}

int PaneParameterValuesChanged(LUPaneDialog& pane, int index, const std::int32_t* values) {
  const int code = LUSetParameter(pane.data.tool, index, 0, values);
  if (code == 0) Run(pane);
  return code;
}

void PaneSetPreview(LUPaneDialog& pane, bool on) {
  pane.previewOn = on;
  if (on) {
    Run(pane);
  } else {
    PaneEndPreview(pane);
  }
}

void PaneEndPreview(LUPaneDialog& pane) {
  PreviewState& s = State();
  if (s.paused == &pane) s.paused = nullptr;
  if (s.pane == &pane) Restore();
}

}  // namespace lumora::toolhost

using lumora::toolhost::State;

void LUPreview_Init(const void*) {
  lumora::toolhost::Drop();
  State() = {};
}

void LUPreview_Destroy(const void*) {
  if (State().pane != nullptr) lumora::toolhost::Restore();
  lumora::toolhost::Drop();
  State().paused = nullptr;
}

void LUPreview_Enable(const void*, int on, int) {
  auto& s = State();
  if (on == 0) {
    if (++s.disabled == 1 && s.pane != nullptr) {
      s.paused = s.pane;
      lumora::toolhost::Restore();
    }
    return;
  }
  if (s.disabled == 0) return;  // an extra enable banks nothing
  if (--s.disabled == 0 && s.paused != nullptr) {
    LUPaneDialog* pane = s.paused;
    s.paused = nullptr;
    lumora::toolhost::Run(*pane);
  }
}

bool LUPreview_IsEnabled() { return State().disabled == 0; }

void LUPreview_InvalidateImageData(const void*) {
  if (State().writing) return;
  lumora::toolhost::Drop();
}
