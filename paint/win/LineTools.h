// The line and curve tools: a rubber band drawn straight into the view
// while the user drags, then the line (or, after a second drag that bends
// it, the quarter-ellipse arc) painted with the brush's dabs as one undo
// step "Line" or "Curve".
#pragma once

#include "paint/win/ToolBrush.h"

namespace lumora {

class CLineTool : public CToolBrush {
 public:
  CLineTool(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine,
            std::unique_ptr<BrushRandom> random);
  void OnLButtonDown(HWND window, UINT flags, int x, int y) override;
  void OnMouseMove(HWND window, UINT flags, int x, int y) override;
  void OnLButtonUp(HWND window, UINT flags, int x, int y) override;

 protected:
  // The image point of a client point of the stroke's view.
  POINT ImageAt(int x, int y) const;
  // Draws (R2_NOT) or erases (3 x 3 squares along it, repainted) the band
  // between two image points.
  void DrawBand(POINT a, POINT b) const;
  void EraseBand(POINT a, POINT b) const;
  HWND ViewWindow() const;

  POINT start_{};
  POINT current_{};
  bool firstMove_ = true;
};

class CCurveTool : public CLineTool {
 public:
  using CLineTool::CLineTool;
  void OnLButtonDown(HWND window, UINT flags, int x, int y) override;
  void OnMouseMove(HWND window, UINT flags, int x, int y) override;
  void OnLButtonUp(HWND window, UINT flags, int x, int y) override;
  int Phase() const { return phase_; }

 private:
  // The arc from the start around the control point to the end, drawn in
  // black or erased, in the view.
  void DrawArc(POINT control) const;
  void EraseArc(POINT control) const;
  // The active layer refuses: its mask is edited and its transparency
  // locked (said in a message box).
  bool LayerRefuses(HWND window) const;

  int phase_ = 0;
  bool button_ = false;
  POINT end_{};
  POINT control_{};
};

}  // namespace lumora

namespace lumora {

// The rectangle and ellipse tools: the outline follows the drag (Shift
// makes a square or circle, redrawn at once when Shift goes down or up);
// the release renders the shape in the page's drawing style.
class CRectTool : public CLineTool {
 public:
  CRectTool(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine,
            std::unique_ptr<BrushRandom> random, bool ellipse);
  void OnMouseMove(HWND window, UINT flags, int x, int y) override;
  void OnLButtonUp(HWND window, UINT flags, int x, int y) override;
  int OnKeyDown(WPARAM key, LPARAM) override;
  int OnKeyUp(WPARAM key, LPARAM) override;
  void SetStyle(int style) override { style_ = style; }
  int Style() const { return style_; }

 private:
  // The corner a window point gives, made square with `constrain`.
  POINT CornerFor(POINT window, bool constrain) const;
  void DrawOutline(POINT corner) const;
  void EraseOutline() const;
  void ShowFeedback(POINT window, bool constrain, bool erase);

  bool ellipse_;
  int style_ = 0;
  bool constrain_ = false;
  POINT lastWindow_{};
};

}  // namespace lumora
