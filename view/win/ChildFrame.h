// The image document's MDI child frame: the base without rulers (the view
// fills the client area) and CChildFrame with its caption title, the
// caption highlight of the active image's frame, the views' activation
// work on MDI activation and the placement of the next frame.
#pragma once

#include <string>

#include "framework/win/Frame.h"
#include "hostapi/imagebuf.h"

namespace lumora {

class CLumo40View;

class CVarnoChildFrm : public fw::MdiChild {
  FW_DECLARE_DYNCREATE(CVarnoChildFrm)

 public:
  // The frame's first view.
  fw::View* GetRulerView() const;
};

// What the last WM_MENUSELECT over a frame highlighted.
struct MenuHelpState {
  int kind = 0;  // 3 system-menu popup, 4 system-menu command
  UINT id = 0;
  HMENU menu = nullptr;
};

class CChildFrame : public CVarnoChildFrm {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(CChildFrame)

 public:
  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnUpdateFrameTitle(bool add) override;
  // Rebuilds the caption; sets it only when it changed.
  void UpdateTitle(const std::string* documentTitle);
  // The caption in UTF-8, read and set as Unicode (a layer's name may hold
  // any character; the Window menu lists the caption as it is).
  std::string TitleText() const;
  void SetTitleText(const std::string& utf8);
  CLumo40View* ImageView() const;

  // Where the next frame goes (empty: where the system puts it).
  static RECT placement;
  static MenuHelpState menuHelp;
  // Captions actually set (a test sees that an unchanged one is not).
  int titlesSet = 0;

  LRESULT OnChildMdiActivate(WPARAM wParam, LPARAM lParam);
  LRESULT OnChildMenuSelect(WPARAM wParam, LPARAM lParam);
  LRESULT OnChildSysCommand(WPARAM wParam, LPARAM lParam);

 private:
  bool HighlightsCaption() const;
  void DrawHighlight();
  LRESULT CaptionMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The base's handling, except that a Unicode caption being set is stored
  // as Unicode.
  LRESULT BaseWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Bit 0: the non-client area is active; bit 1: the view is the active
  // image view.
  unsigned captionState_ = 0;
  // The caption SetTitleText is setting.
  const std::u16string* wideTitle_ = nullptr;
};

// The active image, or the floating image, of the document an image-view
// window shows, borrowed (the document keeps it); null for other windows.
VrWA2000::WA* GetViewImageWA(HWND window);
VrWA2000::WA* GetViewFloatingImage(HWND window);

}  // namespace lumora
