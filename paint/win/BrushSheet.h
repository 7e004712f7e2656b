// "Additional paint parameters": a small floating frame over the paint
// attributes window holding a property sheet with three pages (Colors:
// colour jitter; Angles: dab angle and rotation; Logic: colour rule) that
// edit the parameters and the brush of the brush page that opened it, and a
// preview of two strokes over a colour spectrum right of the tabs, drawn
// again when clicked. Closing it only hides it.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumora {

class CBrushPage;
class SheetKeys;

class CBrushSheet {
 public:
  CBrushSheet();
  ~CBrushSheet();
  CBrushSheet(const CBrushSheet&) = delete;
  CBrushSheet& operator=(const CBrushSheet&) = delete;

  // Made on first use under `owner`, centred on it; later calls re-target
  // it. Shown with the page's values.
  bool Show(HWND owner, CBrushPage* page);
  void Hide();
  // The page it edits (null while hidden for no page).
  CBrushPage* Page() const { return page_; }
  // The property sheet inside the frame.
  HWND Sheet() const { return sheet_; }
  // Told when the frame is closed by the user (it only hides).
  std::function<void()> onClosed;
  bool Visible() const { return window_ != nullptr && IsWindowVisible(window_); }
  HWND Handle() const { return window_; }
  HWND PageWindow(int index) const { return pages_[static_cast<std::size_t>(index)]; }
  HWND Tabs() const { return tabs_; }
  HWND Preview() const { return preview_; }
  // The preview picture: width, height, rows top-down, blue, green, red.
  int PreviewWidth() const { return previewWidth_; }
  int PreviewHeight() const { return previewHeight_; }
  const std::vector<std::uint8_t>& PreviewPixels() const { return picture_; }
  // Draws the preview again from the page's values.
  void UpdatePreview();
  // The application's foreground and background colours (installed at start).
  static inline std::function<void(COLORREF* foreground, COLORREF* background)> previewColours;

 private:
  bool Create(HWND owner);
  void ShowPage(int index);
  void Refresh();
  void OnPageCommand(int page, int id, int code);
  void ShowAngleControls();
  bool CreateSheet(const std::string& caption);
  void LayOut(HWND owner);
  void Close();
  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);
  static LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  struct PageLink {
    CBrushSheet* sheet;
    int index;
  };
  HWND window_ = nullptr;
  HWND sheet_ = nullptr;
  HWND tabs_ = nullptr;
  std::array<PageLink, 3> links_{};
  std::unique_ptr<SheetKeys> keys_;  // the sheet's dialog keys from the message loop
  HWND label_ = nullptr;
  HWND preview_ = nullptr;
  std::array<HWND, 3> pages_{};
  CBrushPage* page_ = nullptr;
  bool refreshing_ = false;
  int previewWidth_ = 0, previewHeight_ = 0;
  std::vector<std::uint8_t> background_;
  std::vector<std::uint8_t> picture_;
};

}  // namespace lumora
