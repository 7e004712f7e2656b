// Control bars: toolbars from toolbar resources and the status bar, docked
// on a side of their frame or floating in a mini frame.
#pragma once

#include <vector>

#include "framework/BarState.h"
#include "framework/CmdUI.h"
#include "framework/DockLayout.h"
#include "framework/win/BarDrag.h"
#include "framework/win/Window.h"

namespace fw {

class FrameWnd;
class FloatingBarFrame;

// Sides a bar or a frame accepts for docking.
constexpr DWORD kAlignLeft = 0x1000;
constexpr DWORD kAlignTop = 0x2000;
constexpr DWORD kAlignRight = 0x4000;
constexpr DWORD kAlignBottom = 0x8000;
constexpr DWORD kAlignAny = 0xF000;

class ControlBar : public Window {
  FW_DECLARE_MESSAGE_MAP()

 public:
  ~ControlBar() override;
  FrameWnd* DockSite() const { return dockSite_; }
  DockSide Side() const { return side_; }
  bool IsFloating() const { return side_ == DockSide::kFloating; }
  FloatingBarFrame* FloatingFrame() const { return floatFrame_; }
  bool IsVisible() const { return hwnd_ != nullptr && (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
  // Size the bar wants laid out horizontally (top, bottom, floating) or vertically.
  virtual SIZE CalcFixedLayout(bool horizontal) = 0;
  virtual void SetOrientation(bool horizontal) {}
  // A bar that fills a row of its own at the frame's edge (the status bar)
  // is laid out before the rows the other bars share.
  virtual bool FillsItsRow() const { return false; }
  // Whether a press at `client` starts a drag (not on a button, say).
  virtual bool IsDragSpot(POINT client) const { return true; }
  // The sides the user may dock the bar to with the mouse (kAlign*), among
  // those its frame enables; none keeps it where the program puts it.
  void EnableDocking(DWORD alignSides) { dockStyle = alignSides; }
  DWORD dockStyle = 0;  // sides the bar may dock to (CBRS_ALIGN_*)
  std::string caption;  // title when floating
  BarDrag& Drag() { return drag_; }

 protected:
  friend class FrameWnd;
  friend class FloatingBarFrame;
  bool CreateBar(FrameWnd* frame, const char* className, DWORD style, std::uint32_t id);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT OnLButtonDownMessage(WPARAM, LPARAM);
  LRESULT OnLButtonDblClkMessage(WPARAM, LPARAM);
  bool CanDrag(LPARAM lParam) const;

  FrameWnd* dockSite_ = nullptr;
  DockSide side_ = DockSide::kTop;
  int row_ = 0;    // the row of its side it asks for
  int order_ = 0;  // its place among the bars of its side
  // Where it was docked before it floated, and where it floated before it docked.
  DockPlace lastDocked_{DockSide::kTop, 1 << 20, true, 0};
  bool hasFloatPlace_ = false;
  POINT lastFloat_{0, 0};
  FloatingBarFrame* floatFrame_ = nullptr;
  BarDrag drag_;
};

// A toolbar resource: the image size and the button ids, 0 for separators.
struct ToolBarResource {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> ids;
};
bool ReadToolBarResource(HINSTANCE instance, std::uint32_t resourceId, ToolBarResource& out);

class ToolBar : public ControlBar {
 public:
  bool Create(FrameWnd* frame, DWORD style = WS_CHILD | WS_VISIBLE, std::uint32_t id = 59392, bool flat = true);
  // Reads a toolbar resource (button size, ids, 0 for separators) and the
  // bitmap of the same id.
  bool LoadToolBar(std::uint32_t resourceId);
  bool SetButtons(const std::vector<std::uint32_t>& ids);
  int ButtonCount() const;
  std::uint32_t CommandOf(int index) const;
  int CommandToIndex(std::uint32_t id) const;
  SIZE CalcFixedLayout(bool horizontal) override;
  void SetOrientation(bool horizontal) override;
  bool IsDragSpot(POINT client) const override;
  void OnUpdateCmdUI(CmdTarget& route, bool disableIfNoHandler) override;
  void SetButtonSize(SIZE size);
  void SetImageSize(SIZE size);
  SIZE ButtonSize() const { return buttonSize_; }
  SIZE ImageSize() const { return imageSize_; }
  bool IsHorizontal() const { return horizontal_; }

 protected:
  // After the buttons were laid out again (a new orientation).
  virtual void OnButtonsLaidOut() {}

 private:
  bool horizontal_ = true;
  SIZE buttonSize_{23, 22};
  SIZE imageSize_{16, 15};
};

class StatusBar : public ControlBar {
 public:
  bool Create(FrameWnd* frame, DWORD style = WS_CHILD | WS_VISIBLE, std::uint32_t id = 59393);
  // Pane 0 (id 0) stretches and shows prompts; the others show their id's string.
  bool SetIndicators(const std::vector<std::uint32_t>& ids);
  void SetPaneText(int index, const std::string& text);
  std::string GetPaneText(int index) const;
  void SetPaneInfo(int index, std::uint32_t id, int width);
  int CommandToIndex(std::uint32_t id) const;
  SIZE CalcFixedLayout(bool horizontal) override;
  bool FillsItsRow() const override { return true; }
  void OnUpdateCmdUI(CmdTarget& route, bool disableIfNoHandler) override;
  void LayoutPanes();

 private:
  struct Pane {
    std::uint32_t id;
    int width;
    CmdUIState shown;
  };
  std::vector<Pane> panes_;
  LONG textHeight_ = -1;
  HFONT measuredFont_ = nullptr;
};

}  // namespace fw
