// The line and curve tools: a rubber band drawn straight into the view
// while the user drags, then the line (or, after a second drag that bends
// it, the quarter-ellipse arc) painted with the brush's dabs as one undo
// step "Line" or "Curve".
#pragma once

#include "paint/CloneBrush.h"
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

namespace lumora {

// The polygon tool: clicks (and drags) add vertices, the rubber band runs
// from the last vertex to the pointer; a double click closes the polygon
// and paints it in the page's drawing style.
class CPolygonTool : public CLineTool {
 public:
  using CLineTool::CLineTool;
  void OnLButtonDown(HWND window, UINT flags, int x, int y) override;
  void OnMouseMove(HWND window, UINT flags, int x, int y) override;
  void OnLButtonUp(HWND, UINT, int, int) override {}
  void OnLButtonDblClk(HWND window, UINT flags, int x, int y) override;
  void SetStyle(int style) override { style_ = style; }
  std::size_t VertexCount() const { return vertices_.size(); }

 private:
  bool LayerRefuses(HWND window) const;
  // The polyline through the vertices and the band to the pointer, drawn
  // inverted or erased.
  void DrawFeedback() const;
  void EraseFeedback() const;

  int style_ = 0;
  std::vector<POINT> vertices_;  // image coordinates, signed
  bool hasBand_ = false;
  POINT band_{};
};

}  // namespace lumora

namespace lumora {

// The clone tool: Shift and a click mark the source (a cross shows it in
// its view); strokes then paint the source layer's pixels displaced by the
// offset measured at the first stroke, the cross following the sampling
// point.
class CCloneTool : public CToolBrush {
 public:
  CCloneTool(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine,
             std::unique_ptr<BrushRandom> random);
  ~CCloneTool() override;
  int OnViewPaint(CLumo40View* view, HDC dc) override;
  void OnLButtonDown(HWND window, UINT flags, int x, int y) override;
  void OnMouseMove(HWND window, UINT flags, int x, int y) override;
  void SetStyle(int style) override;
  bool CrossShown() const { return crossShown_; }
  POINT CrossPoint() const { return cross_; }

 protected:
  bool StartEngineStroke(ViewStrokeDocument* document, POINT image) override;

 private:
  paint::CClone& Clone();
  void InvertCross(HDC dc, POINT at) const;
  void DrawCross(POINT at);
  void EraseCross();
  void Mark(HWND window, int x, int y);

  HWND sourceWindow_ = nullptr;
  HWND targetWindow_ = nullptr;
  POINT sourceClick_{};
  bool crossShown_ = false;
  POINT cross_{};
  POINT viewOffset_{};
};

}  // namespace lumora
