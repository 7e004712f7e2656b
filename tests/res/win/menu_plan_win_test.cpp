// The compiled menus and accelerator tables (this test program links the
// program's resource script) hold every "on" row of the menu plan.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "res/MenuPlan.h"

namespace {

std::string Plain(const char* text) {
  std::string out;
  for (; *text != 0; ++text) {
    if (*text != '&') out += *text;
  }
  return out;
}

// The popup at a path of popup names, found by position as the program
// finds them.
HMENU FindPopup(HMENU bar, const std::string& path) {
  HMENU node = bar;
  std::istringstream parts(path);
  std::string part;
  while (node != nullptr && std::getline(parts, part, '/')) {
    HMENU next = nullptr;
    for (int i = 0; i < GetMenuItemCount(node); ++i) {
      char text[128] = {};
      GetMenuStringA(node, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      if (GetSubMenu(node, i) != nullptr && Plain(text) == part) next = GetSubMenu(node, i);
    }
    node = next;
  }
  return node;
}

TEST(MenuPlanResource, EveryOnRowIsInTheCompiledMenusAndKeys) {
  const HINSTANCE self = GetModuleHandleA(nullptr);
  const std::pair<std::uint32_t, std::uint8_t> menus[] = {{res::kMainMenuId, res::kInMainMenu},
                                                          {res::kDocMenuId, res::kInDocMenu},
                                                          {res::kInPlaceMenuId, res::kInInPlaceMenu},
                                                          {res::kEmbeddingMenuId, res::kInEmbeddingMenu}};
  for (const auto& [menuId, bit] : menus) {
    HMENU bar = LoadMenuA(self, MAKEINTRESOURCEA(menuId));
    HACCEL table = LoadAcceleratorsA(self, MAKEINTRESOURCEA(menuId));
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(table, nullptr);
    std::vector<ACCEL> accels(static_cast<std::size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
    CopyAcceleratorTableA(table, accels.data(), static_cast<int>(accels.size()));
    int rows = 0;
    for (const res::MenuPlanRow& row : res::MenuPlan()) {
      if (row.kind != res::MenuPlanRow::kCommand || !row.on || (row.menus & bit) == 0) continue;
      ++rows;
      if (row.InMenu(bit)) {
        HMENU popup = FindPopup(bar, row.path);
        ASSERT_NE(popup, nullptr) << row.path << " in menu " << menuId;
        char text[128] = {};
        GetMenuStringA(popup, row.firstId, text, sizeof text, MF_BYCOMMAND);
        std::string expected = row.text;
        const std::string keys = row.keys;
        if (!keys.empty()) expected += "\t" + keys.substr(0, keys.find(' '));
        EXPECT_EQ(std::string(text), expected) << row.firstId << " in menu " << menuId;
      }
      for (const res::MenuAccel& a : row.Accels()) {
        bool found = false;
        for (const ACCEL& entry : accels) {
          found = found || ((entry.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT)) == a.flags && entry.key == a.key &&
                            entry.cmd == row.firstId);
        }
        EXPECT_TRUE(found) << row.firstId << " " << row.keys << " in table " << menuId;
      }
    }
    EXPECT_GT(rows, 5);
    DestroyMenu(bar);
  }
}

}  // namespace
