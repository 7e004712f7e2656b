// Control bars: toolbars from toolbar resources and the status bar, docked
// on a side of their frame or floating in a mini frame.
#pragma once

#include <vector>

#include "framework/BarState.h"
#include "framework/CmdUI.h"
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
  DWORD dockStyle = 0;  // sides the bar may dock to (CBRS_ALIGN_*)
  std::string caption;  // title when floating

 protected:
  friend class FrameWnd;
  friend class FloatingBarFrame;
  bool CreateBar(FrameWnd* frame, const char* className, DWORD style, std::uint32_t id);
  FrameWnd* dockSite_ = nullptr;
  DockSide side_ = DockSide::kTop;
  FloatingBarFrame* floatFrame_ = nullptr;
};

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
  void OnUpdateCmdUI(CmdTarget& route, bool disableIfNoHandler) override;

 private:
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
  void OnUpdateCmdUI(CmdTarget& route, bool disableIfNoHandler) override;
  void LayoutPanes();

 private:
  struct Pane {
    std::uint32_t id;
    int width;
    CmdUIState shown;
  };
  std::vector<Pane> panes_;
};

}  // namespace fw
