// The export dialogs' preview pane: an image at a chosen zoom, panned by
// dragging with the left button, a zoom menu on the right button, a
// checker over marked pixels. Panes of one dialog are linked: zooming,
// centring and panning one does the same in all.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"
#include "files/PreviewLayout.h"
#include "framework/win/Window.h"

namespace lumora {

class CPreviewWnd : public fw::Window {
  FW_DECLARE_MESSAGE_MAP()

 public:
  // Zoom menu commands.
  enum : std::uint32_t { kZoomIn = 10, kZoomOut = 11, kActualSize = 12, kCenterInFrame = 13 };

  CPreviewWnd();
  ~CPreviewWnd() override;

  // Made over the rectangle of the placeholder control `placeholderId` of
  // `dialog`, as a child of that control, with the id `id`.
  bool CreateOver(HWND dialog, int placeholderId, int id);

  // Null empties the pane. A new image of the held one's type and size is
  // copied into it; `reset` (or a first image) shows it at 1:1, centred.
  void SetImage(VrWA2000::WA* image, bool reset);
  bool SetOwner(HWND owner, bool linked);
  void SetFitMode(bool fit);
  void SetHighlight(bool on, int index, COLORREF colour, const Fragment* fragment);
  // The pixel under a screen point: COLORREF for a 24-bit image, the index
  // in the low byte for a paletted one. False off the image.
  bool GetColorAt(POINT screen, COLORREF* colour) const;
  // Repaints after the held image's pixels changed in place.
  void Refresh();
  void EnableMenu(bool enable) { menuEnabled_ = enable; }
  void SetContextHelpId(std::uint32_t id) { helpId = id; }

  // Each applies to every linked pane of the owner, else to this one.
  void ZoomIn();
  void ZoomOut();
  void ActualSize();
  void CenterInFrame();

  const PreviewLayout& Layout() const { return layout_; }
  VrWA2000::WA* Image() const { return source_.get(); }

  void PostNcDestroy() override {}

 private:
  LRESULT OnCreate(WPARAM, LPARAM);
  LRESULT OnSize(WPARAM, LPARAM);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBackground(WPARAM, LPARAM);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnLButtonUp(WPARAM, LPARAM);
  LRESULT OnRButtonUp(WPARAM, LPARAM);
  LRESULT OnSetCursor(WPARAM, LPARAM);

  // The linked panes (this one first when unlinked): `apply` on each.
  template <class F>
  void FanOut(F apply);
  void ApplyZoom(std::uint32_t command);
  void DragStep(int x, int y);
  void DragEnd();
  // Layout again; the display buffer made again when its size changed.
  void Recompute();
  void Render();

  PreviewLayout layout_;
  WAPtr source_;
  WAPtr display_;
  HWND owner_ = nullptr;
  bool linked_ = false;
  bool menuEnabled_ = true;
  HWND previousCapture_ = nullptr;
  HMENU zoomMenu_ = nullptr;
  POINT dragPoint_{-1, -1};
  PreviewHighlight highlight_;
  HCURSOR cursor_ = nullptr;
};

}  // namespace lumora
