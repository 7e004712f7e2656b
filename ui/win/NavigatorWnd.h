// The navigator: a small tool window with a thumbnail of the active image
// and a red rectangle marking the part its window shows. Dragging or
// clicking in the thumbnail scrolls the image window; a slider, a
// percentage field and a spin control set its zoom. The main frame owns
// one and tells it which view to follow.
#pragma once

#include <windows.h>

#include <cstdint>

#include "dialogs/win/HelpSupport.h"
#include "dialogs/win/SmallControls.h"
#include "ui/win/ToolWindowKeys.h"

namespace lumora {

class CLumo40View;

class CNavigatorWnd : public CToolTipSuppDlg {
 public:
  CNavigatorWnd();
  ~CNavigatorWnd() override;

  // Makes the window under `parent` (shown as its SHOW setting says).
  bool Create(HWND parent);
  // Follows `view` (null: no image window is active): re-created under the
  // view's top-level window when that changed, then SetImage.
  void EnableForImage(CLumo40View* view);
  void SetImage(CLumo40View* view);
  // The views' gamma or colour management changed: the thumbnail is drawn
  // again as they now show the image.
  void DisplaySettingsChanged();
  // After the view zoomed or scrolled: the red rectangle and the zoom
  // controls.
  void UpdateViewRect();
  // After the image changed: the cached thumbnail is drawn again where the
  // view's composite changed.
  void UpdateThumbnail();
  // SHOW as the window's visibility now.
  void SaveShowState();
  // The view it follows (may be null) and the one it was told of last.
  CLumo40View* View() const { return view_; }
  bool Exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
  int shown = 1;      // [NAVIGATOR] SHOW
  int minimized = 0;  // [NAVIGATOR] MINIMIZED

  // What tests read back.
  RECT ImageArea() const { return area_; }
  RECT ThumbnailRect() const { return thumb_; }
  RECT ViewRect() const { return viewRect_; }
  int Percent() const { return percent_; }
  int SliderHalfRange() const { return sliderM_; }
  HBITMAP Thumbnail() const { return thumbnail_; }
  int thumbnailRenders = 0;  // whole or partial redraws of the cached bitmap

  bool PreTranslateMessage(MSG* msg) override;
  // Slider, percentage field and image area have tips; the spin has none.
  void GetToolTipText(unsigned controlId, std::string& text) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ReadPlacement();
  void LayOut(int width, int height);
  void RecalcRects();
  void DropThumbnail();
  bool EnsureThumbnail();
  void Paint(HDC dc);
  void ApplyPercent(int percent);
  void SetSliderToPercent();
  void ScrollViewToRect();
  int CursorStateAt(POINT p) const;
  void OnButtonDown(POINT p);
  void OnMouseMove(POINT p);
  void OnEditChanged();
  void AddTips();
  void MoveAreaTip(POINT p);

  CLumo40View* view_ = nullptr;
  int percent_ = 100;
  SIZE minimum_{200, 200};
  int bandHeight_ = 0;
  RECT area_{0, 0, 0, 0};
  RECT thumb_{0, 0, 0, 0};
  RECT viewRect_{0, 0, 0, 0};
  HBITMAP thumbnail_ = nullptr;
  int cursorState_ = 0;
  POINT grab_{0, 0};
  int sliderM_ = 0;
  HACCEL accelerators_ = nullptr;
  ToolWindowKeyHook keyHook_;
  RECT placement_{0, 0, 0, 0};
  HWND tips_ = nullptr;
  CMyEdit edit_;
  bool updating_ = false;
};

}  // namespace lumora
