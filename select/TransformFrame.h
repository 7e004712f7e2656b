// The interactive transform frames: a quadrilateral over the image view
// with a handle at each corner and side middle, dragged by the mouse. The
// geometry lives here in view coordinates and goes through the view's
// mapping; the view side (drawing in exclusive-or, cursors, the hint, the
// pointer) comes through FrameSurface, so tests run the frames without
// windows.
#pragma once

#include <cstdint>

#include "engine/transform/Transform.h"
#include "hostapi/xform.h"
#include "platform/win32types.h"

namespace lumora {

// Cursors a frame asks for (the view side loads them).
enum class FrameCursor { kArrow, kMove, kDragMove, kHandle, kNS, kWE, kNESW, kNWSE, kRotate, kCentre };

// Hints a frame shows (string ids, each followed by the commit text).
enum : int {
  kHintNone = 0,
  kHintMove = 10305,
  kHintDistort = 10306,
  kHintScaleCorner = 10307,
  kHintScaleSide = 10308,
  kHintSkew = 10309,
  kHintSkewFreely = 10480,
  kHintMoveCentre = 10481,
  kHintRotate = 10482,
};

class FrameSurface {
 public:
  virtual ~FrameSurface() = default;
  virtual const VRXFORM* Mapping() = 0;
  // Exclusive-or drawing: a second call with the same points erases.
  virtual void DrawFrame(const POINT corners[4], const POINT* midpoints, bool handles) = 0;
  virtual void DrawCentre(POINT centre) = 0;
  virtual POINT PointerInView() = 0;
  virtual void SetFrameCursor(FrameCursor cursor) = 0;
  virtual void SetHint(int stringId) = 0;
};

// What the transform hands the macro recorder.
struct FrameParams {
  POINT a{0, 0};
  int aFlag = 0;
  POINT b{0, 0};
  int bFlag = 0;
  POINT corners[4]{};
  int cFlag = 0;
  double degrees = 0.0;
};

class TInterface {
 public:
  explicit TInterface(FrameSurface* surface) : surface_(surface) {}
  virtual ~TInterface() = default;
  TInterface(const TInterface&) = delete;
  TInterface& operator=(const TInterface&) = delete;

  // The frame over an image rectangle (rows upward); false without a view.
  virtual bool Init(bool hasView, const RECT& imageRect);
  // Image position of the transformed result's first pixel.
  virtual POINT GetResultOrigin(const RECT& source, int flag);
  // The source transformed: a new buffer (the caller's reference) or null.
  virtual WAPtr TransformImage(VrWA2000::WA* buffer, int x, int y, const RECT& source, int maskSource,
                               int clearOutside);
  virtual void GetTransformParams(int x, int y, const RECT& source, FrameParams* out);
  // Over the frame: sets the cursor and hint; false when it set none.
  virtual bool HitTest();
  virtual bool OnButtonDown(POINT p);
  virtual void OnDrag(POINT p);
  virtual void OnButtonUp(POINT p);
  virtual void SetFlag(int flags) { flags_ = flags; }
  virtual void Draw();
  // The view scrolled by (dx, dy): every stored point follows the image.
  virtual void OffsetPoints(int dx, int dy);
  virtual void GetCornerOffsets(POINT out[4]);
  bool FitCornersToRect(const RECT& rect, POINT points[4]);
  bool PtInFrame(int x, int y) const;
  void DragFrame(int x, int y);

  bool shapeChanged = false;
  bool moved = false;
  const POINT* Corners() const { return corners_; }
  const POINT* Midpoints() const { return midpoints_; }
  int HitCode() const { return hitCode_; }
  int DragHandle() const { return dragHandle_; }
  bool ButtonDown() const { return buttonDown_; }

  static constexpr int kHalfHandle = 3;
  static RECT HandleRect(POINT p) { return RECT{p.x - 3, p.y - 3, p.x + 4, p.y + 4}; }
  static bool In(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

 protected:
  void ComputeMidpoints();
  // The base's hit code (0 none, 1-4 corners, 5-8 sides, 9 inside) at the pointer.
  int BaseHit();
  POINT BaseOrigin();
  const VRXFORM& Map() const { return *surface_->Mapping(); }

  FrameSurface* surface_;
  Transform transform_;
  bool hasView_ = false;
  POINT pressPoint_{INT32_MIN, INT32_MIN};
  POINT initialCorners_[4]{};
  POINT corners_[4]{};
  POINT midpoints_[4]{};
  POINT moveOffset_{0, 0};
  POINT startOffset_{0, 0};
  POINT startCorners_[4]{};
  int hitCode_ = 0;
  int dragHandle_ = 0;
  bool movingFrame_ = false;
  bool buttonDown_ = false;
  int flags_ = 0;
  bool drawHandles_ = true;
};

// Distort, perspective, skew and scale: how a drag moves the corners.
class QuadFrame : public TInterface {
 public:
  enum class Kind { kDistort, kPerspective, kSkew, kScale };
  QuadFrame(FrameSurface* surface, Kind kind) : TInterface(surface), kind_(kind) {}
  Kind GetKind() const { return kind_; }

  POINT GetResultOrigin(const RECT& source, int flag) override;
  WAPtr TransformImage(VrWA2000::WA* buffer, int x, int y, const RECT& source, int maskSource,
                       int clearOutside) override;
  void GetTransformParams(int x, int y, const RECT& source, FrameParams* out) override;
  bool HitTest() override;
  bool OnButtonDown(POINT p) override;
  void OnDrag(POINT p) override;
  void SetFlag(int flags) override;

  // The Shift correction that keeps a dragged corner on the diagonal P-Q.
  static POINT DiagonalCorrection(POINT p, POINT q, int x, int y);
  static int LineY(POINT p, POINT q, int x);
  static int LineX(POINT p, POINT q, int y);

 private:
  void Distort(POINT d);
  void Perspective(POINT d, bool skew);
  void Scale(POINT d, POINT pointer);

  Kind kind_;
};

// The rotate frame: a centre mark the frame turns about; with free
// transform its corner and side handles resize it too. The frame is the
// grown, unturned rectangle turned by the total angle and placed: corner i
// = R(angle) (grown corner i) + place, in view coordinates.
class RotateFrame : public TInterface {
 public:
  RotateFrame(FrameSurface* surface, bool freeTransform) : TInterface(surface), freeTransform_(freeTransform) {}

  bool Init(bool hasView, const RECT& imageRect) override;
  POINT GetResultOrigin(const RECT& source, int flag) override;
  WAPtr TransformImage(VrWA2000::WA* buffer, int x, int y, const RECT& source, int maskSource,
                       int clearOutside) override;
  void GetTransformParams(int x, int y, const RECT& source, FrameParams* out) override;
  bool HitTest() override;
  bool OnButtonDown(POINT p) override;
  void OnDrag(POINT p) override;
  void OnButtonUp(POINT p) override;
  void SetFlag(int flags) override;
  void Draw() override;
  void OffsetPoints(int dx, int dy) override;
  void GetCornerOffsets(POINT out[4]) override;

  double TotalAngle() const { return angle_; }
  POINT Centre() const { return centre_; }
  const int* Growth() const { return growth_; }
  bool FreeTransform() const { return freeTransform_; }
  // The cursor of a resize handle at a handle angle (radians).
  static FrameCursor SectorCursor(double phi);

 private:
  struct Vec {
    double x = 0, y = 0;
  };
  Vec Turn(Vec v, double radians) const;
  POINT Place(Vec v) const;
  void Recompute();
  bool HitFrame(POINT p) const;
  void GrownCorners(POINT out[4]) const;
  void CentreDrag(POINT p);
  void RotationDrag(POINT p);
  void ResizeDrag(POINT p);
  // The resize target (signed, image pixels) of the fitted grown frame;
  // false when it cannot be fitted.
  bool ResizeTarget(const RECT& source, int* w, int* h, RECT* fittedBox);

  bool freeTransform_;
  POINT centre_{0, 0};
  POINT savedCentre_{0, 0};
  double angle_ = 0, savedAngle_ = 0;
  Vec place_, savedPlace_;
  int growth_[4]{};  // x of corners 0 and 3, x of 1 and 2, y of 2 and 3, y of 0 and 1
  int savedGrowth_[4]{};
  int scaleHandle_ = 0;
  int mode_ = 0;  // 1 centre, 2 frame, 4 rotate, 8 resize
};

}  // namespace lumora
