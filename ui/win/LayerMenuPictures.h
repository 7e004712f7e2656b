// The Layer menu's Align Linked and Distribute Linked pictograms as menu
// check bitmaps (unchecked with grey boxes, checked with white ones), made
// afresh each time the entries are shown and deleted with their owner.
#pragma once

#include <windows.h>

#include <cstdint>

namespace lumora {

class LayerMenuPictures {
 public:
  LayerMenuPictures() = default;
  ~LayerMenuPictures();
  LayerMenuPictures(const LayerMenuPictures&) = delete;
  LayerMenuPictures& operator=(const LayerMenuPictures&) = delete;

  // Draws the six pictograms of the items `firstId` .. `firstId` + 5
  // (32848 align, 32854 distribute) and attaches them to the menu.
  void Attach(HMENU menu, std::uint32_t firstId);
  HBITMAP Bitmap(int index, bool checked) const { return bitmaps_[index][checked ? 1 : 0]; }

 private:
  HBITMAP bitmaps_[12][2] = {};
};

}  // namespace lumora
