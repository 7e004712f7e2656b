// An owner-drawn drop-down list whose items show a picture beside their
// text (the brush pages' shape, width and edge lists). The picture of an
// item is its item data: a bitmap the caller keeps alive. A bitmap four
// times as wide as high is a strip of four frames, of which the first is
// shown. The dialog that holds the list hands its messages to
// HandleParentMessage first.
#pragma once

#include <windows.h>

namespace lumora {

class PictureCombo {
 public:
  // The combo `id` of `dialog`, made with CBS_OWNERDRAWFIXED |
  // CBS_HASSTRINGS: list items `itemHeight` pixels high, the selection
  // field `fieldHeight` (its picture scaled down to fit).
  void Attach(HWND dialog, int id, int itemHeight, int fieldHeight);
  HWND Handle() const { return combo_; }
  void SetPicture(int item, HBITMAP picture) const;
  HBITMAP Picture(int item) const;

  // WM_DRAWITEM and WM_MEASUREITEM of the list.
  bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) const;

  // The frame of a picture shown for an item: the first of a strip of
  // four, else the whole bitmap.
  static SIZE FrameSize(HBITMAP picture);

 private:
  void Draw(const DRAWITEMSTRUCT& item) const;

  HWND combo_ = nullptr;
  int id_ = 0;
  int itemHeight_ = 0;
  int fieldHeight_ = 0;
};

}  // namespace lumora
