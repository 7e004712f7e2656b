// The control viewer ("CTRLVIEWER"): a scrollable child window showing
// button pictures and live (disabled) child controls flowed into rows, one
// of them selected with the toolbars' customise frame. Dialog templates
// place it by its class name; the dialog subclasses it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/win/Window.h"

namespace lumora {

bool RegisterCtrlViewerClass(HINSTANCE instance);
void UnregisterCtrlViewerClass(HINSTANCE instance);

class CCtrlViewer : public fw::Window {
 public:
  CCtrlViewer() = default;
  ~CCtrlViewer() override;
  // Ties the window the template made to this object (tab stop off,
  // clipping and a vertical scroll bar on).
  bool Attach(HWND window);

  // A picture (copied) or a control (re-parented here and disabled) at
  // `position` (-1: the end); a user value other than 0 ends the row
  // after the item. The index, or -1.
  int AddBitmapItem(HBITMAP bitmap, int position, std::uint32_t user);
  int AddControlItem(HWND control, int position, std::uint32_t user);
  bool SetItemData(int index, void* data);
  void* GetItemData(int index) const;
  int ItemCount() const { return static_cast<int>(items_.size()); }
  RECT ItemRect(int index) const;
  // -1 clears; the old frame erased, the new one drawn. The index or -1.
  int SetSelection(int index);
  int GetSelection() const { return selected_; }
  // Controls go back to their previous parents.
  void RemoveAllItems();
  // Draws the selection frame again at the animation phase.
  void RedrawFrame();
  // Every viewer whose window exists (the frame animation reaches them).
  static const std::vector<CCtrlViewer*>& AllViewers();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // A press on an item: selected, and the parent told (notification 1).
  virtual void OnItemPressed(int index, POINT client);

  struct Item {
    RECT rect{0, 0, 0, 0};
    std::uint32_t user = 0;
    HBITMAP bitmap = nullptr;  // owned copy
    HWND control = nullptr;
    HWND previousParent = nullptr;
    void* data = nullptr;
  };
  void Reflow();
  void UpdateScrollBars();
  void Paint(HDC dc);
  void DrawFrame(HDC dc);
  void MoveControls();
  int HitTest(POINT content) const;
  void Release(Item& item);

  std::vector<Item> items_;
  int selected_ = -1;
  POINT scroll_{0, 0};
  SIZE content_{0, 0};
};

// The phase of the customise frame's pattern (0-255) and its brush; the
// toolbars and the viewers draw the frame with it.
std::uint8_t CustomizeFramePhase();
void AdvanceCustomizeFramePhase();
HBRUSH CustomizeFrameBrush();
// A 1-pixel band around `rect` drawn with the pattern at the phase (a
// focus rectangle when there is no pattern).
void DrawCustomizeFrame(HDC dc, const RECT& rect);

}  // namespace lumora
