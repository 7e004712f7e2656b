// The four-thumb blend-if slider: a static control of a dialog subclassed
// here. The upper half shows the channel's ramp, the lower half the thumbs;
// a drag moves thumbs and tells the parent by WM_HSCROLL (code 4 while
// moving, SB_ENDSCROLL at the end, the value in the high word).
#pragma once

#include <windows.h>

#include "framework/win/Window.h"
#include "ui/Slider4.h"

namespace lumora {

class SliderCtrl4 : public fw::Window {
 public:
  ~SliderCtrl4() override;
  Slider4& Model() { return model_; }
  // 0 grey, 1 red, 2 green, 3 blue; a change drops the ramp.
  void SetChannel(int channel);
  void Redraw() const;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);
  void DropRamp();
  void Track(LPARAM lParam, int code);

  Slider4 model_;
  int channel_ = 0;
  HBITMAP ramp_ = nullptr;
  SIZE rampSize_ = {};
};

}  // namespace lumora
