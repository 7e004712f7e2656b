// What the last WM_MENUSELECT highlighted, for F1 inside menus: one record
// shared by the main frame, the image child frames and the view.
#pragma once

#include <cstdint>

namespace lumora {

struct MenuHelpState {
  enum Kind : int {
    kNothing = 0,
    kMainSystemPopup = 1,
    kMainSystemItem = 2,
    kImageSystemPopup = 3,
    kImageSystemItem = 4,
    kPaneSystemPopup = 5,
    kPaneSystemItem = 6,
    kMainMenuPopup = 7,
    kMainMenuItem = 8,
    kContextPopup = 9,
    kContextItem = 10,
  };
  int kind = kNothing;
  std::uint32_t item = 0;  // command id, or position for a popup
  void* menu = nullptr;
};

// The program's one record.
MenuHelpState& SharedMenuHelpState();

}  // namespace lumora
