// The mask fragment: an 8-bit grey buffer placed in the image.
#pragma once

#include "hostapi/imagebuf.h"
#include "libs/fragment/fragment_object.h"
#include "platform/ref_ptr.h"

namespace lumora::frg {

class MaskFrg final : public Fragment {
 public:
  // Takes a reference of its own to the buffer (type 8).
  MaskFrg(VrWA2000::WA* buffer, std::int32_t x, std::int32_t y);
  int Type() const override { return kFrgMask; }
  Fragment* Clone() const override { return new MaskFrg(*this); }
  // The bounds of the non-zero pixels.
  Box ShapeBounds() const override;
  bool Offset(std::int64_t dx, std::int64_t dy) override;
  bool ShapeContains(std::int32_t x, std::int32_t y) const override;
  bool RenderShape(const Window& w) const override;

  VrWA2000::WA* Buffer() const { return buffer_.get(); }
  LURECT Rect() const { return LURECT{x_, y_, buffer_->GetW(), buffer_->GetH()}; }
  // The whole buffer as a window.
  Window AsWindow() const;

 private:
  // A copy with a buffer of its own.
  MaskFrg(const MaskFrg& other);

  lumora::RefPtr<VrWA2000::WA> buffer_;
  std::int32_t x_;
  std::int32_t y_;
};

// Copies the part of `src` (a window of coverage) that overlaps `dst` and
// fills the rest of `dst` with `outside`.
void CopyWindow(const Window& src, const Window& dst, std::uint8_t outside);

}  // namespace lumora::frg
