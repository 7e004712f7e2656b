// The image document's MDI child frame: the base without rulers (the view
// fills the client area) and CChildFrame with its caption title, the
// caption highlight of the active image's frame, the views' activation
// work on MDI activation and the placement of the next frame.
#pragma once

#include <string>

#include "framework/win/Frame.h"
#include "hostapi/imagebuf.h"
#include "view/Rulers.h"

namespace lumora {

class CLumo40View;

// The MDI child frame that can show rulers along the top and the left of
// the view it holds: 15-pixel strips drawn from two off-screen bitmaps in
// the image's units at the view's zoom, from the ruler origin, with cursor
// markers that follow the mouse over the view.
class CVarnoChildFrm : public fw::MdiChild {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(CVarnoChildFrm)

 public:
  CVarnoChildFrm();
  ~CVarnoChildFrm() override;

  // The frame's first view.
  fw::View* GetRulerView() const;
  // Shows or hides the rulers, growing or shrinking the frame by their
  // thickness so the view keeps its size.
  void ShowRulers(bool show);
  bool RulersShown() const { return rulersShown_; }
  // False (nothing changed) for a zero size, resolution or zoom.
  bool ConfigureRulers(int width, int height, std::uint32_t resolution, int units, double zoom, int scrollX,
                       int scrollY);
  void SetRulerUnits(int units) { units_ = units; }
  int RulerUnits() const { return units_; }
  void SetRulerZoom(double zoomX, double zoomY);
  void SetRulerScroll(int x, int y);
  // The origin in image pixels (x from the left, y in rows from the top).
  void SetRulerOrigin(int x, int y, bool redraw);
  POINT RulerOrigin() const { return origin_; }
  // Rebuilds both strips and repaints them.
  void UpdateRulers();
  // 2 corner box, 0 top ruler, 1 left ruler, 3 elsewhere (client point).
  int RulerHitTest(int x, int y) const;
  // Moves the cursor markers to a point of the view's client area.
  void TrackRulerMarkers(int x, int y);
  // Where the markers are on their strips (-1: none).
  POINT MarkerPositions() const { return markers_; }
  // What the painters get for each strip (tests compare the drawn strips
  // with them).
  bool StripPainting(bool vertical, int* viewStart, RulerInput* input) const;
  void RecalcLayout() override;

  LRESULT OnRulerCreate(WPARAM, LPARAM);
  LRESULT OnRulerPaint(WPARAM, LPARAM);
  LRESULT OnRulerPrintClient(WPARAM, LPARAM);
  LRESULT OnRulerSize(WPARAM, LPARAM);

 protected:
  bool rulersShown_ = false;

 private:
  void RebuildBitmaps();
  void PaintStrip(HDC dc, bool vertical);
  void CopyStrips(HDC dc, const RECT& update);
  void InvertMarker(HDC dc, bool vertical, int position);
  RECT ViewClientInFrame() const;

  int units_ = 0;
  int textHeight_ = 12;
  HFONT font_ = nullptr;
  int imageWidth_ = 0, imageHeight_ = 0;
  std::uint32_t resolution_ = 0;
  double zoomX_ = 1.0, zoomY_ = 1.0;
  POINT origin_{0, 0};
  POINT scroll_{0, 0};
  HBITMAP top_ = nullptr, left_ = nullptr;
  HBITMAP patternBitmap_ = nullptr;
  HBRUSH patternBrush_ = nullptr;
  POINT markers_{-1, -1};
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
  // Captions actually set (a test sees that an unchanged one is not).
  int titlesSet = 0;

  // Where the last ruler drag started: 0 top ruler, 1 left ruler, 2 corner.
  static int rulerDragPart;
  bool RulerDragRunning() const { return rulerDrag_; }

  LRESULT OnChildMdiActivate(WPARAM wParam, LPARAM lParam);
  LRESULT OnRulerButtonDown(WPARAM wParam, LPARAM lParam);
  LRESULT OnRulerMouseMove(WPARAM wParam, LPARAM lParam);
  LRESULT OnRulerButtonUp(WPARAM wParam, LPARAM lParam);
  LRESULT OnRulerDoubleClick(WPARAM wParam, LPARAM lParam);
  LRESULT OnRulerCaptureChanged(WPARAM wParam, LPARAM lParam);
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
  bool rulerDrag_ = false;
  HCURSOR cursorBeforeDrag_ = nullptr;
  // A view client point of a frame message.
  POINT ToView(LPARAM lParam) const;
  // The caption SetTitleText is setting.
  const std::u16string* wideTitle_ = nullptr;
};

// The active image, or the floating image, of the document an image-view
// window shows, borrowed (the document keeps it); null for other windows.
VrWA2000::WA* GetViewImageWA(HWND window);
VrWA2000::WA* GetViewFloatingImage(HWND window);

}  // namespace lumora
