// The menu plan: every command of the program with its menu item and keys,
// generated at build time from res/MenuPlan.txt (which also generates menus
// 180 and 181 and their accelerator tables), for the program and its tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace res {

inline constexpr std::uint32_t kMainMenuId = 180;  // no image open
inline constexpr std::uint32_t kDocMenuId = 181;   // an image open
inline constexpr std::uint32_t kInPlaceMenuId = 6;    // an image edited in place in a container
inline constexpr std::uint32_t kEmbeddingMenuId = 9;  // an embedded image in the program's window

// Which menus a row is in (bits), or that the window system serves its key.
inline constexpr std::uint8_t kInMainMenu = 1;
inline constexpr std::uint8_t kInDocMenu = 2;
inline constexpr std::uint8_t kSystemKey = 4;
inline constexpr std::uint8_t kInInPlaceMenu = 8;
inline constexpr std::uint8_t kInEmbeddingMenu = 16;

// One accelerator entry: flags as the platform's ACCEL (1 virtual key,
// 4 Shift, 8 Ctrl, 16 Alt) and the virtual key or, without flag 1, the
// typed character.
struct MenuAccel {
  std::uint8_t flags;
  std::uint16_t key;
};

struct MenuPlanRow {
  enum Kind : std::uint8_t { kCommand, kPopup, kSeparator };
  Kind kind;
  std::uint32_t firstId;  // a range for ids handed out at run time
  std::uint32_t lastId;
  bool on;                // a command with its handler; a popup kept even when empty
  std::uint8_t menus;     // kInMainMenu | kInDocMenu | kInInPlaceMenu | kInEmbeddingMenu, or kSystemKey, or 0
  const char* owner;
  const char* keys;       // as written, the first shown in the menu text
  const char* path;       // the popup ("Image/Convert"); "-" or a note when in no menu
  const char* text;       // the item's text without the key
  const MenuAccel* accels;
  std::size_t accelCount;

  bool InMenu(std::uint8_t menu) const { return (menus & menu) != 0 && path[0] != '-'; }
  std::span<const MenuAccel> Accels() const { return {accels, accelCount}; }
};

extern const MenuPlanRow kMenuPlan[];
extern const std::size_t kMenuPlanSize;

// Every row in plan order.
inline std::span<const MenuPlanRow> MenuPlan() { return {kMenuPlan, kMenuPlanSize}; }
// The command row whose id range holds the id; null when none.
const MenuPlanRow* FindMenuPlanRow(std::uint32_t id);

}  // namespace res
