// The colour controls and the shared colour window for the application's
// colours.
#include "ui/win/ColourControls.h"

#include "hostapi/toolhost.h"

namespace lumora {

ColourControlServices& TheColourControlServices() {
  static ColourControlServices services;
  return services;
}

bool EditMainColour(bool foreground) {
  ColourControlServices& s = TheColourControlServices();
  if (!s.colour) return false;
  if (s.setEdited) s.setEdited(foreground);
  void* main = LUGetMainWnd(nullptr);
  const COLORREF colour = s.colour(foreground);
  if (!LUIsSelColorWindowOpened(nullptr) && LUOpenSelColorWindow(nullptr, LUGetActiveOLEFrameWnd(nullptr), main, colour) == 0) {
    return false;
  }
  return LUShowSelColorWindow(nullptr, main, colour) != nullptr;
}

}  // namespace lumora
