// The foreground and background colours on screen: the two-swatch colour
// control that sits on a toolbar (dialog 212, class "WND_MCOLOR"), its swap
// button, and the opening of the shared colour window for the application's
// colours. (The dialogs' one-colour swatch button: dialogs/win/SwatchButton.h.)
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/win/HelpSupport.h"
#include "framework/win/Window.h"

namespace fw {
class Archive;
}

namespace lumora {

// What the colour controls ask of the application (installed at start).
struct ColourControlServices {
  std::function<COLORREF(bool foreground)> colour;
  // The colour window now edits the foreground (true) or the background.
  std::function<void(bool foreground)> setEdited;
  std::function<void()> swap;
};
ColourControlServices& TheColourControlServices();

// The id a colour control has on a toolbar, and its class name.
constexpr int kColourControlId = 33117;
inline constexpr char kColourControlClass[] = "WND_MCOLOR";
// Sent to a colour control: show the application's colours again.
constexpr UINT kColourControlUpdate = WM_USER + 0x60;

// Opens the shared colour window for the main window (when it is closed)
// and shows it with the foreground or background colour, which it edits from
// now on. False when the window could not be opened.
bool EditMainColour(bool foreground);

// The swap button's picture: one of two bitmaps (small 258 with mask 32326,
// large 268 with mask 269) whose masked pixels are made the button face, so
// it sits on the button without a frame; drawn centred, clipped.
class CArrowBtn {
 public:
  CArrowBtn();
  ~CArrowBtn();
  CArrowBtn(const CArrowBtn&) = delete;
  CArrowBtn& operator=(const CArrowBtn&) = delete;
  // Which of the two the program draws (large buttons on the bars).
  static inline bool largeImages = false;
  void DrawItem(const DRAWITEMSTRUCT& item) const;

 private:
  HBITMAP small_ = nullptr, large_ = nullptr;
};

// The colour control: foreground swatch 1167, background swatch 1168 (the
// control library's swatches) and the swap button 1169.
class CMColorCtrl : public CToolTipSuppDlg {
 public:
  CMColorCtrl();
  // Dialog 212 as a child of `parent` with the control id `id`, showing
  // the application's colours. With `deleteWithWindow` the object goes when
  // its window does (a bar that made it from its state).
  bool Create(HWND parent, int id, bool deleteWithWindow = false);
  // Shows the application's colours.
  void UpdateSwatches();
  // Its record in a bar's state: the class name, width and height (16-bit)
  // and control id (32-bit).
  void Store(fw::Archive& archive) const;
  // The rest of a record whose class name was read: made under `parent`,
  // sized and given its id; deleted with its window. Null when the window
  // cannot be made.
  static CMColorCtrl* Load(fw::Archive& archive, HWND parent);

  void GetToolTipText(unsigned controlId, std::string& text) override;

 protected:
  bool OnInitDialog() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
  void PostNcDestroy() override;

 private:
  void Layout(int cx, int cy);
  void OnSwatch(int id);
  void AddTips();
  CArrowBtn arrow_;
  HWND tips_ = nullptr;
  bool deleteWithWindow_ = false;
};

}  // namespace lumora
