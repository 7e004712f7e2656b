// The owner-drawn combo of textures (the brush pages' paper combo): each
// item with a file shows a sample of its texture before its name, read on
// the item's first draw through the owner's loader. The dialog that holds
// the combo hands its messages to HandleParentMessage first.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace lumora {

// The widest item text of a combo (each with two blanks, in the system
// font on the display) plus `extra` plus 10; 200 for an empty combo.
int GetComboMaxTextWidth(HWND combo, int extra);

class CTexturesCB {
 public:
  // Reads a texture file into a bitmap the combo then owns (null: none).
  using Loader = std::function<HBITMAP(const std::string& file)>;
  static constexpr int kItemHeight = 20;
  static constexpr int kSampleWidth = 32;

  // The combo `id` of `dialog`, made with CBS_OWNERDRAWFIXED |
  // CBS_HASSTRINGS: field and items 20 pixels high.
  void Attach(HWND dialog, int id, Loader loader);
  HWND Handle() const { return combo_; }
  // Adds an item (an empty file: no texture); its position.
  int AddItem(const std::string& name, const std::string& file);
  // The drop-down as wide as the texts with the sample's room.
  void FitDropDownWidth() const;
  // The bitmap drawn for an item (read at its first draw); null before or
  // without a texture.
  HBITMAP Texture(int item) const;

  // WM_DRAWITEM, WM_MEASUREITEM and WM_DELETEITEM of the combo.
  bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) const;

 private:
  struct Item {
    std::string file;
    HBITMAP bitmap = nullptr;
    bool read = false;
  };
  Item* ItemAt(int item) const;
  void Draw(const DRAWITEMSTRUCT& draw) const;

  HWND combo_ = nullptr;
  int id_ = 0;
  Loader loader_;
};

}  // namespace lumora
