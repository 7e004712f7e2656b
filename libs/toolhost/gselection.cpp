// The global selection: the host's copy of the active document's selection,
// re-read when the program says it changed, with the combine mode and the
// smooth edge that new shapes and tool runs use.
#include <algorithm>

#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "libs/toolhost/AreaTools.h"

namespace {

struct GlobalSelection {
  bool initialised = false;
  Fragment* fragment = nullptr;  // one reference, or null
  int mode = kLUGSelReplace;
  int edgeDegree = 0;
  int edgeType = 0;
};

GlobalSelection& State() {
  static GlobalSelection state;
  return state;
}

void Hold(Fragment* f) {
  GlobalSelection& g = State();
  if (g.fragment != nullptr) DeleteFragment(g.fragment);
  g.fragment = f;
}

enum : int { kAppGetActiveImageWnd = 5, kViewGetSelection = 6 };

}  // namespace

void LUInitGlobalSelection(const void* site) {
  Hold(nullptr);
  State() = GlobalSelection{};
  State().initialised = true;
  // The area tools' settings come with the selection.
  lumora::toolhost::LoadAreaSettings(site);
}

void LURemoveGlobalSelection(const void*) {
  Hold(nullptr);
  State().initialised = false;
}

int LUUpdateGSelection(const void* site) {
  if (!State().initialised) return 0;
  using ActiveWnd = void* (*)(const LU_SITE_TABLE*);
  using GetSelection = Fragment* (*)(const LU_SITE_TABLE*, void*, int, std::intptr_t);
  const LU_SITE_TABLE* app = nullptr;
  const LU_SITE_TABLE* view = nullptr;
  const auto active = reinterpret_cast<ActiveWnd>(LUSiteEntryOf(site, kSiteApp, kAppGetActiveImageWnd, &app));
  const auto get = reinterpret_cast<GetSelection>(LUSiteEntryOf(site, kSiteView, kViewGetSelection, &view));
  if (active == nullptr || get == nullptr) return 0;
  void* window = active(app);
  // The document's entry shares its fragment with us (no copy).
  Hold(window != nullptr ? get(view, window, 1, 0) : nullptr);
  return 1;
}

Fragment* LUGetGlobalSelection(const void*) {
  Fragment* f = State().fragment;
  return f != nullptr ? ShareFragment(f) : nullptr;
}

void LUSetGSelectionMode(const void*, int mode) {
  State().mode = (mode == kLUGSelAdd || mode == kLUGSelSubtract || mode == kLUGSelIntersect) ? mode : kLUGSelReplace;
}

int LUGetGSelectionMode(const void*) { return State().mode; }

void LUSetGSelectionSmoothEdge(const void*, int degree, int type) {
  State().edgeDegree = std::clamp(degree, 0, kFrgMaxSmoothDegree);
  State().edgeType = type;
}

void LUGetGSelectionSmoothEdge(const void*, int* degree, int* type) {
  if (degree != nullptr) *degree = State().edgeDegree;
  if (type != nullptr) *type = State().edgeType;
}

Fragment* LUCombineWithGSelection(const void* site, Fragment* shape) {
  return LUCombineWithGSelectionMode(site, shape, State().mode);
}

Fragment* LUCombineWithGSelectionMode(const void*, Fragment* shape, int mode) {
  return LUCombineSelection(State().fragment, shape, mode);
}

Fragment* LUCombineSelection(Fragment* selection, Fragment* shape, int mode) {
  if (shape == nullptr) return nullptr;
  const bool empty = selection == nullptr || (GetFragmentType(selection) == kFrgEmpty && !IsFrgInverted(selection));
  if (mode != kLUGSelAdd && mode != kLUGSelSubtract && mode != kLUGSelIntersect) mode = kLUGSelReplace;
  if (mode == kLUGSelReplace || empty) {
    // Nothing to take the shape from or to cut it with.
    if (mode == kLUGSelSubtract || mode == kLUGSelIntersect) return nullptr;
    return CreateFragmentIndirect(shape);
  }
  const FRGITEM first{kFrgAdd, selection};
  Fragment* combined = CreateComplexFrg(1, &first);
  if (combined == nullptr) return nullptr;
  const int code = mode == kLUGSelAdd ? kFrgAdd : (mode == kLUGSelSubtract ? kFrgSubtract : kFrgIntersect);
  if (!AddToComplexFrg(combined, shape, code)) {
    DeleteFragment(combined);
    return nullptr;
  }
  return combined;
}

Fragment* LUGetGSelectionLimit(const void*) {
  const GlobalSelection& g = State();
  if (g.fragment == nullptr) return nullptr;
  if (g.edgeDegree == 0) return ShareFragment(g.fragment);
  Fragment* copy = CreateFragmentIndirect(g.fragment);
  if (copy == nullptr) return nullptr;
  SetSmoothEdge(copy, g.edgeDegree, g.edgeType, nullptr);
  Fragment* mask = GetSmoothMask(copy);
  DeleteFragment(copy);
  return mask;
}
