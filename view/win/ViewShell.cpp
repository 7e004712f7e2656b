// The application's interface for the views, and the drag cursors.
#include "view/win/ViewShell.h"

namespace lumora {
namespace {

ViewShell* installed = nullptr;

}  // namespace

void SetViewShell(ViewShell* shell) { installed = shell; }

ViewShell* TheViewShell() { return installed; }

HCURSOR GuideCursor(int kind) {
  static const char* const kNames[3] = {"GUIDEH", "GUIDEV", "RULERORIGIN"};
  static HCURSOR loaded[3] = {};
  if (kind < 0 || kind > 2) kind = 2;
  if (loaded[kind] == nullptr) loaded[kind] = LoadCursorA(GetModuleHandleA(nullptr), kNames[kind]);
  return loaded[kind] != nullptr ? loaded[kind] : LoadCursor(nullptr, kind == 0 ? IDC_SIZENS : kind == 1 ? IDC_SIZEWE : IDC_CROSS);
}

}  // namespace lumora
