// The stroke machinery every painting tool shares: the target at stroke
// start, dab spacing along the pointer path, the paint layer above the
// target grown in 128-pixel steps, the undo step at the first dab, the
// selection limit and the commit into the target. Pointer positions arrive
// in image coordinates; subclasses lay the dabs (PaintAt).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/layers/PaintLayer.h"
#include "paint/DabPixels.h"

namespace paint {

// What a stroke needs of its document.
class StrokeDocument {
 public:
  virtual ~StrokeDocument() = default;
  virtual CLayersManager* Layers() = 0;
  // Opens the named undo step before the stroke's first pixel changes.
  virtual void OpenUndoStep(int undoNameId) = 0;
  // A rectangle of the image must be redrawn (image coordinates, rows
  // counted upward, engine/pixels/README.md).
  virtual void InvalidateImageRect(const RECT& rect) = 0;
  // Grows a layer to a rect of the image (under the document lock).
  virtual bool ResizeLayer(CLayer* layer, const RECT& rect) = 0;
  // The layer of this unique id in the layer-stack snapshot that undoing
  // the last action would bring back; null without history or snapshot.
  virtual CLayer* FindUndoSnapshotLayer(std::uint64_t uniqueId) = 0;
};

// The tablet's latest reading: pressure 0..255 and the fraction that
// scales the brush width (1 / 1 without a tablet).
struct TabletReading {
  int pressure = 255;
  std::uint32_t numerator = 1;
  std::uint32_t denominator = 1;
};

constexpr int kUndoPaint = 168;
constexpr int kDefaultSpacingDivisor = 10;
constexpr int kPaintLayerStep = 128;

class StrokeBrush : public brush {
 public:
  explicit StrokeBrush(int width);

  // Settings the pages push.
  void SetOpacityPercent(int percent) { opacity_ = static_cast<std::uint8_t>(std::clamp(percent, 0, 100) * 255 / 100); }
  void SetInsertMode(int mode) { insertMode_ = mode; }
  // Whether the insert mode can paint on images of `type`: grey images take
  // no hue, saturation, colour or luminosity mode.
  bool CanPaintFormat(int type) const { return type != kWAType8Grey || insertMode_ < 3 || insertMode_ > 6; }
  // The tablet the stroke reads; none means full pressure at full width.
  void SetTablet(std::function<TabletReading()> tablet) { tablet_ = std::move(tablet); }
  // Whether the tablet scales the width (tools that paint outlines or
  // water switch it off).
  void SetPressureEnabled(bool on) { pressureEnabled_ = on; }
  int Width() const { return width_; }
  void SetColours(COLORREF foreground, COLORREF background) { foreground_ = foreground, background_ = background; }
  // The selection limit of the next strokes: an 8-bit coverage mask placed
  // at `rect` in image coordinates (copied), or none.
  void SetSelection(const std::uint8_t* mask, const RECT& rect, bool inverted);
  void ClearSelection();
  // The paper texture tiled over the layer (copied), or none.
  void SetPaperTexture(const std::uint8_t* bytes, int width, int height);

  // A stroke in image coordinates: the press, each move, the release.
  // False from ButtonDown when the stroke cannot start.
  bool ButtonDown(StrokeDocument* document, int x, int y);
  void MoveTo(int x, int y);
  void ButtonUp();
  // Drops what the stroke painted; the button-up that follows commits
  // nothing.
  void DiscardStroke() {
    if (Stroking()) CommitStroke(document_->Layers(), target_, 1);
  }
  bool Stroking() const { return document_ != nullptr; }
  // Why the last ButtonDown refused, for the user; empty when it said
  // nothing.
  const char* RefusalMessage() const { return refusal_; }

  // The line and curve tools: a stroke that lays no dab at the press, then
  // dabs (without refresh) along a line, its end left out, or along the
  // quarter ellipse from p1 around p2 to p3. Return the rectangle to
  // refresh: the walked points grown by the dab size, clipped to the image.
  void SetPaintAtButtonDown(bool on) { paintAtButtonDown_ = on; }
  // The string id of the undo step the first dab opens.
  void SetUndoNameId(int id) { undoNameId_ = id; }
  RECT LineDabs(POINT from, POINT to);
  RECT ArcDabs(POINT p1, POINT p2, POINT p3);
  // The shape tools: the rectangle (or the ellipse inscribed in it) with
  // corners p0 and p1, in drawing style 0 outlined, 1 filled by the
  // foreground, 2 filled by the background and outlined; the fill reports
  // each row to `progress` (row, rows), whose false cancels. False when the
  // target cannot grow, the paint layer cannot be had, the image type takes
  // no fill or the fill was cancelled (the caller then discards the
  // stroke). Pixels inside the shape are `inside` (x, y) in image
  // coordinates; none: every pixel of the rectangle.
  using FillProgress = std::function<bool(int row, int rows)>;
  bool RenderBox(POINT p0, POINT p1, int style, bool ellipse, const FillProgress& progress);
  // The polygon through the vertices (the caller closes it by repeating the
  // first), filled in styles 1 and 2 and outlined with the brush in every
  // style; on a layer that cannot grow the vertices are clamped into it
  // (and stored back).
  bool RenderPolygon(std::vector<POINT>* vertices, int style, const FillProgress& progress);
  // Fills the paint layer over `fillRect` (image coordinates, clipped to the
  // target layer, its last row and column included) with `colour` where the
  // selection, the paper and `inside` let it, writing the coverage into the
  // auxiliary buffer when there is one.
  bool FillShape(const RECT& fillRect, COLORREF colour, const std::function<bool(int, int)>& inside,
                 const FillProgress& progress);
  // One dab at an image point when it is far enough from the last one.
  void DabAt(int x, int y, bool invalidate);
  int DabWidth() const { return dabWidth_; }
  int StepThreshold() const { return stepThreshold_; }
  // The paint layer covers `rect` (image coordinates), created on first use.
  bool EnsurePaintLayer(const RECT& rect, bool withAux);

  int CanGrowTarget() override { return CanGrowLayer() ? 1 : 0; }
  int GrowTarget(LONG left, LONG top, LONG right, LONG bottom) override;

 protected:
  virtual bool BeginStroke();
  // Commits the paint layer into the target; subclasses restore what the
  // stroke borrowed after it.
  virtual void EndStroke();
  virtual bool PaintAt(const RECT& dab) = 0;
  virtual bool CanGrowLayer() const { return false; }
  // Grows the target so that it holds `rect` (clipped to the document).
  bool GrowLayer(const RECT& rect);
  // Fills the buffers of a dab job from the paint layer and the target.
  void FillJob(DabJob* job, const RECT& dab, bool sourceIsMask);
  void SetDabSize(int width, int height);
  void SetSpacingDivisor(int divisor) { spacingDivisor_ = divisor; }
  bool PrepareTarget();
  void FreeStrokeBuffers();
  // Dab size and spacing for the current width; `deferMask` leaves a
  // rebuilt mask to the next stroke. False when the new mask cannot be had.
  virtual bool UpdateBrushGeometry(bool deferMask);
  // The soft edge the dab adds around the width.
  virtual int EdgeSize() const { return 0; }
  // The kept tablet reading, read afresh when stale (255 at 1 / 1 with
  // pressure off).
  TabletReading GetPressure();
  // The width scaled by the pressure from the width at the press; false
  // when the geometry for a changed width cannot be built.
  bool ApplyPressure();
  // The tablet as it reads now (255 at 1 / 1 without one).
  TabletReading ReadTablet() const { return tablet_ ? tablet_() : TabletReading{}; }
  void MarkPressureStale() { pressureStale_ = true; }
  // Back to the width before pressure; the mask follows at the next stroke.
  void RestoreWidth();
  RECT DocumentRect() const;

  StrokeDocument* document_ = nullptr;
  CLayer* target_ = nullptr;
  RECT targetRect_{};
  int width_;
  int baseWidth_;  // the width before pressure, taken at every press
  int dabWidth_;
  int dabHeight_;
  int stepThreshold_ = 0;
  int spacingDivisor_ = kDefaultSpacingDivisor;
  bool firstDab_ = true;
  POINT lastDab_{};
  POINT current_{};
  POINT previous_{};
  int undoNameId_ = kUndoPaint;
  std::uint8_t opacity_ = 255;
  COLORREF foreground_ = 0;
  COLORREF background_ = 0xFFFFFF;
  int strokeLock_ = 1;  // the paint layer's transparency lock
  int editMask_ = 0;
  std::vector<std::uint8_t> selectionBytes_;
  SelectionLimit selection_;  // in image coordinates
  SelectionLimit layerSelection_;  // the same in target-layer coordinates
  std::vector<std::uint8_t> paperBytes_;
  PlaneView paper_;
  int dabCount_ = 0;
  bool paintAtButtonDown_ = true;
  bool stepOpen_ = false;  // the stroke's undo step is open
  const char* refusal_ = "";
  std::function<TabletReading()> tablet_;
  bool pressureEnabled_ = true;
  bool pressureStale_ = true;
  TabletReading pressure_;
};

extern const char kMsgTransparencyLocked[];

}  // namespace paint
