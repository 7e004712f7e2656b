// Commands that change the whole layer stack, in the running program
// started in this process: Layer/Merge Visible over a group whose base is
// hidden, and Image/Convert/Mode's conversions of every layer, chosen from
// the menus; the files saved afterwards read back by ag-psd.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "res/resource.h"
#include "tests/app/program/win/image_tools_rig.h"

namespace lumora {
namespace {

constexpr UINT kEditUndo = 57643;

class LayerStack : public lumora::testing::ImageToolsRig {
 protected:
  // The command of the menu bar's item reached through `path` (texts
  // without their '&'), each popup opened on the way as a click opens it;
  // 0 when there is none or it is greyed.
  UINT MenuCommand(const std::vector<std::string>& path) {
    HMENU menu = GetMenu(frame_);
    for (std::size_t depth = 0; depth < path.size(); ++depth) {
      int found = -1;
      for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu) && found < 0; ++i) {
        char text[128] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        std::string plain;
        for (const char* c = text; *c != '\0' && *c != '\t'; ++c) {
          if (*c != '&') plain += *c;
        }
        if (plain == path[depth]) found = i;
      }
      if (found < 0) return 0;
      if (depth + 1 == path.size()) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(found), MF_BYPOSITION);
        return (state & (MF_GRAYED | MF_DISABLED)) != 0 ? 0 : GetMenuItemID(menu, found);
      }
      menu = GetSubMenu(menu, found);
      SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(found, FALSE));
    }
    return 0;
  }
  void Choose(const std::vector<std::string>& path) {
    const UINT id = MenuCommand(path);
    ASSERT_NE(id, 0u) << path.back() << " is missing or greyed";
    Command(id);
  }
  std::string Saved(const char* name) {
    const std::string path = (folder_ / name).string();
    EXPECT_TRUE(doc_->DoSave(path, true));
    return path;
  }
};

// A layer line of ag-psd's dump: index, rect, opacity, mode, hidden,
// clipping and the name (hex UTF-8).
struct DumpedLayer {
  int left = 0, top = 0, right = 0, bottom = 0;
  int hidden = 0, clipping = 0;
  std::string name;
};
std::vector<DumpedLayer> LayersOf(const lumora::testing::PsdRead& read) {
  std::vector<DumpedLayer> layers;
  for (const std::string& line : read.lines) {
    std::istringstream in(line);
    std::string word, mode, hex;
    int index = 0, opacity = 0;
    DumpedLayer l;
    if (!(in >> word) || word != "layer") continue;
    in >> index >> l.left >> l.top >> l.right >> l.bottom >> opacity >> mode >> l.hidden >> l.clipping >> hex;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) l.name += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    layers.push_back(l);
  }
  return layers;
}

// The pixels of four.psd's layers (area_files.js), rows from the top.
std::uint32_t Block(int seed, int x, int y) {
  const int r = (x * 3 + seed * 50) & 255, g = (y * 5 + seed * 30) & 255, b = (x + y + seed * 70) & 255;
  return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}
std::uint32_t RgbAt(const std::string& rgba, int width, int x, int y) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(rgba.data()) + 4 * (static_cast<std::size_t>(y) * width + x);
  return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

// "Top" grouped with the hidden layer below it, then Merge Visible: every
// visible layer goes, Top with them (it shows nothing and is not merged);
// the saved file holds the hidden layer, unclipped content merged from
// Ground and Middle only.
TEST_F(LayerStack, MergeVisibleTakesAVisibleLayerClippedToAHiddenBase) {
  ASSERT_NO_FATAL_FAILURE(Open("four.psd"));
  // The user takes "Top" and groups it with the layer below.
  doc_->Image().SetActiveLayerByIndex(3, true, false);
  ASSERT_EQ(doc_->Image().GetActiveLayer()->GetName(), "Top");
  ASSERT_NO_FATAL_FAILURE(Choose({"Layer", "Group With Previous"}));
  ASSERT_EQ(doc_->Image().GetActiveLayer()->GetGrouped(), 1);
  ASSERT_NO_FATAL_FAILURE(Choose({"Layer", "Merge Visible"}));

  const auto read = ReadWithAgPsd(Saved("merged.psd"));
  const std::vector<DumpedLayer> layers = LayersOf(read);
  ASSERT_EQ(layers.size(), 2u);
  int hidden = -1, merged = -1;
  for (int i = 0; i < 2; ++i) (layers[static_cast<std::size_t>(i)].hidden != 0 ? hidden : merged) = i;
  ASSERT_GE(hidden, 0);
  ASSERT_GE(merged, 0);
  EXPECT_EQ(layers[static_cast<std::size_t>(hidden)].name, "Hidden");
  EXPECT_EQ(layers[static_cast<std::size_t>(hidden)].clipping, 0);
  const DumpedLayer& m = layers[static_cast<std::size_t>(merged)];
  EXPECT_EQ(m.clipping, 0);
  ASSERT_EQ(m.left, 0);
  ASSERT_EQ(m.top, 0);
  ASSERT_EQ(m.right, 64);
  const std::string& pixels = read.layers[static_cast<std::size_t>(merged)];
  ASSERT_EQ(pixels.size(), 64u * 48u * 4u);
  EXPECT_EQ(RgbAt(pixels, 64, 2, 2), Block(0, 2, 2)) << "Ground";
  EXPECT_EQ(RgbAt(pixels, 64, 10, 9), Block(1, 10 - 4, 9 - 4)) << "Middle";
  EXPECT_EQ(RgbAt(pixels, 64, 40, 30), Block(0, 40, 30)) << "Ground where Top lay";
}

// Image/Convert/Mode/Grey on a true-colour layered image: every layer
// becomes grey ((30 red + 59 green + 11 blue) / 100 of each pixel) in one
// undo step; choosing it again is refused with a message and changes
// nothing; Edit/Undo brings the colours back byte for byte.
TEST_F(LayerStack, ConvertModeGreyTurnsEveryLayerGreyInOneStep) {
  ASSERT_NO_FATAL_FAILURE(Open("four.psd"));
  const auto original = ReadWithAgPsd((folder_ / "four.psd").string());
  ASSERT_EQ(original.layers.size(), 4u);
  const int steps = Steps();
  ASSERT_NO_FATAL_FAILURE(Choose({"Image", "Convert", "Mode", "Grey..."}));
  EXPECT_TRUE(Errors().empty()) << Errors().front();
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(doc_->Image().GetLayers()->GetImageType(), kWAType8Grey);

  const auto grey = ReadWithAgPsd(Saved("grey.psd"));
  ASSERT_EQ(grey.layers.size(), 4u);
  EXPECT_EQ(grey.lines[1], "channels 1");
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const std::string& before = original.layers[i];
    const std::string& after = grey.layers[i];
    ASSERT_EQ(after.size(), before.size());
    int differ = 0;
    for (std::size_t p = 0; p + 3 < after.size(); p += 4) {
      const auto* b = reinterpret_cast<const std::uint8_t*>(before.data()) + p;
      const auto* a = reinterpret_cast<const std::uint8_t*>(after.data()) + p;
      const int expected = (30 * b[0] + 59 * b[1] + 11 * b[2]) / 100;
      differ += a[0] != expected || a[1] != expected || a[2] != expected;
    }
    EXPECT_EQ(differ, 0);
  }

  ASSERT_NO_FATAL_FAILURE(Choose({"Image", "Convert", "Mode", "Grey..."}));
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors().front(), "The image already has that type.");
  EXPECT_EQ(Steps(), steps + 1);

  Command(kEditUndo);
  EXPECT_EQ(doc_->Image().GetLayers()->GetImageType(), kWAType24);
  const auto undone = ReadWithAgPsd(Saved("undone.psd"));
  ASSERT_EQ(undone.layers.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(undone.layers[i] == original.layers[i]) << i;
}

}  // namespace
}  // namespace lumora
