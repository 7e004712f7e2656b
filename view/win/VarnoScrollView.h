// The image view's scroll base: content smaller than the window is shown
// centred (the device scroll position turns negative along that axis), the
// bars are laid out once per size change, and scrolling moves the window
// content with ScrollWindowEx.
#pragma once

#include "framework/win/DocView.h"

namespace lumora {

class CVarnoScrollView : public fw::ScrollView {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNAMIC(CVarnoScrollView)

 public:
  POINT GetDeviceScrollPosition() const { return device_; }
  // The sizes without the base's own bar update and invalidation; the bars
  // are laid out once afterwards.
  void SetScrollSizes(SIZE total, SIZE page = {0, 0}, SIZE line = {0, 0});
  void ScrollToDevicePosition(POINT target);
  // The same without moving the window's pixels, for a caller that repaints
  // the whole window next (a zoom).
  void MoveToDevicePosition(POINT target);
  bool OnScrollBy(SIZE distance, bool doScroll = true) override;
  // Scroll-bar codes: the low byte horizontal, the high byte vertical.
  bool OnScroll(UINT codes, int thumb, bool doScroll = true);
  void OnPrepareDC(HDC dc) override;
  void UpdateBars();

  bool centre = true;
  bool updateAfterScroll = false;
  UINT scrollFlags = SW_INVALIDATE;
  // While set, position changes move no pixels (the caller repaints the
  // whole window).
  bool skipPixelScroll = false;

  LRESULT OnVarnoSize(WPARAM, LPARAM);
  LRESULT OnVarnoHScroll(WPARAM, LPARAM);
  LRESULT OnVarnoVScroll(WPARAM, LPARAM);

 protected:
  // The device scroll position changed (bars laid out anew or scrolled).
  virtual void OnScrollPositionChanged() {}
  bool HasBar(int bar) const;
  int BarLimit(int bar) const;

  POINT device_{0, 0};
};

// While it lives, the view's position changes move no pixels: the caller
// repaints the whole view (a zoom, a new image size, a new window size).
class WholeRepaint {
 public:
  explicit WholeRepaint(CVarnoScrollView& view) : view_(view), before_(view.skipPixelScroll) {
    view.skipPixelScroll = true;
  }
  ~WholeRepaint() { view_.skipPixelScroll = before_; }
  WholeRepaint(const WholeRepaint&) = delete;
  WholeRepaint& operator=(const WholeRepaint&) = delete;

 private:
  CVarnoScrollView& view_;
  bool before_;
};

}  // namespace lumora
